#pragma once

#include "Core/Engine/JS/VLJSEngineObserver.h"

#include <JavaScriptCore/JavaScript.h>

#include <array>
#include <cstddef>
#include <memory>

class VLJSBindingContext;
class VLJSFunctionInvoker;
class VLTimerCollection;

// The timers that the Utils object makes for scripts (setTimeout, setInterval and their clearing) and
// for the prelude (one-shot timers with identifiers of their own). Each keeps its callback and extra
// arguments protected until it ends. Follows its own engine only: throttled to one batch of timer work
// a second while the engine is suspended, ended when the engine's scripts terminate.
//
// JavaScript thread, except stop(), which comes wherever the Utils object is collected.
class VLScriptTimers final : public VLJSEngineObserver, public std::enable_shared_from_this<VLScriptTimers> {
public:
    // The throttle of the timers while suspended.
    static constexpr double kSuspendedTimerThrottleInterval = 1.0;
    // Whose identifiers a timer takes: the script's, or the prelude's own.
    enum class Owner { Script, Prelude };

    // Observes the binding context's engine from now on; calls go through the invoker.
    static std::shared_ptr<VLScriptTimers> create(const std::shared_ptr<VLJSBindingContext>& bindingContext,
                                                  std::shared_ptr<VLJSFunctionInvoker> invoker);
    ~VLScriptTimers() override;
    VLScriptTimers(const VLScriptTimers&) = delete;
    VLScriptTimers& operator=(const VLScriptTimers&) = delete;

    // setTimeout (repeats false) and setInterval (true): the identifier as a number; null without a
    // callback object. A delay whose conversion throws leaves the exception and schedules nothing.
    JSValueRef schedule(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception,
                        bool repeats, Owner owner);
    // clearTimeout and clearInterval: a number argument only, truncated.
    void cancel(JSContextRef ctx, size_t argc, const JSValueRef argv[]);
    // Cancels every timer and lets go of what the timers run through.
    void stop();

    // 0, or kSuspendedTimerThrottleInterval while suspended.
    double throttleInterval() const { return _throttleInterval; }

    void jsEngineSuspendedDidChange(bool suspended) override;
    void jsEngineWillTerminate() override;

private:
    struct ScheduledCall;

    VLScriptTimers(const std::shared_ptr<VLJSBindingContext>& bindingContext,
                   std::shared_ptr<VLJSFunctionInvoker> invoker);
    void start(const std::shared_ptr<VLJSBindingContext>& bindingContext);
    void fire(const ScheduledCall& call);
    void release(const ScheduledCall& call);
    // Made on first use; null without a JavaScript thread.
    VLTimerCollection* timerCollection(Owner owner);
    // Both collections, those not made yet as null.
    std::array<VLTimerCollection*, 2> timerCollections() const;
    void setThrottleInterval(double seconds);

    std::weak_ptr<VLJSBindingContext> _bindingContext;
    const std::shared_ptr<VLJSFunctionInvoker> _invoker;
    std::shared_ptr<VLTimerCollection> _scriptTimers;
    std::shared_ptr<VLTimerCollection> _preludeTimers;
    double _throttleInterval = 0;
    // Function.prototype.call as it was when the timers were made: callbacks run through it, so that
    // they get undefined as `this`. Protected until stop().
    JSObjectRef _callFunction = nullptr;
};
