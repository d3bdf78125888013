#include "Modules/Window/Style/VLComponentStyleJSValue.h"

#include "Core/Engine/JS/VLJSString.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Modules/Window/Style/VLComponentStyle.h"

#include <memory>

std::optional<VLValue> VLComponentStyleValueFromJSValue(JSContextRef ctx, JSValueRef value) {
    if (!ctx || !value)
        return std::nullopt;
    if (JSValueIsNumber(ctx, value))
        return VLValue(JSValueToNumber(ctx, value, nullptr));
    if (std::optional<std::string> text = VLJSValueToNSString(ctx, value))
        return VLValue(std::move(*text));
    return std::nullopt;
}

namespace {

bool isStyleObject(JSContextRef ctx, JSValueRef value) {
    return value && JSValueIsObject(ctx, value) && !JSValueIsArray(ctx, value) &&
           JSValueGetTypedArrayType(ctx, value, nullptr) == kJSTypedArrayTypeNone;
}

} // namespace

std::optional<VLDictionary> VLComponentStyleFromJSValue(JSContextRef ctx, JSValueRef value) {
    if (!ctx || !isStyleObject(ctx, value))
        return std::nullopt;
    JSObjectRef object = JSValueToObject(ctx, value, nullptr);
    VLDictionary style;
    std::unique_ptr<OpaqueJSPropertyNameArray, decltype(&JSPropertyNameArrayRelease)> names(
        VLJSObjectCopyPropertyNames(ctx, object), JSPropertyNameArrayRelease);
    if (!names)
        return style;
    const std::unordered_set<std::string_view>& styleNames = VLComponentStyleNames();
    const size_t count = JSPropertyNameArrayGetCount(names.get());
    for (size_t i = 0; i < count; ++i) {
        JSStringRef name = JSPropertyNameArrayGetNameAtIndex(names.get(), i);
        std::string key = VLJSString::toUTF8(name);
        if (!styleNames.contains(key))
            continue;
        JSValueRef thrown = nullptr;
        JSValueRef property = JSObjectGetProperty(ctx, object, name, &thrown);
        if (thrown)
            continue;
        if (std::optional<VLValue> converted = VLComponentStyleValueFromJSValue(ctx, property))
            style.set(std::move(key), std::move(*converted));
    }
    return style;
}
