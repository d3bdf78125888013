#include "Modules/Canvas/Context2D/VLPathFillRule.h"

#include "Core/Engine/JS/VLJSValueBridge.h"

#include <cstring>

int32_t VLPathFillRuleFromJSValue(JSContextRef ctx, JSValueRef value) {
    if (!ctx || !value || !JSValueIsString(ctx, value))
        return 0;
    char text[64] = {};
    VLJSValueToUTF8String(ctx, value, text, sizeof text);
    return std::strcmp(text, "evenodd") == 0 ? 1 : 0;
}
