#include "Modules/System/VLSystemAudioJSBinding.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Engine/JS/VLJSException.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Runtime/VLRuntime.h"
#include "Core/Runtime/VLRuntimeJSBindingContext.h"
#include "Modules/System/VLSystemAudioReading.h"
#include "Modules/System/VLSystemJSObjects.h"
#include "Platform/Foundation/VLClock.h"
#include "Platform/Foundation/VLStringWithFormat.h"
#include "Supports/SystemAudio/VLSystemAudioMonitor.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr std::string_view kActiveChange = "activechange";

std::shared_ptr<VLRuntime> systemAudioRuntimeOf(const std::shared_ptr<VLJSBindingContext>& bindingContext) {
    auto runtimeContext = std::dynamic_pointer_cast<VLRuntimeJSBindingContext>(bindingContext);
    return runtimeContext ? runtimeContext->runtime() : nullptr;
}

} // namespace

void VLSystemAudioJSBinding::validateConstructionWithContext(
    JSContextRef ctx, const std::shared_ptr<VLJSBindingContext>& bindingContext, size_t, const JSValueRef[],
    JSValueRef* exception) {
    std::shared_ptr<VLRuntime> runtime = systemAudioRuntimeOf(bindingContext);
    if (!runtime || !runtime->allowsSystemAudio())
        VLJSThrowException(ctx, exception,
                           VLStringWithFormat("This content can't hear what the Mac plays: it needs the "
                                              "\"system-audio\" permission, without \"network\""));
}

VLSystemAudioJSBinding::~VLSystemAudioJSBinding() = default;

// Set-up and teardown

void VLSystemAudioJSBinding::didCreateJSObject(JSObjectRef object,
                                               const std::shared_ptr<VLJSBindingContext>& bindingContext) {
    Super::didCreateJSObject(object, bindingContext);
    _observedRuntime = systemAudioRuntimeOf(bindingContext);
    _thread = bindingContext ? bindingContext->thread() : nullptr;
    _monitor = VLSystemAudioMonitor::sharedInstance();
    _globalContext = bindingContext ? bindingContext->globalCtx() : nullptr;
    if (_globalContext)
        VLPublishInVelto(_globalContext, "systemAudio", jsObject());
    observeNotifications();
}

void VLSystemAudioJSBinding::observeNotifications() {
    VLNotificationCenter& center = VLNotificationCenter::defaultCenter();
    std::weak_ptr<VLJSBindingBase> weakSelf = weak_from_this();
    if (std::shared_ptr<VLRuntime> runtime = _observedRuntime.lock()) {
        // Posted on the main thread; the binding looks again on its own.
        _observers.push_back(
            center.addObserver(VLRuntimeSuspendedDidChangeNotification, runtime.get(),
                               [weakSelf, weakThread = _thread](const VLNotification&) {
                                   VLExecuteOnThread(weakThread.lock(), [weakSelf] {
                                       if (std::shared_ptr<VLJSBindingBase> self = weakSelf.lock())
                                           static_cast<VLSystemAudioJSBinding&>(*self).updateObserving();
                                   });
                               }));
    }
    // Posted on the JavaScript thread of the runtime that ends, which is this binding's when the global
    // context is its own.
    _observers.push_back(center.addObserver(
        VLRuntimeWillTerminateNotification, nullptr,
        [weakSelf, globalContext = _globalContext](const VLNotification& notification) {
            const auto* context = notification.userInfoValue<JSGlobalContextRef>(VLRuntimeGlobalContextKey);
            if (!context || *context != globalContext)
                return;
            if (std::shared_ptr<VLJSBindingBase> self = weakSelf.lock()) {
                auto& binding = static_cast<VLSystemAudioJSBinding&>(*self);
                binding._terminated = true;
                binding.updateObserving();
            }
        }));
}

void VLSystemAudioJSBinding::willCollectGarbage() {
    _collected = true;
    Super::willCollectGarbage();
    if (std::exchange(_observing, false))
        _monitor->removeObserver(sharedFromThis());
}

// Handlers and listeners

void VLSystemAudioJSBinding::addListenerForType(std::string_view type, JSContextRef ctx, JSValueRef listener,
                                                JSValueRef* exception) {
    Super::addListenerForType(type, ctx, listener, exception);
    updateObserving();
}

