#pragma once

#include <JavaScriptCore/JavaScript.h>

#include <atomic>
#include <cstddef>
#include <memory>

class VLJSBindingCollector;
class VLJSBindingContext;
class VLJSClassInfo;
class VLJSFunctionInvoker;

// The root of every native object that scripts can see. A binding class derives from it through
// VLJSBinding<Self, Super> (VLJSBinding.h), which supplies its class information, and declares its
// script face in a static describe().
//
// Ownership: the instance's JavaScript object holds the one strong reference that keeps it alive.
// When the object is collected, the instance is handed to its JavaScript thread, gets
// willCollectGarbage() there once, and the reference is dropped. Instances are used on their binding
// context's JavaScript thread; native code that keeps one beyond a call holds it strongly itself.
class VLJSBindingBase : public std::enable_shared_from_this<VLJSBindingBase> {
public:
    VLJSBindingBase() = default;
    virtual ~VLJSBindingBase();
    VLJSBindingBase(const VLJSBindingBase&) = delete;
    VLJSBindingBase& operator=(const VLJSBindingBase&) = delete;

    // The class information of the instance's own class.
    virtual const VLJSClassInfo& classInfo() const = 0;

    // Class side: called before `new` makes an instance. A class refuses the construction by storing
    // an exception (VLJSThrowException); it declares a static of the same signature to do so.
    static void validateConstructionWithContext(JSContextRef ctx,
                                                const std::shared_ptr<VLJSBindingContext>& bindingContext,
                                                size_t argc, const JSValueRef argv[], JSValueRef* exception);

    // What a script's `new` calls; false refuses the construction (with the stored exception, if any).
    // The base passes on to the form without the binding context, which the object receives afterwards
    // through didCreateJSObject().
    virtual bool initWithContext(JSContextRef ctx, const std::shared_ptr<VLJSBindingContext>& bindingContext,
                                 size_t argc, const JSValueRef argv[], JSValueRef* exception);
    // For classes that need the construction arguments; the base ignores them.
    virtual bool initWithContext(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                 JSValueRef* exception);

    // Stores the object and the binding context. Overrides call the base first.
    virtual void didCreateJSObject(JSObjectRef object,
                                   const std::shared_ptr<VLJSBindingContext>& bindingContext);

    // Called once, on the JavaScript thread, after the JavaScript object was collected; or, when the
    // binding context is gone or being torn down, wherever the collection happens. It must then not
    // touch a script context: VLJSBindingGetContext() answers nullptr in that case. An instance whose
    // object is made again before that (createJSObjectWithContext) is not told, and is told once the
    // new object goes. The base drops the calls that other threads posted through the function invoker
    // and that have not run. Overrides stop work, drop what they hold and call the base.
    virtual void willCollectGarbage();

    // Makes the JavaScript object for an instance: natives call it to hand out objects that scripts
    // did not construct. The object belongs to the class of the instance; an instance has one object
    // at a time, so while it exists the same object is handed out again.
    static JSObjectRef createJSObjectWithContext(JSContextRef ctx,
                                                 const std::shared_ptr<VLJSBindingContext>& bindingContext,
                                                 const std::shared_ptr<VLJSBindingBase>& instance);

    // The binding context, or nullptr once it is gone.
    std::shared_ptr<VLJSBindingContext> bindingContext() const { return _bindingContext.lock(); }
    bool hasBindingContext() const { return !_bindingContext.expired(); }
    // The JavaScript object; nullptr before it was made and after it was collected.
    JSObjectRef jsObject() const { return _jsObject.load(std::memory_order_relaxed); }
    // Made with the instance's first JavaScript object, for its binding context; nullptr before. Other
    // threads may keep and use the copy they get.
    std::shared_ptr<VLJSFunctionInvoker> functionInvoker() const { return _funcInvoker; }

private:
    friend void VLJSBindingBaseFinalizeCallback(JSObjectRef object);
    friend class VLJSBindingCollector;

    // Runs willCollectGarbage() unless it already ran or the instance has an object again.
    void retire();

    std::weak_ptr<VLJSBindingContext> _bindingContext;
    // The JavaScript object's strong reference: set when the object is made (its private data points
    // here), taken by the object's finalizer.
    std::shared_ptr<VLJSBindingBase> _heldByJSObject;
    // Written when the object is made and cleared by its finalizer, which may run on another thread.
    std::atomic<JSObjectRef> _jsObject{nullptr};
    // Set on the JavaScript thread before the first object is published, then never changed.
    std::shared_ptr<VLJSFunctionInvoker> _funcInvoker;
    // Where the finalizer hands the instance; the binding context's.
    std::shared_ptr<VLJSBindingCollector> _collector;
    // Set once willCollectGarbage() has run; cleared when a new object is made.
    std::atomic<bool> _retired{false};
};

// The finalizer of every binding class: takes the instance out of the object and hands it to its
// JavaScript thread (VLJSBindingCollector). Never touches a script context.
void VLJSBindingBaseFinalizeCallback(JSObjectRef object);
