#include "Core/Engine/Binding/VLJSBindingEvent.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/JS/VLJSValueBridge.h"

JSObjectRef
VLJSBindingEvent::createJSObjectWithBindingContext(const std::shared_ptr<VLJSBindingContext>& bindingContext,
                                                   std::string type, JSObjectRef target) {
    JSGlobalContextRef ctx = bindingContext ? bindingContext->globalCtx() : nullptr;
    if (!ctx)
        return nullptr;
    auto event = std::make_shared<VLJSBindingEvent>();
    event->_type = std::move(type);
    event->_target = target;
    VLJSValueProtect(ctx, target);
    event->_timestamp = bindingContext->now();
    return createJSObjectWithContext(ctx, bindingContext, event);
}

JSValueRef VLJSBindingEvent::target(JSContextRef) {
    return _target;
}

JSValueRef VLJSBindingEvent::type(JSContextRef ctx) {
    return VLJSValueFromNSString(ctx, _type);
}

JSValueRef VLJSBindingEvent::timestamp(JSContextRef ctx) {
    return JSValueMakeNumber(ctx, _timestamp);
}

JSValueRef VLJSBindingEvent::doNothing(JSContextRef, size_t, const JSValueRef[], JSValueRef*) {
    return nullptr;
}

void VLJSBindingEvent::describe(VLJSClassBuilder<VLJSBindingEvent>& b) {
    b.getter<"target", &VLJSBindingEvent::target>();
    b.getter<"currentTarget", &VLJSBindingEvent::target>();
    b.getter<"type", &VLJSBindingEvent::type>();
    b.getter<"timestamp", &VLJSBindingEvent::timestamp>();
    b.function<"preventDefault", &VLJSBindingEvent::doNothing>();
    b.function<"stopPropagation", &VLJSBindingEvent::doNothing>();
}

void VLJSBindingEvent::willCollectGarbage() {
    if (auto bindingContext = this->bindingContext())
        VLJSValueUnprotect(bindingContext->globalCtx(), _target);
    _target = nullptr;
    Super::willCollectGarbage();
}