void VLSystemAudioJSBinding::removeListenerForType(std::string_view type, JSContextRef ctx,
                                                   JSObjectRef listener) {
    Super::removeListenerForType(type, ctx, listener);
    updateObserving();
}

void VLSystemAudioJSBinding::setCallbackForType(std::string_view type, JSContextRef ctx, JSValueRef callback,
                                                JSValueRef* exception) {
    // Replacing a handler removes the old one first: the monitor is not let go of in between.
    _settingCallback = true;
    Super::setCallbackForType(type, ctx, callback, exception);
    _settingCallback = false;
    updateObserving();
}

void VLSystemAudioJSBinding::removeCallbackForType(std::string_view type, JSContextRef ctx) {
    Super::removeCallbackForType(type, ctx);
    updateObserving();
}

void VLSystemAudioJSBinding::removeAllListeners() {
    Super::removeAllListeners();
    updateObserving();
}

void VLSystemAudioJSBinding::removeAllCallbacks() {
    Super::removeAllCallbacks();
    updateObserving();
}

// Observing the monitor

bool VLSystemAudioJSBinding::wantsToObserve() const {
    std::shared_ptr<VLRuntime> runtime = _observedRuntime.lock();
    return runtime && _listening && !_terminated && !_collected && !runtime->simulatesSystemAudio() &&
           !runtime->isSuspended();
}

void VLSystemAudioJSBinding::updateObserving() {
    if (_settingCallback || _collected || !_monitor)
        return;
    const bool listening = hasHandlersForType(kActiveChange);
    if (listening && !_listening && !_observing)
        _lastActive = _monitor->isActive();
    _listening = listening;
    const bool wanted = wantsToObserve();
    if (wanted && !_observing) {
        _observing = true;
        std::shared_ptr<VLRuntime> runtime = _observedRuntime.lock();
        _monitor->addObserver(sharedFromThis(), runtime && runtime->asksForSystemAudio());
    } else if (!wanted && _observing) {
        if (_terminated || !hasBindingContext()) {
            _observing = false;
            _monitor->removeObserver(sharedFromThis());
        } else if (!std::exchange(_stopScheduled, true)) {
            // A handler removed and added again within the turn keeps the monitor observed.
            if (std::shared_ptr<VLRunLoopThread> thread = _thread.lock())
                thread->post([weakSelf = weak_from_this()] {
                    if (std::shared_ptr<VLJSBindingBase> self = weakSelf.lock())
                        static_cast<VLSystemAudioJSBinding&>(*self).stopObservingIfUnwanted();
                });
        }
    }
}

void VLSystemAudioJSBinding::stopObservingIfUnwanted() {
    _stopScheduled = false;
    if (_observing && !wantsToObserve()) {
        _observing = false;
        _monitor->removeObserver(sharedFromThis());
    }
}

bool VLSystemAudioJSBinding::systemAudioObserverIsLive() {
    std::shared_ptr<VLRuntime> runtime = _observedRuntime.lock();
    return runtime && !runtime->isTerminated();
}

void VLSystemAudioJSBinding::systemAudioMonitorActiveDidChange(bool active) {
    VLExecuteOnThread(_thread.lock(), [weakSelf = weak_from_this(), active] {
        if (std::shared_ptr<VLJSBindingBase> self = weakSelf.lock())
            static_cast<VLSystemAudioJSBinding&>(*self).deliverActive(active);
    });
}

void VLSystemAudioJSBinding::deliverActive(bool active) {
    std::shared_ptr<VLJSBindingContext> context = bindingContext();
    if (!context || !context->globalCtx() || _terminated || !_observing || active == _lastActive)
        return;
    _lastActive = active;
    triggerEvent(kActiveChange);
}

// Readings

bool VLSystemAudioJSBinding::isDetailed() const {
    std::shared_ptr<VLRuntime> runtime = _observedRuntime.lock();
    return runtime && runtime->allowsDetailedSystemAudio();
}

bool VLSystemAudioJSBinding::isSimulated() const {
    std::shared_ptr<VLRuntime> runtime = _observedRuntime.lock();
    return runtime && runtime->simulatesSystemAudio();
}

