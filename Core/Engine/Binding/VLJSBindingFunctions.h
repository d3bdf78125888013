#pragma once

#include <JavaScriptCore/JavaScript.h>

#include <functional>
#include <memory>

class VLJSBindingBase;
class VLJSBindingContext;
class VLJSFunctionInvoker;
class VLRunLoopThread;

// The small functions through which binding code reaches its instance, binding context, JavaScript
// object, function invoker and thread. All tolerate null arguments.

// The class "BindingObject", parent of every binding class, so objects of binding instances and only
// they are of this class. Made once per process.
JSClassRef VLJSBindingObjectClass();

// The instance behind a value when it is an object of a binding class; nullptr for anything else.
// Valid while the value's object is alive.
VLJSBindingBase* VLJSBindingGetObject(JSContextRef ctx, JSValueRef value);

// The same, under the value bridge's name: the binding instance behind an object value.
VLJSBindingBase* VLJSValueGetPrivate(JSContextRef ctx, JSValueRef value);

// The instance behind a value when it is of class T or a subclass of it; nullptr otherwise.
template <typename T>
T* VLJSBindingGetObjectOfClass(JSContextRef ctx, JSValueRef value) {
    return dynamic_cast<T*>(VLJSBindingGetObject(ctx, value));
}

// The instance's binding context; nullptr once it is gone.
std::shared_ptr<VLJSBindingContext> VLJSBindingGetContext(const VLJSBindingBase* instance);
// The instance's JavaScript object; nullptr before it was made.
JSObjectRef VLJSBindingGetJSObject(const VLJSBindingBase* instance);
// The instance's function invoker, made on first use.
std::shared_ptr<VLJSFunctionInvoker> VLJSBindingGetFunctionInvoker(VLJSBindingBase* instance);
// Reports the exception like an uncaught one, through the binding context; nothing once it is gone.
void VLJSBindingHandleJSException(const VLJSBindingBase* instance, JSValueRef exception);
// Stores the error "TypeError: Illegal invocation".
void VLJSBindingThrowIllegalInvocation(JSContextRef ctx, JSValueRef* exception);

// The thread on which the binding context was bound: its JavaScript thread.
std::shared_ptr<VLRunLoopThread>
VLJSBindingGetThread(const std::shared_ptr<VLJSBindingContext>& bindingContext);
// Runs the block at once on that thread; from elsewhere queues it there without waiting. Dropped when
// the thread has ended.
void VLJSBindingPerformBlockOnThread(const std::shared_ptr<VLJSBindingContext>& bindingContext,
                                     std::function<void()> block);
