#include "Core/Engine/Binding/VLJSBindingBase.h"

#include "Core/Engine/Binding/VLJSBindingCollector.h"
#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/Binding/VLJSClassInfo.h"
#include "Core/Engine/Binding/VLJSFunctionInvoker.h"

#include <cstdio>
#include <cstdlib>
#include <typeinfo>

VLJSBindingBase::~VLJSBindingBase() = default;

void VLJSBindingBase::validateConstructionWithContext(JSContextRef,
                                                      const std::shared_ptr<VLJSBindingContext>&, size_t,
                                                      const JSValueRef[], JSValueRef*) {}

bool VLJSBindingBase::initWithContext(JSContextRef ctx, const std::shared_ptr<VLJSBindingContext>&,
                                      size_t argc, const JSValueRef argv[], JSValueRef* exception) {
    return initWithContext(ctx, argc, argv, exception);
}

bool VLJSBindingBase::initWithContext(JSContextRef, size_t, const JSValueRef[], JSValueRef*) {
    return true;
}

void VLJSBindingBase::didCreateJSObject(JSObjectRef object,
                                        const std::shared_ptr<VLJSBindingContext>& bindingContext) {
    _jsObject.store(object, std::memory_order_relaxed);
    _bindingContext = bindingContext;
    _collector = bindingContext ? bindingContext->collector() : nullptr;
}

void VLJSBindingBase::willCollectGarbage() {
    // The values of a posted call may be protected only by what this object is about to drop.
    if (_funcInvoker)
        _funcInvoker->cancelPostedCalls();
}

JSObjectRef
VLJSBindingBase::createJSObjectWithContext(JSContextRef ctx,
                                           const std::shared_ptr<VLJSBindingContext>& bindingContext,
                                           const std::shared_ptr<VLJSBindingBase>& instance) {
    if (!ctx || !instance)
        return nullptr;
    const VLJSClassInfo& info = instance->classInfo();
    const VLJSBindingBase& dynamic = *instance;
    const std::type_info& type = typeid(dynamic);
    if (info.type() != type) {
        // A class that derives from a binding class without VLJSBinding<Self, Super> would silently
        // get its superclass's script face.
        std::fprintf(stderr, "Velto: binding class %s must derive through VLJSBinding<%s, ...>\n",
                     type.name(), type.name());
        std::abort();
    }
    // An instance has one script object: handing it out again gives that object, since a second one
    // would free the instance when either is collected.
    if (JSObjectRef existing = instance->_jsObject.load(std::memory_order_relaxed))
        return existing;
    JSObjectRef object = JSObjectMake(ctx, info.jsClass(), instance.get());
    info.defineConstants(ctx, object);
    instance->_heldByJSObject = instance;
    // An instance whose earlier object waits to be retired lives on with this one.
    instance->_retired.store(false);
    if (!instance->_funcInvoker)
        instance->_funcInvoker = std::make_shared<VLJSFunctionInvoker>(bindingContext);
    instance->didCreateJSObject(object, bindingContext);
    return object;
}

void VLJSBindingBase::retire() {
    if (jsObject())
        return; // handed out again since its object was collected
    if (!_retired.exchange(true))
        willCollectGarbage();
}

void VLJSBindingBaseFinalizeCallback(JSObjectRef object) {
    auto* instance = static_cast<VLJSBindingBase*>(JSObjectGetPrivate(object));
    if (!instance)
        return;
    instance->_jsObject.store(nullptr, std::memory_order_relaxed);
    std::shared_ptr<VLJSBindingBase> held = std::move(instance->_heldByJSObject);
    if (!held)
        return;
    if (std::shared_ptr<VLJSBindingCollector> collector = held->_collector)
        collector->collect(std::move(held));
    else
        held->retire();
}
