#include "Modules/Canvas/Context2D/VLColorRGBAJSValue.h"

#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Platform/Foundation/VLStringWithFormat.h"

#include <optional>
#include <string>

bool VLJSValueGetColorRGBA(JSContextRef context, JSValueRef value, VLColorRGBA* color) {
    if (!context || !value || !JSValueIsString(context, value))
        return false;
    const std::optional<std::string> text = VLJSValueToNSString(context, value);
    return text && VLUTF8StringGetColorRGBA(*text, color);
}

JSValueRef VLColorRGBAToJSValue(JSContextRef context, VLColorRGBA color) {
    // Alpha is divided in single precision: 128 shows as 0.502.
    const float alpha = float(color.alpha) / 255.0f;
    return VLJSValueFromNSString(context, VLStringWithFormat("rgba(%d,%d,%d,%.3f)", int(color.red),
                                                             int(color.green), int(color.blue), alpha));
}
