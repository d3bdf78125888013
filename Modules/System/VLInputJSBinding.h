#pragma once

#include "Core/Engine/Binding/VLEventedJSBindingBase.h"
#include "Core/Engine/Support/VLUnfairLock.h"
#include "Supports/Input/VLInputObserver.h"

#include <JavaScriptCore/JavaScript.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class VLRuntime;

// The script class "Input", published as Velto.input: global mouse events ("mousemove", "mousedown",
// "mouseup", "wheel") for runtimes that allow the global mouse, and "keyactivity" (how many keys were
// pressed, never which) for runtimes that allow key activity; `pointer` and `keyActivityAvailable`.
// Missing permissions or access never throw: the events just don't come.
//
// It observes the input monitor only while scripts handle its events and the runtime allows them, and
// hands what arrives between two turns of the JavaScript thread over in one hop: runs of moves become
// their last move, runs of wheel turns one turn with the summed deltas, and key presses one count.
//
// JavaScript thread, but for the monitor's calls on the main thread, which touch only the pending
// records and count, and _flushScheduled, under _lock.
class VLInputJSBinding final : public VLJSBinding<VLInputJSBinding, VLEventedJSBindingBase>,
                               public VLInputObserver {
public:
    static std::string bindingClassName() { return "Input"; }

    ~VLInputJSBinding() override;

    void didCreateJSObject(JSObjectRef object,
                           const std::shared_ptr<VLJSBindingContext>& bindingContext) override;
    void willCollectGarbage() override;

    // Handlers and listeners decide what the monitor is observed for.
    void addListenerForType(std::string_view type, JSContextRef ctx, JSValueRef listener,
                            JSValueRef* exception) override;
    void removeListenerForType(std::string_view type, JSContextRef ctx, JSObjectRef listener) override;
    void setCallbackForType(std::string_view type, JSContextRef ctx, JSValueRef callback,
                            JSValueRef* exception) override;
    void removeCallbackForType(std::string_view type, JSContextRef ctx) override;
    void removeAllListeners() override;
    void removeAllCallbacks() override;

    // VLInputObserver, on the main thread.
    void inputMonitorDidReceiveMouseEvent(const VLInputMouseEvent& event) override;
    void inputMonitorDidCountKeyPresses(uint64_t count) override;

    JSValueRef pointer(JSContextRef ctx);
    JSValueRef keyActivityAvailable(JSContextRef ctx);

    static void describe(VLJSClassBuilder<VLInputJSBinding>& b) {
        b.getter<"pointer", &VLInputJSBinding::pointer>();
        b.getter<"keyActivityAvailable", &VLInputJSBinding::keyActivityAvailable>();
        b.eventHandlerWithOff<"mousemove">();
        b.eventHandlerWithOff<"mousedown">();
        b.eventHandlerWithOff<"mouseup">();
        b.eventHandlerWithOff<"wheel">();
        b.eventHandlerWithOff<"keyactivity">();
    }

private:
    void updateWatching();
    void scheduleFlush();
    void flush();
    void fire(JSContextRef ctx, const VLInputMouseEvent& event);

    bool _watchesMouse = false, _watchesKeys = false;
    bool _settingCallback = false;
    std::weak_ptr<VLRuntime> _runtime; // set once in didCreateJSObject()

    VLUnfairLock _lock; // guards the three below; any thread
    std::vector<VLInputMouseEvent> _pendingMouseEvents;
    uint64_t _pendingKeyPresses = 0;
    bool _flushScheduled = false;
};
