#include "Modules/System/VLSystemStatusJSBinding.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Engine/JS/VLJSException.h"
#include "Core/Engine/JS/VLJSString.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Runtime/VLRuntime.h"
#include "Core/Runtime/VLRuntimeJSBindingContext.h"
#include "Modules/System/VLSystemJSObjects.h"
#include "Platform/Foundation/VLStringWithFormat.h"
#include "Supports/SystemStatus/VLSystemStatusMonitor.h"
#include "Supports/SystemStatus/VLSystemStatusReading.h"

#include <algorithm>
#include <string_view>

namespace {

// The events that need readings; "resume" does not.
constexpr std::string_view kReadingEvents[] = {"change", "powerchange", "thermalchange", "networkchange",
                                               "memorypressurechange"};
// The host's suspension reason while the displays sleep.
constexpr int64_t kDisplaysAsleep = 1;

void setNumber(JSContextRef ctx, JSObjectRef object, const char* name, double number) {
    VLSetValue(ctx, object, name, JSValueMakeNumber(ctx, number));
}

void setBoolean(JSContextRef ctx, JSObjectRef object, const char* name, bool value) {
    VLSetValue(ctx, object, name, JSValueMakeBoolean(ctx, value));
}

} // namespace

void VLSystemStatusJSBinding::validateConstructionWithContext(
    JSContextRef ctx, const std::shared_ptr<VLJSBindingContext>& bindingContext, size_t, const JSValueRef[],
    JSValueRef* exception) {
    std::shared_ptr<VLRuntime> runtime = VLRuntimeOfBindingContext(bindingContext);
    if (!runtime || !runtime->allowsSystemInformation())
        VLJSThrowException(ctx, exception,
                           VLStringWithFormat("Velto.systemStatus needs the \"system-info\" permission in "
                                              "manifest.json, and the user's consent"));
}

VLSystemStatusJSBinding::~VLSystemStatusJSBinding() = default;

bool VLSystemStatusJSBinding::initWithContext(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                              JSValueRef*) {
    if (argc > 0 && JSValueIsObject(ctx, argv[0]) &&
        JSObjectIsFunction(ctx, JSValueToObject(ctx, argv[0], nullptr)))
        _freeze = JSValueToObject(ctx, argv[0], nullptr);
    else if (JSValueRef object = VLGetJSObjectProperty(ctx, JSContextGetGlobalObject(ctx), "Object");
             object && JSValueIsObject(ctx, object))
        _freeze = VLJSFunctionFromProperty(ctx, JSValueToObject(ctx, object, nullptr), "freeze");
    VLJSValueProtect(ctx, _freeze);
    return true;
}

// Set-up and teardown

void VLSystemStatusJSBinding::didCreateJSObject(JSObjectRef object,
                                                const std::shared_ptr<VLJSBindingContext>& bindingContext) {
    Super::didCreateJSObject(object, bindingContext);
    std::shared_ptr<VLRuntime> runtime = VLRuntimeOfBindingContext(bindingContext);
    _observedRuntime = runtime;
    _thread = bindingContext ? bindingContext->thread() : nullptr;
    _monitor = VLSystemStatusMonitor::sharedInstance();
    _globalContext = bindingContext ? bindingContext->globalCtx() : nullptr;
    if (_globalContext)
        VLPublishInVelto(_globalContext, "systemStatus", jsObject());
    if (runtime && runtime->isSuspended()) {
        _runtimeSuspended = true;
        beginGap(VLNowMilliseconds(), runtime->suspensionReason() == kDisplaysAsleep ? DisplaySleep : Paused);
    }
    _live = runtime && !runtime->isTerminated() && !runtime->isSuspended();
    observeNotifications();
    if (_monitor->isSystemAsleep()) {
        _systemAsleep = true;
        beginGap(VLNowMilliseconds(), SystemSleep);
    }
}

std::function<void()> VLSystemStatusJSBinding::weakly(void (VLSystemStatusJSBinding::*method)()) {
    // Locked where the block runs, so that no other thread holds the binding last.
    return [weakSelf = weak_from_this(), method] {
        if (std::shared_ptr<VLJSBindingBase> self = weakSelf.lock())
            (static_cast<VLSystemStatusJSBinding&>(*self).*method)();
    };
}

