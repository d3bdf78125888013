#include "Core/Engine/JS/VLJSDOMException.h"

#include "Core/Engine/JS/VLEmbeddedScripts.h"
#include "Core/Engine/JS/VLJSValueBridge.h"

bool VLJSDefineDOMException(JSContextRef ctx) {
    if (!ctx)
        return false;
    const auto script = VLEmbeddedScript("DOMException");
    JSObjectRef define = script ? VLJSFunctionFromScript(ctx, *script) : nullptr;
    if (!define)
        return false;
    JSObjectRef global = JSContextGetGlobalObject(ctx);
    JSValueRef argument = global;
    JSValueRef exception = nullptr;
    JSObjectCallAsFunction(ctx, define, nullptr, 1, &argument, &exception);
    return !exception && VLJSFunctionFromProperty(ctx, global, "DOMException") != nullptr;
}
