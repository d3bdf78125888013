#include "Modules/System/VLSystemJSObjects.h"

#include "Core/Engine/JS/VLJSString.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Runtime/VLRuntimeJSBindingContext.h"

#include <chrono>

JSObjectRef VLMakeObject(JSContextRef ctx) {
    JSObjectRef object = JSObjectMake(ctx, nullptr, nullptr);
    JSObjectSetPrototype(ctx, object, JSValueMakeNull(ctx));
    return object;
}

void VLSetValue(JSContextRef ctx, JSObjectRef object, const char* name, JSValueRef value) {
    JSObjectSetProperty(ctx, object, VLJSString(name).get(), value, kJSPropertyAttributeNone, nullptr);
}

void VLSetString(JSContextRef ctx, JSObjectRef object, const char* name,
                 const std::optional<std::string>& string) {
    VLSetValue(ctx, object, name, string ? VLJSValueFromNSString(ctx, *string) : JSValueMakeNull(ctx));
}

void VLSetOptionalNumber(JSContextRef ctx, JSObjectRef object, const char* name,
                         std::optional<double> number) {
    VLSetValue(ctx, object, name, number ? JSValueMakeNumber(ctx, *number) : JSValueMakeNull(ctx));
}

void VLFinishObject(JSContextRef ctx, JSObjectRef object) {
    // A fresh object's prototype is the realm's own Object.prototype, whatever a script did to the global.
    JSObjectSetPrototype(ctx, object, JSObjectGetPrototype(ctx, JSObjectMake(ctx, nullptr, nullptr)));
}

std::shared_ptr<VLRuntime>
VLRuntimeOfBindingContext(const std::shared_ptr<VLJSBindingContext>& bindingContext) {
    auto runtimeContext = std::dynamic_pointer_cast<VLRuntimeJSBindingContext>(bindingContext);
    return runtimeContext ? runtimeContext->runtime() : nullptr;
}

double VLNowMilliseconds() {
    using namespace std::chrono;
    return double(duration_cast<microseconds>(system_clock::now().time_since_epoch()).count()) / 1000.0;
}

void VLPublishInVelto(JSContextRef ctx, const char* name, JSObjectRef object) {
    JSValueRef velto = VLGetJSObjectProperty(ctx, JSContextGetGlobalObject(ctx), "Velto");
    if (!velto || !JSValueIsObject(ctx, velto))
        return;
    JSObjectRef veltoObject = JSValueToObject(ctx, velto, nullptr);
    const VLJSString propertyName(name);
    JSValueRef exception = nullptr;
    if (JSObjectDeleteProperty(ctx, veltoObject, propertyName.get(), &exception) && !exception)
        JSObjectSetProperty(ctx, veltoObject, propertyName.get(), object, kJSPropertyAttributeReadOnly,
                            nullptr);
}