void VLSystemStatusJSBinding::performLater(void (VLSystemStatusJSBinding::*method)()) {
    if (std::shared_ptr<VLRunLoopThread> thread = _thread.lock())
        thread->post(weakly(method));
}

void VLSystemStatusJSBinding::observeNotifications() {
    VLNotificationCenter& center = VLNotificationCenter::defaultCenter();
    std::weak_ptr<VLJSBindingBase> weakSelf = weak_from_this();
    std::weak_ptr<VLRunLoopThread> weakThread = _thread;
    // Both arrive on the posting thread (main): the facts are taken there and at once, then carried over.
    if (std::shared_ptr<VLRuntime> runtime = _observedRuntime.lock()) {
        _observers.push_back(center.addObserver(
            VLRuntimeSuspendedDidChangeNotification, runtime.get(),
            [weakSelf, weakThread, weakRuntime = _observedRuntime](const VLNotification&) {
                std::shared_ptr<VLRuntime> runtime = weakRuntime.lock();
                if (!runtime)
                    return;
                const bool suspended = runtime->isSuspended();
                const bool displaysAsleep = runtime->suspensionReason() == kDisplaysAsleep;
                const double at = VLNowMilliseconds();
                VLExecuteOnThread(weakThread.lock(), [weakSelf, suspended, displaysAsleep, at] {
                    if (std::shared_ptr<VLJSBindingBase> self = weakSelf.lock())
                        static_cast<VLSystemStatusJSBinding&>(*self).runtimeDidSuspend(suspended,
                                                                                       displaysAsleep, at);
                });
            }));
    }
    _observers.push_back(center.addObserver(
        VLSystemStatusSystemSleepDidChangeNotification, _monitor.get(),
        [weakSelf, weakThread, weakMonitor = std::weak_ptr(_monitor)](const VLNotification&) {
            std::shared_ptr<VLSystemStatusMonitor> monitor = weakMonitor.lock();
            if (!monitor)
                return;
            const bool asleep = monitor->isSystemAsleep();
            const double at = VLNowMilliseconds();
            VLExecuteOnThread(weakThread.lock(), [weakSelf, asleep, at] {
                if (std::shared_ptr<VLJSBindingBase> self = weakSelf.lock())
                    static_cast<VLSystemStatusJSBinding&>(*self).systemDidSleep(asleep, at);
            });
        }));
    // Posted on the JavaScript thread of the runtime that ends, which is this binding's when the global
    // context is its own.
    _terminationObserver =
        center.addObserver(VLRuntimeWillTerminateNotification, nullptr,
                           [weakSelf, globalContext = _globalContext](const VLNotification& notification) {
                               const auto* context =
                                   notification.userInfoValue<JSGlobalContextRef>(VLRuntimeGlobalContextKey);
                               if (!context || *context != globalContext)
                                   return;
                               if (std::shared_ptr<VLJSBindingBase> self = weakSelf.lock()) {
                                   auto& binding = static_cast<VLSystemStatusJSBinding&>(*self);
                                   binding._terminated = true;
                                   binding._live = false;
                                   binding.updateObserving();
                               }
                           });
}

void VLSystemStatusJSBinding::willCollectGarbage() {
    _collected = true;
    Super::willCollectGarbage();
    releaseObjects();
    if (std::shared_ptr<VLJSBindingContext> context = bindingContext(); context && context->globalCtx())
        VLJSValueUnprotect(context->globalCtx(), _freeze);
    _freeze = nullptr;
    if (std::exchange(_observing, false))
        _monitor->removeObserver(sharedFromThis());
}

// Handlers and listeners

void VLSystemStatusJSBinding::addListenerForType(std::string_view type, JSContextRef ctx, JSValueRef listener,
                                                 JSValueRef* exception) {
    Super::addListenerForType(type, ctx, listener, exception);
    updateObserving();
}

void VLSystemStatusJSBinding::removeListenerForType(std::string_view type, JSContextRef ctx,
                                                    JSObjectRef listener) {
    Super::removeListenerForType(type, ctx, listener);
    updateObserving();
}

void VLSystemStatusJSBinding::setCallbackForType(std::string_view type, JSContextRef ctx, JSValueRef callback,
                                                 JSValueRef* exception) {
    // Replacing a handler removes the old one first: the monitor is not let go of in between.
    _settingCallback = true;
    Super::setCallbackForType(type, ctx, callback, exception);
    _settingCallback = false;
    updateObserving();
}

