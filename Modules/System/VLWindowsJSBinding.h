#pragma once

#include "Core/Engine/Binding/VLEventedJSBindingBase.h"
#include "Core/Engine/Binding/VLJSExportSingleton.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Supports/WindowList/VLWindowListMonitor.h"
#include "Supports/WindowList/VLWindowListObserver.h"

#include <JavaScriptCore/JavaScript.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>

class VLRunLoopThread;
class VLRuntime;

// The script class "Windows", published as Velto.windows for runtimes allowed to see other applications'
// window positions: list() and visibleTopEdges() of the on-screen windows, and "change" when the list
// differs. It observes the window list monitor only while scripts handle "change"; without handlers,
// every call within one turn of the JavaScript thread sees the same list.
//
// JavaScript thread, but for the monitor's calls on its queue: the change hops over holding the binding
// weakly, and the idle and stopped questions read only the runtime.
class VLWindowsJSBinding final : public VLJSBinding<VLWindowsJSBinding, VLEventedJSBindingBase>,
                                 public VLWindowListObserver,
                                 public VLJSExportSingleton {
public:
    static std::string bindingClassName() { return "Windows"; }
    // Refused, with the permission text, outside a runtime that allows window positions.
    static void validateConstructionWithContext(JSContextRef ctx,
                                                const std::shared_ptr<VLJSBindingContext>& bindingContext,
                                                size_t argc, const JSValueRef argv[], JSValueRef* exception);

    ~VLWindowsJSBinding() override;

    // Puts this object in Velto.windows, and stops watching when the runtime ends.
    void didCreateJSObject(JSObjectRef object,
                           const std::shared_ptr<VLJSBindingContext>& bindingContext) override;
    void willCollectGarbage() override;

    // Handlers and listeners decide whether the monitor is watched.
    void addListenerForType(std::string_view type, JSContextRef ctx, JSValueRef listener,
                            JSValueRef* exception) override;
    void removeListenerForType(std::string_view type, JSContextRef ctx, JSObjectRef listener) override;
    void setCallbackForType(std::string_view type, JSContextRef ctx, JSValueRef callback,
                            JSValueRef* exception) override;
    void removeCallbackForType(std::string_view type, JSContextRef ctx) override;
    void removeAllListeners() override;
    void removeAllCallbacks() override;

    // VLWindowListObserver, on the monitor's queue.
    void windowListMonitorDidChange(VLWindowListMonitor& monitor) override;
    bool windowListObserverIsIdle() override;
    bool windowListObserverIsStopped() override;

    JSValueRef list(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef visibleTopEdges(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);

    static void describe(VLJSClassBuilder<VLWindowsJSBinding>& b) {
        b.function<"list", &VLWindowsJSBinding::list>();
        b.function<"visibleTopEdges", &VLWindowsJSBinding::visibleTopEdges>();
        b.eventHandlerWithOff<"change">();
    }

private:
    // The list this turn works on.
    VLWindowListMonitor::List currentWindows();
    void endTurn();
    bool isWanted() const;
    void updateWatching();
    void stopWatchingIfUnwanted();
    void stopWatching();
    void deliverChange();

    bool _watching = false, _stopScheduled = false, _settingCallback = false;
    std::atomic<bool> _changeScheduled{false}; // set on the monitor's queue, cleared on the JavaScript thread
    std::optional<VLWindowListMonitor::List> _snapshot, _turnSnapshot;
    std::shared_ptr<VLNotificationCenter::Observer> _terminationObserver;

    // Set once in didCreateJSObject(), before the monitor is watched; then read on its queue too.
    std::weak_ptr<VLRuntime> _runtime;
    std::weak_ptr<VLRunLoopThread> _thread;
    std::shared_ptr<VLWindowListMonitor> _monitor;
    JSGlobalContextRef _globalContext = nullptr; // compared, never used
};
