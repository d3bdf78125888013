#include "Modules/System/VLSystemJSBinding.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Runtime/VLRuntime.h"
#include "Modules/System/VLSystemAppearance.h"
#include "Modules/System/VLSystemJSObjects.h"

VLSystemJSBinding::~VLSystemJSBinding() = default;

void VLSystemJSBinding::didCreateJSObject(JSObjectRef object,
                                          const std::shared_ptr<VLJSBindingContext>& bindingContext) {
    Super::didCreateJSObject(object, bindingContext);
    _runtime = VLRuntimeOfBindingContext(bindingContext);
    _appearance = VLSystemAppearance::sharedInstance()->appearance();
    _appearanceObserver = VLNotificationCenter::defaultCenter().addObserver(
        VLSystemAppearanceDidChangeNotification, nullptr,
        [weakSelf = weak_from_this(), weakRuntime = _runtime](const VLNotification&) {
            std::shared_ptr<VLRuntime> runtime = weakRuntime.lock();
            if (!runtime || !runtime->engine() || !runtime->engine()->runLoop())
                return;
            runtime->engine()->runLoop()->performBlock([weakSelf] {
                if (std::shared_ptr<VLJSBindingBase> self = weakSelf.lock())
                    static_cast<VLSystemJSBinding&>(*self).updateAppearance();
            });
        });
}

void VLSystemJSBinding::updateAppearance() {
    const std::string appearance = VLSystemAppearance::sharedInstance()->appearance();
    if (appearance == _appearance)
        return;
    _appearance = appearance;
    std::shared_ptr<VLJSBindingContext> context = bindingContext();
    if (!context || !context->globalCtx())
        return;
    JSContextRef ctx = context->globalCtx();
    JSObjectRef payload = VLMakeObject(ctx);
    VLSetString(ctx, payload, "appearance", appearance);
    VLFinishObject(ctx, payload);
    JSValueRef argument = payload;
    triggerEvent("appearancechange", 1, &argument);
}

JSValueRef VLSystemJSBinding::appearance(JSContextRef ctx) {
    return VLJSValueFromNSString(ctx, _appearance);
}

JSValueRef VLSystemJSBinding::triggerGC(JSContextRef ctx, size_t, const JSValueRef[], JSValueRef*) {
    std::shared_ptr<VLRuntime> runtime = _runtime.lock();
    if (!runtime)
        return nullptr;
    VLNotificationCenter::defaultCenter().post(VLRuntimeNeedsGarbageCollectionNotification, runtime.get());
    // On the JavaScript thread itself the collection runs at once.
    JSGlobalContextRef global = JSContextGetGlobalContext(ctx);
    runtime->engine()->runLoop()->performBlock([global] { JSGarbageCollect(global); });
    return nullptr;
}
