#include "Core/Engine/Binding/VLJSBindingFunctions.h"

#include "Core/Engine/Binding/VLJSBindingBase.h"
#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/JS/VLJSException.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"

JSClassRef VLJSBindingObjectClass() {
    static const JSClassRef bindingObjectClass = [] {
        JSClassDefinition definition = kJSClassDefinitionEmpty;
        definition.className = "BindingObject";
        definition.attributes = kJSClassAttributeNoAutomaticPrototype;
        return JSClassCreate(&definition);
    }();
    return bindingObjectClass;
}

VLJSBindingBase* VLJSBindingGetObject(JSContextRef ctx, JSValueRef value) {
    if (!ctx || !value || !JSValueIsObjectOfClass(ctx, value, VLJSBindingObjectClass()))
        return nullptr;
    return static_cast<VLJSBindingBase*>(JSObjectGetPrivate(const_cast<JSObjectRef>(value)));
}

VLJSBindingBase* VLJSValueGetPrivate(JSContextRef ctx, JSValueRef value) {
    return VLJSBindingGetObject(ctx, value);
}

std::shared_ptr<VLJSBindingContext> VLJSBindingGetContext(const VLJSBindingBase* instance) {
    return instance ? instance->bindingContext() : nullptr;
}

JSObjectRef VLJSBindingGetJSObject(const VLJSBindingBase* instance) {
    return instance ? instance->jsObject() : nullptr;
}

std::shared_ptr<VLJSFunctionInvoker> VLJSBindingGetFunctionInvoker(VLJSBindingBase* instance) {
    return instance ? instance->functionInvoker() : nullptr;
}

void VLJSBindingHandleJSException(const VLJSBindingBase* instance, JSValueRef exception) {
    if (auto bindingContext = VLJSBindingGetContext(instance))
        bindingContext->notifyException(exception);
}

void VLJSBindingThrowIllegalInvocation(JSContextRef ctx, JSValueRef* exception) {
    VLJSThrowException(ctx, exception, "TypeError: Illegal invocation");
}

std::shared_ptr<VLRunLoopThread>
VLJSBindingGetThread(const std::shared_ptr<VLJSBindingContext>& bindingContext) {
    return bindingContext ? bindingContext->thread() : nullptr;
}

void VLJSBindingPerformBlockOnThread(const std::shared_ptr<VLJSBindingContext>& bindingContext,
                                     std::function<void()> block) {
    VLExecuteOnThread(VLJSBindingGetThread(bindingContext), std::move(block));
}
