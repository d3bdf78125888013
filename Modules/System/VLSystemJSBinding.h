#pragma once

#include "Core/Engine/Binding/VLEventedJSBindingBase.h"
#include "Platform/Foundation/VLNotificationCenter.h"

#include <JavaScriptCore/JavaScript.h>

#include <memory>
#include <string>

class VLRuntime;

// The script class "System", published as Velto.system: the system appearance ("light" or "dark") with
// "appearancechange" when it changes, the "parameterschange" event that the runtime fires when new
// parameters arrive, and triggerGC().
//
// JavaScript thread, but for the appearance notification, which arrives on the main thread and only
// hops over.
class VLSystemJSBinding final : public VLJSBinding<VLSystemJSBinding, VLEventedJSBindingBase> {
public:
    static std::string bindingClassName() { return "System"; }

    ~VLSystemJSBinding() override;

    void didCreateJSObject(JSObjectRef object,
                           const std::shared_ptr<VLJSBindingContext>& bindingContext) override;

    JSValueRef appearance(JSContextRef ctx);
    // Has the runtime's caches dropped, then collects the script garbage; answers undefined.
    JSValueRef triggerGC(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);

    static void describe(VLJSClassBuilder<VLSystemJSBinding>& b) {
        b.getter<"appearance", &VLSystemJSBinding::appearance>();
        b.function<"triggerGC", &VLSystemJSBinding::triggerGC>();
        b.eventHandlerWithOff<"appearancechange">();
        b.eventHandlerWithOff<"parameterschange">();
    }

private:
    // On the JavaScript thread: fires "appearancechange" when the shared appearance differs from the
    // one scripts saw.
    void updateAppearance();

    std::string _appearance;
    std::weak_ptr<VLRuntime> _runtime; // set once in didCreateJSObject()
    std::shared_ptr<VLNotificationCenter::Observer> _appearanceObserver;
};
