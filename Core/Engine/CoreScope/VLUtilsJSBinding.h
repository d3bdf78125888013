#pragma once

#include "Core/Engine/Binding/VLJSBinding.h"
#include "Core/Engine/Binding/VLJSExportSingleton.h"
#include "Platform/Foundation/VLNotificationCenter.h"

#include <JavaScriptCore/JavaScript.h>

#include <array>
#include <memory>

class VLJSEngine;
class VLRuntime;
class VLTimerCollection;

// VeltoCore.Utils: what the core prelude builds the global Velto object and the web-like globals on.
// Script timers, construction with an argument array, random bytes, Base64, the preferred languages
// and processor count, and the reporting of exceptions and unhandled rejections. One per binding
// context.
//
// JavaScript thread, except the first half of the suspension observer, which runs on the thread that
// posts the notification (the main thread) and only reads the runtime there.
class VLUtilsJSBinding final : public VLJSBinding<VLUtilsJSBinding>, public VLJSExportSingleton {
public:
    // The throttle of the timers while the runtime is suspended: one batch of timer work a second.
    static constexpr double kSuspendedTimerThrottleInterval = 1.0;

    VLUtilsJSBinding() = default;
    ~VLUtilsJSBinding() override;

    void didCreateJSObject(JSObjectRef object,
                           const std::shared_ptr<VLJSBindingContext>& bindingContext) override;
    void willCollectGarbage() override;

    JSValueRef applyNew(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef tracksUnhandledRejections(JSContextRef ctx);
    JSValueRef reportUnhandledRejection(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                        JSValueRef* exception);
    JSValueRef reportException(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef getRandomValues(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef preferredLanguages(JSContextRef ctx);
    JSValueRef processorCount(JSContextRef ctx);
    JSValueRef setTimeout(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef setInterval(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef clearTimeout(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef clearInterval(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    // A one-shot timer of the prelude's own (its rejection check), as setTimeout makes one, but with
    // identifiers of its own: no script's clearTimeout reaches it, and it never takes a script's
    // identifier.
    JSValueRef setInternalTimeout(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                  JSValueRef* exception);
    JSValueRef base64Encode(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef base64Decode(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);

    static void describe(VLJSClassBuilder<VLUtilsJSBinding>& b);

    // The throttle that the timers get: 0, or kSuspendedTimerThrottleInterval while suspended.
    double timerThrottleInterval() const { return _timerThrottleInterval; }

private:
    struct ScheduledCall;
    // Whose identifiers a timer takes: the script's, or the prelude's own.
    enum class TimerOwner { Script, Prelude };

    // Null without a binding context or once the engine is gone.
    std::shared_ptr<VLJSEngine> engine() const;

    JSValueRef scheduleTimer(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception,
                             bool repeats, TimerOwner owner);
    void cancelTimer(JSContextRef ctx, size_t argc, const JSValueRef argv[]);
    void fire(const ScheduledCall& call);
    void release(const ScheduledCall& call);
    // Made on first use, on the binding context's thread; null without one.
    VLTimerCollection* timerCollection(TimerOwner owner);
    // Both collections, those not made yet as null.
    std::array<VLTimerCollection*, 2> timerCollections() const;
    void observeTermination(const std::shared_ptr<VLJSBindingContext>& bindingContext);
    void observeSuspension(const std::shared_ptr<VLJSBindingContext>& bindingContext);
    void applyRuntimeSuspension(const std::shared_ptr<VLJSBindingContext>& bindingContext);
    static double timerThrottleIntervalOf(const VLRuntime& runtime);
    void setTimerThrottleInterval(double seconds);

    std::shared_ptr<VLTimerCollection> _timerCollection;
    std::shared_ptr<VLTimerCollection> _internalTimerCollection;
    std::shared_ptr<VLNotificationCenter::Observer> _terminationObserver;
    std::shared_ptr<VLNotificationCenter::Observer> _suspensionObserver;
    double _timerThrottleInterval = 0;
    // Function.prototype.call as it was when the object was made: timer callbacks run through it, so
    // that they get undefined as `this`. Protected while the binding context is bound.
    JSObjectRef _callFunction = nullptr;
};