void VLSystemStatusJSBinding::removeCallbackForType(std::string_view type, JSContextRef ctx) {
    Super::removeCallbackForType(type, ctx);
    updateObserving();
}

void VLSystemStatusJSBinding::removeAllListeners() {
    Super::removeAllListeners();
    updateObserving();
}

void VLSystemStatusJSBinding::removeAllCallbacks() {
    Super::removeAllCallbacks();
    updateObserving();
}

// Observing the monitor

bool VLSystemStatusJSBinding::wantsToObserve() const {
    return !_observedRuntime.expired() && _listening && !_terminated && !_collected && !_runtimeSuspended &&
           !_systemAsleep;
}

void VLSystemStatusJSBinding::updateObserving() {
    if (_settingCallback || _collected)
        return;
    _listening = std::any_of(std::begin(kReadingEvents), std::end(kReadingEvents),
                             [this](std::string_view type) { return hasHandlersForType(type); });
    const bool wanted = wantsToObserve();
    if (wanted && !_observing) {
        _observing = true;
        _turnReading = false;
        _monitor->addObserver(sharedFromThis());
    } else if (!wanted && _observing) {
        if (_terminated || !hasBindingContext()) {
            _observing = false;
            _monitor->removeObserver(sharedFromThis());
        } else if (!std::exchange(_stopScheduled, true)) {
            // A handler removed and added again within the turn keeps the monitor observed.
            performLater(&VLSystemStatusJSBinding::stopObservingIfUnwanted);
        }
    }
}

void VLSystemStatusJSBinding::stopObservingIfUnwanted() {
    _stopScheduled = false;
    if (_observing && !wantsToObserve()) {
        _observing = false;
        _monitor->removeObserver(sharedFromThis());
    }
}

bool VLSystemStatusJSBinding::systemStatusObserverIsLive() {
    return _live.load();
}

// Delivery

void VLSystemStatusJSBinding::systemStatusMonitorDidRead(
    const std::shared_ptr<const VLSystemStatusReading>& reading) {
    _pendingLock.lockUsingBlock([&] { _pending = reading; });
    if (_deliveryScheduled.exchange(true))
        return;
    if (std::shared_ptr<VLRunLoopThread> thread = _thread.lock())
        thread->post(weakly(&VLSystemStatusJSBinding::deliverPending));
}

void VLSystemStatusJSBinding::deliverPending() {
    _deliveryScheduled = false;
    std::shared_ptr<const VLSystemStatusReading> reading =
        _pendingLock.lockUsingBlock([&] { return std::exchange(_pending, nullptr); });
    if (reading)
        deliver(reading);
}

void VLSystemStatusJSBinding::deliver(const std::shared_ptr<const VLSystemStatusReading>& reading) {
    std::shared_ptr<VLJSBindingContext> context = bindingContext();
    if (!context || !context->globalCtx() || _terminated || !_observing || !wantsToObserve())
        return;
    if (_reading && reading->generation <= _reading->generation)
        return;
    std::shared_ptr<const VLSystemStatusReading> previous = std::exchange(_reading, reading);
    triggerEvent("change");
    // A "change" handler may have brought another reading in.
    if (!previous || _reading != reading)
        return;
    const VLSystemStatusReading &now = *reading, &before = *previous;
    if (now.powerSource != before.powerSource || now.hasBattery != before.hasBattery ||
        now.batteryCharging != before.batteryCharging || now.batteryFull != before.batteryFull ||
        now.lowPowerMode != before.lowPowerMode)
        triggerEvent("powerchange");
    if (now.thermal != before.thermal)
        triggerEvent("thermalchange");
    if (now.online != before.online || now.networkInterface != before.networkInterface ||
        now.expensive != before.expensive)
        triggerEvent("networkchange");
    if (now.memoryPressure != before.memoryPressure)
        triggerEvent("memorypressurechange");
}

// Gaps

void VLSystemStatusJSBinding::beginGap(double at, GapReason reason) {
    if (_gapStart == 0) {
        _gapStart = at;
        _gapReason = reason;
    } else {
        _gapReason = std::max(_gapReason, reason);
    }
}

