#include "Core/Engine/VLJSDOMException.h"

#include "Core/Engine/VLEmbeddedScripts.h"
#include "Core/Engine/VLJSValueBridge.h"

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
