#include "Core/Engine/JS/VLJSException.h"

#include "Core/Engine/JS/VLJSString.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Platform/Foundation/VLStringWithFormat.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace {

constexpr std::string_view kErrorSuffix = "Error";

bool isStandardErrorName(std::string_view name) {
    static constexpr std::array<std::string_view, 6> names = {"EvalError",   "RangeError", "ReferenceError",
                                                              "SyntaxError", "TypeError",  "URIError"};
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool isErrorName(std::string_view name) {
    return name.size() >= 6 && name.ends_with(kErrorSuffix) &&
           std::all_of(name.begin(), name.end(), [](unsigned char c) { return std::isalpha(c); });
}

// The named error made by its global constructor, or nullptr when that is missing or fails.
JSObjectRef makeNamedError(JSContextRef ctx, std::string_view name, std::string_view message) {
    const std::string constructorName = isStandardErrorName(name) ? std::string(name) : "DOMException";
    JSValueRef constructorValue =
        VLGetJSObjectProperty(ctx, JSContextGetGlobalObject(ctx), constructorName.c_str());
    if (!constructorValue || !JSValueIsObject(ctx, constructorValue))
        return nullptr;
    JSObjectRef constructor = JSValueToObject(ctx, constructorValue, nullptr);
    if (!constructor || !JSObjectIsConstructor(ctx, constructor))
        return nullptr;
    const JSValueRef arguments[] = {VLJSValueFromNSString(ctx, message), VLJSValueFromNSString(ctx, name)};
    const size_t argumentCount = isStandardErrorName(name) ? 1 : 2;
    JSValueRef exception = nullptr;
    JSObjectRef error = JSObjectCallAsConstructor(ctx, constructor, argumentCount, arguments, &exception);
    return exception ? nullptr : error;
}

JSObjectRef makeError(JSContextRef ctx, std::string_view text) {
    const size_t separator = text.find(": ");
    if (separator != std::string_view::npos) {
        const std::string_view name = text.substr(0, separator);
        if (isErrorName(name)) {
            if (JSObjectRef error = makeNamedError(ctx, name, text.substr(separator + 2)))
                return error;
        }
    }
    JSValueRef message = VLJSValueFromNSString(ctx, text);
    return JSObjectMakeError(ctx, 1, &message, nullptr);
}

std::string propertyText(JSContextRef ctx, JSObjectRef object, const char* name, std::string_view fallback) {
    if (!object)
        return std::string(fallback);
    VLJSString propertyName(name);
    JSValueRef exception = nullptr;
    JSValueRef value = JSObjectGetProperty(ctx, object, propertyName.get(), &exception);
    if (exception || !value)
        return std::string(fallback);
    return VLJSValueTransformToNSString(ctx, value, kVLJSExceptionTextLimit).value_or(std::string(fallback));
}

} // namespace

std::optional<VLJSException> VLJSErrorToJSException(JSContextRef ctx, JSValueRef value) {
    if (!ctx || !value)
        return std::nullopt;
    JSObjectRef object = nullptr;
    if (!JSValueIsUndefined(ctx, value) && !JSValueIsNull(ctx, value))
        object = JSValueToObject(ctx, value, nullptr);
    const std::string description = VLJSValueTransformToNSString(ctx, value, kVLJSExceptionTextLimit)
                                        .value_or("Error: unknow error occur");
    const std::string line = propertyText(ctx, object, "line", "-1");
    const std::string sourceURL = propertyText(ctx, object, "sourceURL", "null");
    const std::string message =
        VLStringWithFormat("%@, at line: %@, source file: %@", description, line, sourceURL);
    return VLJSException(propertyText(ctx, object, "name", ""), message,
                         propertyText(ctx, object, "stack", ""));
}

void VLJSThrowException(JSContextRef ctx, JSValueRef* exception, std::string_view text) {
    if (!ctx || !exception)
        return;
    *exception = makeError(ctx, text.empty() ? std::string_view("fail") : text);
}

void VLJSThrowException(JSContextRef ctx, JSValueRef* exception, std::string_view text, long code) {
    VLJSThrowException(ctx, exception, text);
    if (!ctx || !exception || !*exception || !JSValueIsObject(ctx, *exception))
        return;
    VLJSString codeName("code");
    JSObjectSetProperty(ctx, JSValueToObject(ctx, *exception, nullptr), codeName.get(),
                        JSValueMakeNumber(ctx, double(code)), kJSPropertyAttributeNone, nullptr);
}
