#pragma once

#include "Core/Engine/JS/VLJSContext.h"
#include "Core/Engine/JS/VLJSException.h"
#include "Core/Engine/JS/VLJSProtectedValue.h"
#include "Platform/Foundation/VLClock.h"
#include "Platform/Foundation/VLValue.h"

#include <JavaScriptCore/JavaScript.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class VLJSBindingContext;
class VLJSEngine;
class VLJSEngineObserver;
class VLRunLoop;

// Receives what scripts send with postMessage(name, message) under the name it was added with.
class VLJSEngineScriptMessageHandler {
public:
    virtual ~VLJSEngineScriptMessageHandler() = default;
    // On the engine's JavaScript thread; the message is nil when the script sent undefined.
    virtual void jsEngine(VLJSEngine& engine, const VLValue& message) = 0;
};

// One script context together with the thread that runs it. The engine makes the JavaScript thread and
// its run loop, sets the context up there, reports uncaught exceptions and unhandled rejections,
// forwards console output, delivers postMessage calls to script-message handlers, and lets native code
// evaluate scripts and call global functions by name.
//
// Methods may be called from any thread unless they say otherwise. "Posted" work is handed to the
// JavaScript thread and runs in posting order (at once when already there); "waits" means the caller
// waits until it has run. The context, every script value and the handler and function tables belong
// to the JavaScript thread. Never call a waiting method from work that the JavaScript thread waits on.
class VLJSEngine : public std::enable_shared_from_this<VLJSEngine> {
public:
    // Who reports unhandled rejections: JavaScriptCore itself when it offers the callback, or the
    // fallback (the prelude's Promise and reportRejectionOfPromise), which Fallback forces.
    enum class RejectionTracking { Automatic, Fallback };

    using ConsoleHandler = std::function<void(const std::string& level, const std::string& text)>;
    // The call stack is nothing when the error had none.
    using ExceptionHandler =
        std::function<void(const std::string& message, const std::optional<std::string>& callStack)>;
    // On the JavaScript thread; the result is nullptr when the script threw.
    using EvaluationCompletion =
        std::function<void(JSValueRef result, const std::optional<VLJSException>& exception)>;
    // On the JavaScript thread; the result is nullptr when no function was found or it threw.
    using CallCompletion = std::function<void(JSValueRef result)>;

    // Starts the thread and posts the context's set-up, then the injection of the core scope, whose
    // prelude every later script relies on; returns at once.
    static std::shared_ptr<VLJSEngine> create(std::shared_ptr<VLJSBindingContext> coreScope,
                                              RejectionTracking tracking = RejectionTracking::Automatic);
    // Releases every script value on the JavaScript thread, in a turn of its own (never inside a script
    // that is running), then the run loop, which ends the thread.
    ~VLJSEngine();
    VLJSEngine(const VLJSEngine&) = delete;
    VLJSEngine& operator=(const VLJSEngine&) = delete;

    // Milliseconds since the engine was made, on the process's clock (VLClock), with fractions.
    double now() const;
    // Milliseconds since 1970 when the engine was made.
    double timeOrigin() const { return _timeOrigin; }
    const std::shared_ptr<VLRunLoop>& runLoop() const { return _runLoop; }
    // Whether JavaScriptCore itself reports unhandled rejections; known once the set-up has run.
    bool tracksUnhandledRejections() const { return _tracksUnhandledRejections.load(); }

    std::string name() const;
    // Stores the name, then (posted) names the context and the thread "Velto JS: " + name.
    void setName(std::string name);

    // Posted: binds the binding context to the context (its preludes run then) and keeps it under its
    // scope name, replacing an earlier one of that scope.
    void injectBindingContext(std::shared_ptr<VLJSBindingContext> bindingContext);
    // Waits; the binding contexts in no particular order.
    std::vector<std::shared_ptr<VLJSBindingContext>> bindingContexts();
    // Waits; the binding context of that scope, or null.
    std::shared_ptr<VLJSBindingContext> bindingContextForScope(std::string_view scopeName);

    // Posted: stores the handler under the name, replacing an earlier one.
    void addScriptMessageHandler(std::shared_ptr<VLJSEngineScriptMessageHandler> handler, std::string name);
    // Posted.
    void removeScriptMessageHandlerForName(std::string name);

    // The owner's suspension, pushed here so that native objects of the scripts can follow it without
    // knowing the owner. Any thread; the observers hear of a change in a posted turn.
    bool isSuspended() const { return _suspended.load(); }
    void setSuspended(bool suspended);

    ConsoleHandler consoleHandler() const;
    // A handler (not null) also installs, once per engine, the forwarding of console output.
    void setConsoleHandler(ConsoleHandler handler);
    ExceptionHandler exceptionHandler() const;
    void setExceptionHandler(ExceptionHandler handler);

    // Waits; the completion value as native callers convert it (nil when the script threw). A throw is
    // reported and, when asked, handed back as an exception.
    VLValue evaluateScript(std::string_view script, std::string_view sourceURL,
                           std::optional<VLJSException>* exception = nullptr);
    // Posted; the completion (may be null) is not called when the engine is gone by then.
    void evaluateScript(std::string script, std::string sourceURL, EvaluationCompletion completion);
    // Waits; the function's result as native callers convert it, or nothing when no function was
    // found. The name may be any expression that yields a function ("a.b.c"); what it finds first is
    // kept for later calls of the same name.
    std::optional<VLValue> callJSMethod(std::string_view name, const VLArray& arguments);
    // Posted; the completion (may be null) is not called when the engine is gone by then.
    void callJSMethod(std::string name, VLArray arguments, CallCompletion completion);