VLSystemAudioSnapshot VLSystemAudioJSBinding::currentSnapshot() {
    VLSystemAudioSnapshot snapshot;
    std::shared_ptr<VLRuntime> runtime = _observedRuntime.lock();
    if (!runtime)
        return snapshot;
    const double now = VLClock::shared()->seconds();
    const bool simulated = runtime->simulatesSystemAudio();
    if (!simulated && !runtime->isSuspended())
        _monitor->noteReadMayAsk(runtime->asksForSystemAudio());
    if (!_reading)
        _reading = VLSystemAudioReading::readingOfRuntime(*runtime);
    auto fresh = [&](VLSystemAudioSnapshot& target) {
        if (simulated)
            VLSystemAudioSyntheticSnapshot(now - _reading->startTime(), target);
        else
            _monitor->readSnapshot(target);
    };
    if (runtime->allowsDetailedSystemAudio()) {
        fresh(snapshot);
        return snapshot;
    }
    if (!simulated && _monitor->readRestrictedSnapshot(snapshot))
        return snapshot;
    return _reading->snapshot(now, fresh);
}

// Properties

JSValueRef VLSystemAudioJSBinding::supported(JSContextRef ctx) {
    return JSValueMakeBoolean(ctx, isSimulated() || VLSystemAudioMonitor::isSupported());
}

JSValueRef VLSystemAudioJSBinding::active(JSContextRef ctx) {
    std::shared_ptr<VLRuntime> runtime = _observedRuntime.lock();
    if (!runtime || runtime->simulatesSystemAudio())
        return JSValueMakeBoolean(ctx, bool(runtime));
    if (!runtime->isSuspended())
        _monitor->noteReadMayAsk(runtime->asksForSystemAudio());
    return JSValueMakeBoolean(ctx, _listening || _observing ? _lastActive : _monitor->isActive());
}

JSValueRef VLSystemAudioJSBinding::level(JSContextRef ctx) {
    const double level = VLSystemAudioNormalizedLevel(currentSnapshot().level);
    return JSValueMakeNumber(ctx, isDetailed() ? level : VLSystemAudioQuantized(level));
}

JSValueRef VLSystemAudioJSBinding::bandCount(JSContextRef ctx) {
    return JSValueMakeNumber(ctx, double(_bandCount));
}

void VLSystemAudioJSBinding::setBandCount(JSContextRef ctx, JSValueRef value) {
    if (!JSValueIsNumber(ctx, value))
        return;
    const double number = JSValueToNumber(ctx, value, nullptr);
    if (std::isnan(number))
        return;
    // Clamped while still a double, so that infinities and huge values convert safely.
    const double maximum =
        isDetailed() ? double(VLSystemAudioMaximumBandCount) : double(VLSystemAudioRestrictedBandCount);
    _bandCount = int64_t(std::clamp(std::floor(number), 1.0, maximum));
}

JSValueRef VLSystemAudioJSBinding::maxBandCount(JSContextRef ctx) {
    return JSValueMakeNumber(
        ctx, double(isDetailed() ? VLSystemAudioMaximumBandCount : VLSystemAudioRestrictedBandCount));
}

JSValueRef VLSystemAudioJSBinding::getBands(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                            JSValueRef* exception) {
    if (argc < 1 || JSValueGetTypedArrayType(ctx, argv[0], nullptr) != kJSTypedArrayTypeFloat32Array) {
        VLJSThrowException(ctx, exception,
                           VLStringWithFormat("TypeError: getBands: the argument must be a Float32Array"));
        return nullptr;
    }
    const bool detailed = isDetailed();
    const int n = int(std::min<int64_t>(
        _bandCount, int64_t(detailed ? VLSystemAudioMaximumBandCount : VLSystemAudioRestrictedBandCount)));
    size_t byteLength = 0;
    void* bytes = VLJSValueGetTypedArrayPtr(ctx, argv[0], &byteLength);
    const int count = int(std::min<size_t>(byteLength / sizeof(float), size_t(n)));
    if (!bytes || count == 0)
        return nullptr;
    float bands[VLSystemAudioMaximumBandCount];
    VLSystemAudioMergeBands(currentSnapshot(), bands, n, !detailed);
    std::memcpy(bytes, bands, size_t(count) * sizeof(float));
    return nullptr;
}
