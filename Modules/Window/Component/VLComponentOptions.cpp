#include "Modules/Window/Component/VLComponentOptions.h"

#include "Core/Engine/JS/VLJSString.h"
#include "Core/Engine/JS/VLJSValueBridge.h"

JSValueRef VLComponentGetOption(JSContextRef ctx, size_t argc, const JSValueRef argv[], const char* name,
                                JSValueRef* exception) {
    if (!ctx || argc < 1 || !argv[0] || !JSValueIsObject(ctx, argv[0]))
        return nullptr;
    JSObjectRef options = JSValueToObject(ctx, argv[0], nullptr);
    JSValueRef thrown = nullptr;
    JSValueRef value = JSObjectGetProperty(ctx, options, VLJSString(name).get(), &thrown);
    if (thrown) {
        if (exception)
            *exception = thrown;
        return nullptr;
    }
    return value && !JSValueIsUndefined(ctx, value) ? value : nullptr;
}

VLValue VLComponentConvertedOption(JSContextRef ctx, size_t argc, const JSValueRef argv[], const char* name,
                                   JSValueRef* exception) {
    if (exception && *exception)
        return VLValue();
    JSValueRef value = VLComponentGetOption(ctx, argc, argv, name, exception);
    return value ? VLJSValueToNSObject(ctx, value) : VLValue();
}

std::optional<std::string> VLComponentSrcFromValue(JSContextRef ctx, JSValueRef value) {
    std::optional<std::string> text = VLJSValueToNSString(ctx, value);
    if (!text || text->empty())
        return std::nullopt;
    return text;
}