    // JavaScript thread only, from here on.

    // The context; null before the set-up has run.
    VLJSContext* context() const { return _context.get(); }
    // Reports a thrown value: its message and call stack reach the console, the error log and the
    // exception handler.
    void handleJSException(JSValueRef exception);
    // Reports a value that script code hands over, as an exception or (with the prefix
    // "Unhandled promise rejection: ") as an unhandled rejection; nullptr counts as undefined.
    void reportException(JSValueRef value);
    void reportUnhandledRejection(JSValueRef value);
    // Held weakly, and told only of this engine's changes.
    void addObserver(std::weak_ptr<VLJSEngineObserver> observer);
    // For the owner that ends the scripts: marks every binding context terminated, then tells the
    // observers.
    void terminateBindingContexts();
    // With the fallback tracking, makes a rejection of a promise that reached native code a reported
    // unhandled rejection; otherwise does nothing.
    void reportRejectionOfPromise(JSValueRef value);

    // Work that a script waits for (a timer, a request) holds one of these while pending, so that a
    // tool that runs a script to its end knows when nothing is left. Any thread.
    using PendingWork = std::shared_ptr<void>;
    PendingWork beginPendingWork();
    // Work that lasts until the script ends it, whatever the time (an open window): pending like the
    // rest, but a waiter may choose to count the engine settled while only such work is left.
    PendingWork beginLastingWork();
    // Waits until no work is pending (or, when `settling`, none but lasting work) and nothing is queued
    // for the JavaScript thread, or until the deadline; false when the deadline came first. It sleeps
    // until pending work ends, never looking in between. Any thread but the JavaScript thread.
    bool waitUntilIdle(std::chrono::steady_clock::time_point deadline, bool settling = false);

private:
    // The count of pending work, and the answers of the JavaScript thread to idle checks. Any thread,
    // under the mutex; shared with the work tokens, which may outlive the engine.
    struct PendingWorkState {
        std::mutex mutex;
        std::condition_variable changed;
        size_t count = 0;
        size_t lastingCount = 0; // of `count`
        uint64_t lastCheckAsked = 0;
        uint64_t lastCheckAnswered = 0;
        bool checkedIdle = false; // the answer of the latest check

        bool idle(bool settling) const { return count - (settling ? lastingCount : 0) == 0; }
    };
    static void answerIdleCheck(std::shared_ptr<PendingWorkState> state, uint64_t check, bool settling);
    static void finishIdleCheck(PendingWorkState& state, uint64_t check, bool settling);
    PendingWork beginPendingWork(bool lasting);

    explicit VLJSEngine(RejectionTracking tracking);
    void start(std::shared_ptr<VLJSBindingContext> coreScope);

    // Posts the block with the engine held weakly; it is skipped when the engine is gone.
    void performWithEngine(std::function<void(VLJSEngine&)> block);
    void performWithEngineSync(std::function<void(VLJSEngine&)> block);

    void setUpContext();
    void setUpRejectionTracking();
    void installScriptMessageFunction();
    void installConsoleForwarding();
    // A function of the context whose calls reach the body while the engine exists; it returns undefined.
    using EngineFunction = std::function<void(VLJSEngine& engine, JSContextRef ctx, size_t argumentCount,
                                              const JSValueRef arguments[])>;
    JSObjectRef makeEngineFunction(std::string_view name, EngineFunction body);
    void deliverScriptMessage(JSContextRef ctx, size_t argumentCount, const JSValueRef arguments[]);
    void forwardConsoleOutput(JSContextRef ctx, size_t argumentCount, const JSValueRef arguments[]);
    void reportError(std::string_view text);

    JSValueRef evaluate(std::string_view script, std::string_view sourceURL,
                        std::optional<VLJSException>* exception);
    JSObjectRef functionNamed(const std::string& name);
    JSValueRef call(const std::string& name, const VLArray& arguments, bool* found = nullptr);

    void reportValue(JSValueRef value, std::string_view prefix);
    // Calls the block with each observer that still exists.
    void forEachObserver(const std::function<void(VLJSEngineObserver&)>& block);
    void tellSuspension();
    void fireOnError(const std::string& message, const std::optional<std::string>& callStack);

    // JavaScript thread.
    std::unique_ptr<VLJSContext> _context;
    std::map<std::string, std::shared_ptr<VLJSBindingContext>> _bindingContexts;
    std::map<std::string, std::shared_ptr<VLJSEngineScriptMessageHandler>> _scriptMessageHandlerMap;
    std::unordered_map<std::string, VLJSProtectedValue> _jsFunctionMap;
    bool _reportingException = false;
    bool _consoleForwardingInstalled = false;
    VLJSProtectedValue _promiseConstructor;
    VLJSProtectedValue _rejectionReporter;
    std::vector<std::weak_ptr<VLJSEngineObserver>> _observers;
    bool _observersSuspended = false; // what the observers were told last

    const std::shared_ptr<VLClock> _clock; // the process's when the engine was made
    const uint64_t _uptimeOrigin;
    const double _timeOrigin;
    const RejectionTracking _rejectionTracking;
    std::atomic<bool> _tracksUnhandledRejections{false};
    std::atomic<bool> _suspended{false}; // any thread
    const std::shared_ptr<PendingWorkState> _pendingWork;

    mutable std::mutex _lock; // guards _consoleHandler and _name; any thread
    ConsoleHandler _consoleHandler;
    std::string _name;
    mutable std::mutex _exceptionHandlerLock; // guards _exceptionHandler; any thread
    ExceptionHandler _exceptionHandler;

    std::shared_ptr<VLRunLoop> _runLoop;
};