void VLSystemStatusJSBinding::runtimeDidSuspend(bool suspended, bool displaysAsleep, double at) {
    if (_terminated)
        return;
    _runtimeSuspended = suspended;
    _live = !suspended && !_terminated;
    if (suspended)
        beginGap(at, displaysAsleep ? DisplaySleep : Paused);
    updateObserving();
    endGap(at);
}

void VLSystemStatusJSBinding::systemDidSleep(bool asleep, double at) {
    if (_terminated)
        return;
    _systemAsleep = asleep;
    if (asleep)
        beginGap(at, SystemSleep);
    updateObserving();
    endGap(at);
}

void VLSystemStatusJSBinding::endGap(double at) {
    if (_gapStart == 0 || _runtimeSuspended || _systemAsleep)
        return;
    const char* reason = _gapReason == SystemSleep    ? "sleep"
                         : _gapReason == DisplaySleep ? "displaysleep"
                                                      : "paused";
    const double start = std::exchange(_gapStart, 0);
    std::shared_ptr<VLJSBindingContext> context = bindingContext();
    JSGlobalContextRef ctx = context ? context->globalCtx() : nullptr;
    if (!ctx || !hasHandlersForType("resume"))
        return;
    JSObjectRef gap = VLMakeObject(ctx);
    setNumber(ctx, gap, "suspendedAt", start);
    setNumber(ctx, gap, "resumedAt", std::max(start, at));
    VLSetString(ctx, gap, "reason", std::string(reason));
    JSValueRef argument = finished(ctx, gap);
    triggerEvent("resume", 1, &argument);
}

// Properties

std::shared_ptr<const VLSystemStatusReading> VLSystemStatusJSBinding::currentReading() {
    std::shared_ptr<VLRuntime> runtime = _observedRuntime.lock();
    if (_reading && (_observing || !runtime || _turnReading || runtime->isSuspended()))
        return _reading;
    std::shared_ptr<const VLSystemStatusReading> reading = _monitor->read();
    if (reading && (!_reading || _reading->generation < reading->generation))
        _reading = reading;
    if (!_observing && !_turnReading) {
        // Every read within this turn sees the same reading.
        _turnReading = true;
        performLater(&VLSystemStatusJSBinding::clearTurnReading);
    }
    return _reading;
}

void VLSystemStatusJSBinding::clearTurnReading() {
    _turnReading = false;
}

JSObjectRef VLSystemStatusJSBinding::finished(JSContextRef ctx, JSObjectRef object) {
    VLFinishObject(ctx, object);
    return frozen(ctx, object);
}

JSObjectRef VLSystemStatusJSBinding::frozen(JSContextRef ctx, JSObjectRef object) {
    if (_freeze) {
        JSValueRef argument = object;
        JSObjectCallAsFunction(ctx, _freeze, nullptr, 1, &argument, nullptr);
    }
    return object;
}

void VLSystemStatusJSBinding::releaseObjects() {
    std::shared_ptr<VLJSBindingContext> context = bindingContext();
    JSGlobalContextRef ctx = context ? context->globalCtx() : nullptr;
    for (JSObjectRef& object : _objects) {
        if (object && ctx)
            VLJSValueUnprotect(ctx, object);
        object = nullptr;
    }
}

JSValueRef VLSystemStatusJSBinding::section(JSContextRef ctx, Section which) {
    std::shared_ptr<const VLSystemStatusReading> reading = currentReading();
    if (!reading)
        return JSValueMakeNull(ctx);
    if (reading->generation != _objectsGeneration) {
        releaseObjects();
        _objectsGeneration = reading->generation;
    }
    if (!_objects[which]) {
        _objects[which] = finished(ctx, buildSection(ctx, which, *reading));
        VLJSValueProtect(ctx, _objects[which]);
    }
    return _objects[which];
}

