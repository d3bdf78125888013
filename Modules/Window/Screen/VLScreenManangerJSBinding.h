#pragma once

#include "Core/Engine/Binding/VLEventedJSBindingBase.h"
#include "Modules/Window/Screen/VLScreenObserver.h"

#include <JavaScriptCore/JavaScript.h>

#include <memory>
#include <string>

// The script class "ScreenManager": the main screen, the online screens (new Screen objects at every
// read) and a "change" event for each change of the displays. Every object observes the process's
// screen manager on its own. JavaScript thread, but for screenDidChanged(), which the manager calls on
// the main thread.
class VLScreenManangerJSBinding final : public VLJSBinding<VLScreenManangerJSBinding, VLEventedJSBindingBase>,
                                        public VLScreenObserver {
public:
    static std::string bindingClassName() { return "ScreenManager"; }

    // Observes the screen manager once the binding context is set, so that a change never finds
    // the binding half made.
    void didCreateJSObject(JSObjectRef object,
                           const std::shared_ptr<VLJSBindingContext>& bindingContext) override;
    // Hands the event to the JavaScript thread.
    void screenDidChanged() override;

    JSValueRef mainScreen(JSContextRef ctx);
    JSValueRef screens(JSContextRef ctx);

    static void describe(VLJSClassBuilder<VLScreenManangerJSBinding>& b) {
        b.getter<"mainScreen", &VLScreenManangerJSBinding::mainScreen>();
        b.getter<"screens", &VLScreenManangerJSBinding::screens>();
        b.eventHandlerWithOff<"change">();
    }
};
