#pragma once

#include "Core/Engine/Binding/VLEventedJSBindingBase.h"
#include "Core/Engine/Binding/VLJSExportSingleton.h"
#include "Core/Engine/Support/VLUnfairLock.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Supports/SystemStatus/VLSystemStatusObserver.h"

#include <JavaScriptCore/JavaScript.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class VLRunLoopThread;
class VLRuntime;
class VLSystemStatusMonitor;
class VLSystemStatusReading;

// The script class "SystemStatus", published as Velto.systemStatus for runtimes that allow system
// information: the latest reading of the system-status monitor as frozen plain objects (cpu, memory,
// network, power, disk) and values (thermal, temperature, bootTime), the events "change" for each newer
// reading, then "powerchange", "thermalchange", "networkchange" and "memorypressurechange" for the
// parts that changed, and "resume" when the runtime's suspension or the machine's sleep ended.
//
// It observes the monitor only while scripts handle a reading event and the runtime may see them (not
// suspended, not asleep, not terminated). Readings without handlers are fetched once per turn that reads.
//
// JavaScript thread, but for the monitor's calls on its queue, which touch only _pending (under
// _pendingLock) and _deliveryScheduled, and read the runtime's state.
class VLSystemStatusJSBinding final : public VLJSBinding<VLSystemStatusJSBinding, VLEventedJSBindingBase>,
                                      public VLSystemStatusObserver,
                                      public VLJSExportSingleton {
public:
    static std::string bindingClassName() { return "SystemStatus"; }
    // Refused, with the permission text, outside a runtime that allows system information.
    static void validateConstructionWithContext(JSContextRef ctx,
                                                const std::shared_ptr<VLJSBindingContext>& bindingContext,
                                                size_t argc, const JSValueRef argv[], JSValueRef* exception);

    ~VLSystemStatusJSBinding() override;

    // The freeze function is the first argument when it is a function, else Object.freeze.
    using Super::initWithContext;
    bool initWithContext(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                         JSValueRef* exception) override;
    // Puts this object in Velto.systemStatus, and follows the runtime's suspension and end and the
    // machine's sleep.
    void didCreateJSObject(JSObjectRef object,
                           const std::shared_ptr<VLJSBindingContext>& bindingContext) override;
    void willCollectGarbage() override;

    // Handlers and listeners decide whether the monitor is observed.
    void addListenerForType(std::string_view type, JSContextRef ctx, JSValueRef listener,
                            JSValueRef* exception) override;
    void removeListenerForType(std::string_view type, JSContextRef ctx, JSObjectRef listener) override;
    void setCallbackForType(std::string_view type, JSContextRef ctx, JSValueRef callback,
                            JSValueRef* exception) override;
    void removeCallbackForType(std::string_view type, JSContextRef ctx) override;
    void removeAllListeners() override;
    void removeAllCallbacks() override;

    // VLSystemStatusObserver, on the monitor's queue.
    void systemStatusMonitorDidRead(const std::shared_ptr<const VLSystemStatusReading>& reading) override;
    bool systemStatusObserverIsLive() override;

    JSValueRef cpu(JSContextRef ctx);
    JSValueRef memory(JSContextRef ctx);
    JSValueRef network(JSContextRef ctx);
    JSValueRef power(JSContextRef ctx);
    JSValueRef disk(JSContextRef ctx);
    JSValueRef thermal(JSContextRef ctx);
    JSValueRef temperature(JSContextRef ctx);
    JSValueRef bootTime(JSContextRef ctx);

    static void describe(VLJSClassBuilder<VLSystemStatusJSBinding>& b) {
        b.getter<"cpu", &VLSystemStatusJSBinding::cpu>();
        b.getter<"memory", &VLSystemStatusJSBinding::memory>();
        b.getter<"network", &VLSystemStatusJSBinding::network>();
        b.getter<"power", &VLSystemStatusJSBinding::power>();
        b.getter<"disk", &VLSystemStatusJSBinding::disk>();
        b.getter<"thermal", &VLSystemStatusJSBinding::thermal>();
        b.getter<"temperature", &VLSystemStatusJSBinding::temperature>();
        b.getter<"bootTime", &VLSystemStatusJSBinding::bootTime>();
        b.eventHandlerWithOff<"change">();
        b.eventHandlerWithOff<"powerchange">();
        b.eventHandlerWithOff<"thermalchange">();
        b.eventHandlerWithOff<"networkchange">();
        b.eventHandlerWithOff<"memorypressurechange">();
        b.eventHandlerWithOff<"resume">();
    }

private:
    enum Section { CPU, Memory, Network, Power, Disk, SectionCount };
    // Why scripts could not see readings: the larger reason wins.
    enum GapReason { Paused = 0, DisplaySleep = 1, SystemSleep = 2 };

    // Set-up.
    void observeNotifications();

    // Gaps and "resume".
    void beginGap(double at, GapReason reason);
    void endGap(double at);
    void runtimeDidSuspend(bool suspended, bool displaysAsleep, double at);
    void systemDidSleep(bool asleep, double at);

    // Observing the monitor.
    bool wantsToObserve() const;
    void updateObserving();
    void stopObservingIfUnwanted();
    void clearTurnReading();

    // Delivery, on the JavaScript thread.
    void deliverPending();
    void deliver(const std::shared_ptr<const VLSystemStatusReading>& reading);

    // What the properties show.
    std::shared_ptr<const VLSystemStatusReading> currentReading();
    JSValueRef section(JSContextRef ctx, Section section);
    JSObjectRef buildSection(JSContextRef ctx, Section section, const VLSystemStatusReading& reading);
    // Gives a null-prototype object the ordinary prototype, then freezes it.
    JSObjectRef finished(JSContextRef ctx, JSObjectRef object);
    JSObjectRef frozen(JSContextRef ctx, JSObjectRef object);
    void releaseObjects();
    // A block that calls the method on this binding, unless it is gone, on whichever thread runs it.
    std::function<void()> weakly(void (VLSystemStatusJSBinding::*method)());
    // After the current turn, on the JavaScript thread.
    void performLater(void (VLSystemStatusJSBinding::*method)());

    std::shared_ptr<const VLSystemStatusReading> _reading;
    bool _turnReading = false;
    std::array<JSObjectRef, SectionCount> _objects{}; // protected while held
    uint64_t _objectsGeneration = 0;
    JSObjectRef _freeze = nullptr; // protected

    bool _observing = false, _listening = false, _settingCallback = false, _stopScheduled = false;
    bool _terminated = false, _collected = false;

    double _gapStart = 0; // milliseconds since 1970; 0 while no gap is open
    GapReason _gapReason = Paused;
    bool _runtimeSuspended = false, _systemAsleep = false;

    std::vector<std::shared_ptr<VLNotificationCenter::Observer>> _observers;
    std::shared_ptr<VLNotificationCenter::Observer> _terminationObserver;

    VLUnfairLock _pendingLock; // guards _pending; any thread
    std::shared_ptr<const VLSystemStatusReading> _pending;
    std::atomic<bool> _deliveryScheduled{false};
    // The runtime exists, is not suspended and has not ended: what the monitor asks on its queue.
    std::atomic<bool> _live{false};

    // Set once in didCreateJSObject(), before the monitor is observed; then read on its queue too.
    std::weak_ptr<VLRuntime> _observedRuntime;
    std::weak_ptr<VLRunLoopThread> _thread;
    std::shared_ptr<VLSystemStatusMonitor> _monitor;
    JSGlobalContextRef _globalContext = nullptr; // compared, never used
};