JSObjectRef VLSystemStatusJSBinding::buildSection(JSContextRef ctx, Section which,
                                                  const VLSystemStatusReading& reading) {
    JSObjectRef object = VLMakeObject(ctx);
    switch (which) {
    case CPU: {
        setNumber(ctx, object, "usage", reading.cpuUsage);
        std::vector<JSValueRef> cores;
        for (size_t index = 0; index < reading.coreCount(); ++index) {
            const VLSystemStatusCore core = reading.coreAtIndex(index);
            JSObjectRef entry = VLMakeObject(ctx);
            setNumber(ctx, entry, "usage", core.usage);
            setBoolean(ctx, entry, "efficiency", core.efficiency);
            cores.push_back(finished(ctx, entry));
        }
        JSValueRef exception = nullptr;
        JSObjectRef array = JSObjectMakeArray(ctx, cores.size(), cores.data(), &exception);
        VLSetValue(ctx, object, "cores", array && !exception ? frozen(ctx, array) : JSValueMakeNull(ctx));
        break;
    }
    case Memory:
        setNumber(ctx, object, "total", double(reading.memoryTotal));
        setNumber(ctx, object, "used",
                  double(reading.memoryApp + reading.memoryWired + reading.memoryCompressed));
        setNumber(ctx, object, "app", double(reading.memoryApp));
        setNumber(ctx, object, "wired", double(reading.memoryWired));
        setNumber(ctx, object, "compressed", double(reading.memoryCompressed));
        setNumber(ctx, object, "cached", double(reading.memoryCached));
        setNumber(ctx, object, "swapUsed", double(reading.swapUsed));
        VLSetString(ctx, object, "pressure", reading.memoryPressure);
        setBoolean(ctx, object, "swapping", reading.swapping);
        break;
    case Network:
        setBoolean(ctx, object, "online", reading.online);
        VLSetString(ctx, object, "interface", reading.networkInterface);
        setBoolean(ctx, object, "expensive", reading.expensive);
        setNumber(ctx, object, "receivedPerSecond", reading.receivedPerSecond);
        setNumber(ctx, object, "sentPerSecond", reading.sentPerSecond);
        setNumber(ctx, object, "received", double(reading.received));
        setNumber(ctx, object, "sent", double(reading.sent));
        break;
    case Power: {
        VLSetString(ctx, object, "source", reading.powerSource);
        JSValueRef battery = JSValueMakeNull(ctx);
        if (reading.hasBattery) {
            JSObjectRef entry = VLMakeObject(ctx);
            setNumber(ctx, entry, "level", reading.batteryLevel);
            setBoolean(ctx, entry, "charging", reading.batteryCharging);
            setBoolean(ctx, entry, "full", reading.batteryFull);
            VLSetOptionalNumber(ctx, entry, "timeToEmpty", reading.timeToEmpty);
            VLSetOptionalNumber(ctx, entry, "timeToFull", reading.timeToFull);
            battery = finished(ctx, entry);
        }
        VLSetValue(ctx, object, "battery", battery);
        VLSetOptionalNumber(ctx, object, "adapterWatts", reading.adapterWatts);
        VLSetOptionalNumber(ctx, object, "systemWatts", reading.systemWatts);
        setBoolean(ctx, object, "lowPowerMode", reading.lowPowerMode);
        break;
    }
    case Disk:
        setNumber(ctx, object, "total", double(reading.diskTotal));
        setNumber(ctx, object, "available", double(reading.diskAvailable));
        break;
    case SectionCount:
        break;
    }
    return object;
}

JSValueRef VLSystemStatusJSBinding::cpu(JSContextRef ctx) {
    return section(ctx, CPU);
}

JSValueRef VLSystemStatusJSBinding::memory(JSContextRef ctx) {
    return section(ctx, Memory);
}

JSValueRef VLSystemStatusJSBinding::network(JSContextRef ctx) {
    return section(ctx, Network);
}

JSValueRef VLSystemStatusJSBinding::power(JSContextRef ctx) {
    return section(ctx, Power);
}

JSValueRef VLSystemStatusJSBinding::disk(JSContextRef ctx) {
    return section(ctx, Disk);
}

JSValueRef VLSystemStatusJSBinding::thermal(JSContextRef ctx) {
    std::shared_ptr<const VLSystemStatusReading> reading = currentReading();
    return reading ? VLJSValueFromNSString(ctx, reading->thermal) : JSValueMakeNull(ctx);
}

JSValueRef VLSystemStatusJSBinding::temperature(JSContextRef ctx) {
    std::shared_ptr<const VLSystemStatusReading> reading = currentReading();
    return reading && reading->temperature ? JSValueMakeNumber(ctx, *reading->temperature)
                                           : JSValueMakeNull(ctx);
}

JSValueRef VLSystemStatusJSBinding::bootTime(JSContextRef ctx) {
    std::shared_ptr<const VLSystemStatusReading> reading = currentReading();
    return reading ? JSValueMakeNumber(ctx, reading->bootTime) : JSValueMakeNull(ctx);
}
