#include "Core/Engine/JS/VLJSEngine.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/JS/VLEmbeddedScripts.h"
#include "Core/Engine/JS/VLJSConsole.h"
#include "Core/Engine/JS/VLJSDOMException.h"
#include "Core/Engine/JS/VLJSEngineObserver.h"
#include "Core/Engine/JS/VLJSString.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Engine/Log/VLLog.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLRunLoopObserver.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Engine/Support/VLProduct.h"
#include "Core/Engine/Support/VLScopeExit.h"
#include "Platform/Foundation/VLStringWithFormat.h"
#include "Platform/Foundation/VLUserDefaults.h"

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <exception>
#include <new>
#include <utility>
#include <vector>

namespace {

constexpr auto kIdleCheckRetryDelay = std::chrono::milliseconds(10);

// JavaScriptCore's private entry point; looked up at run time, never linked.
using VLSetUnhandledRejectionCallback = void (*)(JSGlobalContextRef ctx, JSObjectRef function,
                                                 JSValueRef* exception);

VLSetUnhandledRejectionCallback unhandledRejectionCallbackSetter() {
    static const auto setter = reinterpret_cast<VLSetUnhandledRejectionCallback>(
        dlsym(RTLD_DEFAULT, "JSGlobalContextSetUnhandledRejectionCallback"));
    return setter;
}

double millisecondsSince1970() {
    using namespace std::chrono;
    return duration<double, std::milli>(system_clock::now().time_since_epoch()).count();
}

std::optional<std::string> nonEmpty(const std::string& text) {
    return text.empty() ? std::nullopt : std::optional<std::string>(text);
}

JSValueRef argumentAt(size_t index, size_t argumentCount, const JSValueRef arguments[]) {
    return index < argumentCount ? arguments[index] : nullptr;
}

// Reports, console output and script messages must survive memory exhaustion: what cannot be made (no
// memory, no thread) is dropped, never thrown through JavaScriptCore's frames, which would end the
// process.
template <typename Block>
void dropOnFailure(Block&& block) noexcept {
    try {
        block();
    } catch (const std::exception&) {
        // Dropped.
    }
}

// What the engine releases on its JavaScript thread when it goes: the binding contexts are unbound
// while the context exists, the values go next and the context last.
struct VLJSEngineLeftovers {
    std::unique_ptr<VLJSContext> context;
    std::map<std::string, std::shared_ptr<VLJSBindingContext>> bindingContexts;
    std::map<std::string, std::shared_ptr<VLJSEngineScriptMessageHandler>> scriptMessageHandlers;
    std::unordered_map<std::string, VLJSProtectedValue> functions;
    VLJSProtectedValue promiseConstructor;
    VLJSProtectedValue rejectionReporter;

    ~VLJSEngineLeftovers() {
        for (const auto& [scopeName, bindingContext] : bindingContexts)
            bindingContext->unbindJSContext();
    }
};

} // namespace

std::shared_ptr<VLJSEngine> VLJSEngine::create(std::shared_ptr<VLJSBindingContext> coreScope,
                                               RejectionTracking tracking) {
    std::shared_ptr<VLJSEngine> engine(new VLJSEngine(tracking));
    engine->start(std::move(coreScope));
    return engine;
}

VLJSEngine::VLJSEngine(RejectionTracking tracking)
    : _clock(VLClock::shared()), _uptimeOrigin(_clock->nanoseconds()), _timeOrigin(millisecondsSince1970()),
      _rejectionTracking(tracking), _pendingWork(std::make_shared<PendingWorkState>()),
      _runLoop(VLRunLoop::create(
          VLRunLoopThread::create(VLStringWithFormat("%s.jsengine", kVLReverseDomainPrefix)))) {}

void VLJSEngine::start(std::shared_ptr<VLJSBindingContext> coreScope) {
    // Made now, while there is memory to spare: a report under memory pressure must not be the one that
    // has to start the log service and its thread.
    dropOnFailure([] {
        for (const char* tag : {"VLJSEngine", "VLJSConsoleLog"})
            VLLogLoggerFor(VLLogScope, tag);
    });
    performWithEngine([](VLJSEngine& engine) { engine.setUpContext(); });
    // Behind the set-up, so that the core prelude runs right after it.
    injectBindingContext(std::move(coreScope));
}

VLJSEngine::~VLJSEngine() {
    auto leftovers = std::make_shared<VLJSEngineLeftovers>();
    leftovers->context = std::move(_context);
    leftovers->bindingContexts = std::move(_bindingContexts);
    leftovers->scriptMessageHandlers = std::move(_scriptMessageHandlerMap);
    leftovers->functions = std::move(_jsFunctionMap);
    leftovers->promiseConstructor = std::move(_promiseConstructor);
    leftovers->rejectionReporter = std::move(_rejectionReporter);
    // Queued even on the JavaScript thread itself: the last reference may go inside a native function
    // that a script called, and the context must outlive that script. A block that the ending thread
    // drops releases the leftovers there too.
    _runLoop->thread()->post([leftovers]() mutable { leftovers.reset(); });
}

double VLJSEngine::now() const {
    return double(_clock->nanoseconds() - _uptimeOrigin) / 1e6;
}

std::string VLJSEngine::name() const {
    std::lock_guard lock(_lock);
    return _name;
}

void VLJSEngine::setName(std::string name) {
    {
        std::lock_guard lock(_lock);
        _name = name;
    }
    performWithEngine([name = std::move(name)](VLJSEngine& engine) {
        if (engine._context)
            engine._context->setName(name);
        if (auto thread = VLRunLoopThread::current(); thread && !name.empty())
            thread->updateThreadName("Velto JS: " + name);
    });
}

void VLJSEngine::injectBindingContext(std::shared_ptr<VLJSBindingContext> bindingContext) {
    performWithEngine([bindingContext = std::move(bindingContext)](VLJSEngine& engine) {
        if (!engine._context)
            return;
        bindingContext->bindJSContext(
            engine._context->globalContext(), engine.shared_from_this(),
            [weakEngine = engine.weak_from_this()](JSContextRef, JSValueRef exception) {
                if (auto engine = weakEngine.lock())
                    engine->handleJSException(exception);
            });
        engine._bindingContexts[bindingContext->scopeName()] = bindingContext;
    });
}

std::vector<std::shared_ptr<VLJSBindingContext>> VLJSEngine::bindingContexts() {
    std::vector<std::shared_ptr<VLJSBindingContext>> result;
    performWithEngineSync([&](VLJSEngine& engine) {
        for (const auto& [scopeName, bindingContext] : engine._bindingContexts)
            result.push_back(bindingContext);
    });
    return result;
}

std::shared_ptr<VLJSBindingContext> VLJSEngine::bindingContextForScope(std::string_view scopeName) {
    std::shared_ptr<VLJSBindingContext> result;
    performWithEngineSync([&](VLJSEngine& engine) {
        if (const auto found = engine._bindingContexts.find(std::string(scopeName));
            found != engine._bindingContexts.end())
            result = found->second;
    });
    return result;
}

void VLJSEngine::addScriptMessageHandler(std::shared_ptr<VLJSEngineScriptMessageHandler> handler,
                                         std::string name) {
    performWithEngine([handler = std::move(handler), name = std::move(name)](VLJSEngine& engine) {
        engine._scriptMessageHandlerMap[name] = handler;
    });
}

void VLJSEngine::removeScriptMessageHandlerForName(std::string name) {
    performWithEngine(
        [name = std::move(name)](VLJSEngine& engine) { engine._scriptMessageHandlerMap.erase(name); });
}

void VLJSEngine::setSuspended(bool suspended) {
    _suspended.store(suspended);
    performWithEngine([](VLJSEngine& engine) { engine.tellSuspension(); });
}

// Changes from several threads may arrive in any order: the observers hear the latest state, once.
void VLJSEngine::tellSuspension() {
    const bool suspended = _suspended.load();
    if (suspended == _observersSuspended)
        return;
    _observersSuspended = suspended;
    forEachObserver(
        [suspended](VLJSEngineObserver& observer) { observer.jsEngineSuspendedDidChange(suspended); });
}

void VLJSEngine::addObserver(std::weak_ptr<VLJSEngineObserver> observer) {
    std::erase_if(_observers, [](const auto& candidate) { return candidate.expired(); });
    _observers.push_back(std::move(observer));
}

void VLJSEngine::terminateBindingContexts() {
    for (const auto& [scopeName, bindingContext] : _bindingContexts)
        bindingContext->setTerminated(true);
    forEachObserver([](VLJSEngineObserver& observer) { observer.jsEngineWillTerminate(); });
}

// A snapshot: an observer may add others while it is told.
void VLJSEngine::forEachObserver(const std::function<void(VLJSEngineObserver&)>& block) {
    const std::vector<std::weak_ptr<VLJSEngineObserver>> observers = _observers;
    for (const std::weak_ptr<VLJSEngineObserver>& weakObserver : observers) {
        if (std::shared_ptr<VLJSEngineObserver> observer = weakObserver.lock())
            block(*observer);
    }
}

VLJSEngine::ConsoleHandler VLJSEngine::consoleHandler() const {
    std::lock_guard lock(_lock);
    return _consoleHandler;
}

void VLJSEngine::setConsoleHandler(ConsoleHandler handler) {
    const bool installs = handler != nullptr;
    {
        std::lock_guard lock(_lock);
        _consoleHandler = std::move(handler);
    }
    if (installs)
        performWithEngine([](VLJSEngine& engine) { engine.installConsoleForwarding(); });
}

VLJSEngine::ExceptionHandler VLJSEngine::exceptionHandler() const {
    std::lock_guard lock(_exceptionHandlerLock);
    return _exceptionHandler;
}

void VLJSEngine::setExceptionHandler(ExceptionHandler handler) {
    std::lock_guard lock(_exceptionHandlerLock);
    _exceptionHandler = std::move(handler);
}

VLValue VLJSEngine::evaluateScript(std::string_view script, std::string_view sourceURL,
                                   std::optional<VLJSException>* exception) {
    VLValue result;
    performWithEngineSync([&](VLJSEngine& engine) {
        if (JSValueRef value = engine.evaluate(script, sourceURL, exception))
            result = VLJSValueToObject(engine._context->globalContext(), value);
    });
    return result;
}

void VLJSEngine::evaluateScript(std::string script, std::string sourceURL, EvaluationCompletion completion) {
    performWithEngine([script = std::move(script), sourceURL = std::move(sourceURL),
                       completion = std::move(completion)](VLJSEngine& engine) {
        std::optional<VLJSException> exception;
        JSValueRef result = engine.evaluate(script, sourceURL, &exception);
        if (completion)
            completion(result, exception);
    });
}

std::optional<VLValue> VLJSEngine::callJSMethod(std::string_view name, const VLArray& arguments) {
    std::optional<VLValue> result;
    performWithEngineSync([&](VLJSEngine& engine) {
        bool found = false;
        JSValueRef value = engine.call(std::string(name), arguments, &found);
        if (found)
            result = value ? VLJSValueToObject(engine._context->globalContext(), value) : VLValue();
    });
    return result;
}

void VLJSEngine::callJSMethod(std::string name, VLArray arguments, CallCompletion completion) {
    performWithEngine([name = std::move(name), arguments = std::move(arguments),
                       completion = std::move(completion)](VLJSEngine& engine) {
        JSValueRef result = engine.call(name, arguments);
        if (completion)
            completion(result);
    });
}

VLJSEngine::PendingWork VLJSEngine::beginPendingWork() {
    return beginPendingWork(false);
}

VLJSEngine::PendingWork VLJSEngine::beginLastingWork() {
    return beginPendingWork(true);
}

VLJSEngine::PendingWork VLJSEngine::beginPendingWork(bool lasting) {
    std::shared_ptr<PendingWorkState> state = _pendingWork;
    {
        std::lock_guard lock(state->mutex);
        ++state->count;
        state->lastingCount += lasting;
    }
    return PendingWork(nullptr, [state, lasting](void*) {
        std::lock_guard lock(state->mutex);
        --state->count;
        state->lastingCount -= lasting;
        // A settling waiter wakes when nothing but lasting work is left, any other when nothing is.
        if (state->count == state->lastingCount)
            state->changed.notify_all();
    });
}

bool VLJSEngine::waitUntilIdle(std::chrono::steady_clock::time_point deadline, bool settling) {
    const std::shared_ptr<PendingWorkState> state = _pendingWork;
    std::unique_lock lock(state->mutex);
    for (;;) {
        if (!state->changed.wait_until(lock, deadline, [&] { return state->idle(settling); }))
            return false;
        // Nothing is pending: the JavaScript thread confirms it once what is queued there has run.
        const uint64_t check = ++state->lastCheckAsked;
        lock.unlock();
        bool posted = false;
        try {
            posted = _runLoop->thread()->post(
                [state, check, settling] { answerIdleCheck(state, check, settling); });
        } catch (const std::bad_alloc&) {
            // A script holding all memory until its collector runs leaves nothing for the check: the
            // waiter lets a little time pass and asks again rather than ending the process.
            lock.lock();
            state->changed.wait_until(
                lock, std::min(deadline, std::chrono::steady_clock::now() + kIdleCheckRetryDelay));
            if (std::chrono::steady_clock::now() >= deadline)
                return false;
            continue;
        }
        lock.lock();
        if (!posted ||
            !state->changed.wait_until(lock, deadline, [&] { return state->lastCheckAnswered >= check; }))
            return false;
        if (state->checkedIdle)
            return true;
    }
}

// On the JavaScript thread. The answer waits until the thread is about to sleep, behind the observers
// that run then: what they start (the frame a layout needs) is pending before the work is counted.
void VLJSEngine::answerIdleCheck(std::shared_ptr<PendingWorkState> state, uint64_t check, bool settling) {
    const std::shared_ptr<VLRunLoopThread> thread = VLRunLoopThread::current();
    if (!thread) {
        finishIdleCheck(*state, check, settling);
        return;
    }
    auto self = std::make_shared<std::weak_ptr<VLRunLoopObserver>>();
    auto observer = std::make_shared<VLRunLoopObserver>([self, state, check, settling] {
        const std::shared_ptr<VLRunLoopThread> current = VLRunLoopThread::current();
        // Blocks queued meanwhile may start work: look again when the thread next sleeps.
        if (current && current->hasQueuedBlocks())
            return;
        if (const std::shared_ptr<VLRunLoopObserver> observer = self->lock())
            observer->invalidate();
        finishIdleCheck(*state, check, settling);
    });
    *self = observer;
    thread->addBeforeWaitingObserver(observer);
}

void VLJSEngine::finishIdleCheck(PendingWorkState& state, uint64_t check, bool settling) {
    std::lock_guard lock(state.mutex);
    state.lastCheckAnswered = std::max(state.lastCheckAnswered, check);
    state.checkedIdle = state.idle(settling);
    state.changed.notify_all();
}

void VLJSEngine::performWithEngine(std::function<void(VLJSEngine&)> block) {
    _runLoop->performBlock([weakEngine = weak_from_this(), block = std::move(block)] {
        if (auto engine = weakEngine.lock())
            block(*engine);
    });
}

void VLJSEngine::performWithEngineSync(std::function<void(VLJSEngine&)> block) {
    _runLoop->performBlockSync([weakEngine = weak_from_this(), &block] {
        if (auto engine = weakEngine.lock())
            block(*engine);
    });
}

// Set-up, on the JavaScript thread.

void VLJSEngine::setUpContext() {
    _context = std::make_unique<VLJSContext>();
    _context->setExceptionHandler([weakEngine = weak_from_this()](VLJSContext&, JSValueRef exception) {
        if (auto engine = weakEngine.lock())
            engine->handleJSException(exception);
    });
    VLJSDefineDOMException(_context->globalContext());
    setUpRejectionTracking();
    installScriptMessageFunction();
    if (VLUserDefaults::standard().boolForKey("show-develop-menu"))
        JSGlobalContextSetInspectable(_context->globalContext(), true);
}

void VLJSEngine::setUpRejectionTracking() {
    JSGlobalContextRef ctx = _context->globalContext();
    _promiseConstructor =
        VLJSProtectedValue(ctx, VLGetJSObjectProperty(ctx, _context->globalObject(), "Promise"));
    _rejectionReporter = VLJSProtectedValue(
        ctx, makeEngineFunction("reportUnhandledRejection", [](VLJSEngine& engine, JSContextRef, size_t count,
                                                               const JSValueRef arguments[]) {
            engine.reportUnhandledRejection(argumentAt(0, count, arguments));
        }));

    const VLSetUnhandledRejectionCallback setCallback = unhandledRejectionCallbackSetter();
    if (!setCallback || _rejectionTracking == RejectionTracking::Fallback)
        return;
    // JavaScriptCore calls it with the promise and the reason: the reason is what is reported.
    JSObjectRef callback =
        makeEngineFunction("unhandledRejection",
                           [](VLJSEngine& engine, JSContextRef, size_t count, const JSValueRef arguments[]) {
                               engine.reportUnhandledRejection(argumentAt(1, count, arguments));
                           });
    JSValueRef exception = nullptr;
    setCallback(ctx, callback, &exception);
    _tracksUnhandledRejections = exception == nullptr;
}

JSObjectRef VLJSEngine::makeEngineFunction(std::string_view name, EngineFunction body) {
    return _context->makeFunction(name,
                                  [weakEngine = weak_from_this(), body = std::move(body)](
                                      JSContextRef ctx, JSObjectRef, size_t count,
                                      const JSValueRef arguments[], JSValueRef*) -> JSValueRef {
                                      if (auto engine = weakEngine.lock())
                                          dropOnFailure([&] { body(*engine, ctx, count, arguments); });
                                      return nullptr;
                                  });
}

void VLJSEngine::installScriptMessageFunction() {
    JSObjectRef postMessage = makeEngineFunction(
        "postMessage", [](VLJSEngine& engine, JSContextRef ctx, size_t count, const JSValueRef arguments[]) {
            engine.deliverScriptMessage(ctx, count, arguments);
        });
    VLJSString name("postMessage");
    JSObjectSetProperty(_context->globalContext(), _context->globalObject(), name.get(), postMessage,
                        kJSPropertyAttributeNone, nullptr);
}

void VLJSEngine::installConsoleForwarding() {
    if (_consoleForwardingInstalled || !_context)
        return;
    _consoleForwardingInstalled = true;
    const auto script = VLEmbeddedScript("console");
    JSValueRef install = script ? _context->evaluateScript(*script, "console.js") : nullptr;
    if (!install || !JSValueIsObject(_context->globalContext(), install))
        return;
    JSObjectRef forward = makeEngineFunction(
        "forward", [](VLJSEngine& engine, JSContextRef ctx, size_t count, const JSValueRef arguments[]) {
            engine.forwardConsoleOutput(ctx, count, arguments);
        });
    const JSValueRef argument = forward;
    _context->call(JSValueToObject(_context->globalContext(), install, nullptr), {&argument, 1});
}

// Script messages and console output, on the JavaScript thread.

void VLJSEngine::deliverScriptMessage(JSContextRef ctx, size_t count, const JSValueRef arguments[]) {
    // The script's string conversion, so a missing name reads "undefined"; a symbol has no text.
    JSValueRef nameValue = argumentAt(0, count, arguments);
    const std::optional<std::string> name =
        VLJSValueTransformToNSString(ctx, nameValue ? nameValue : JSValueMakeUndefined(ctx));
    const VLValue message = VLJSValueToObject(ctx, argumentAt(1, count, arguments));
    if (!name || name->empty()) {
        reportError("script message handler's name is invalid");
        return;
    }
    const auto found = _scriptMessageHandlerMap.find(*name);
    if (found == _scriptMessageHandlerMap.end()) {
        reportError(VLStringWithFormat("`%@` script message handler not found", *name));
        return;
    }
    // Held here, so that a handler that removes itself finishes its call.
    const std::shared_ptr<VLJSEngineScriptMessageHandler> handler = found->second;
    handler->jsEngine(*this, message);
}

void VLJSEngine::forwardConsoleOutput(JSContextRef ctx, size_t count, const JSValueRef arguments[]) {
    if (_reportingException)
        return;
    const ConsoleHandler handler = consoleHandler();
    if (!handler)
        return;
    const std::string level = VLJSValueToNSString(ctx, argumentAt(0, count, arguments)).value_or("log");
    const std::string text = VLJSValueToNSString(ctx, argumentAt(1, count, arguments)).value_or("");
    handler(level, text);
}

// Made from a native error text and reported, never thrown to a script.
void VLJSEngine::reportError(std::string_view text) {
    JSValueRef exception = nullptr;
    VLJSThrowException(_context->globalContext(), &exception, text);
    handleJSException(exception);
}

// Evaluation and calls by name, on the JavaScript thread.

JSValueRef VLJSEngine::evaluate(std::string_view script, std::string_view sourceURL,
                                std::optional<VLJSException>* exception) {
    if (!_context)
        return nullptr;
    JSValueRef thrown = nullptr;
    JSValueRef result = _context->evaluateScript(script, VLJSSourceURLStandardize(sourceURL), &thrown);
    if (thrown) {
        handleJSException(thrown);
        if (exception)
            *exception = VLJSErrorToJSException(_context->globalContext(), thrown);
        return nullptr;
    }
    reportRejectionOfPromise(result);
    return result;
}

JSObjectRef VLJSEngine::functionNamed(const std::string& name) {
    if (const auto cached = _jsFunctionMap.find(name); cached != _jsFunctionMap.end())
        return cached->second.object();
    JSObjectRef function = VLJSFunctionFromScript(_context->globalContext(), name);
    if (function)
        _jsFunctionMap.emplace(name, VLJSProtectedValue(_context->globalContext(), function));
    return function;
}

JSValueRef VLJSEngine::call(const std::string& name, const VLArray& arguments, bool* found) {
    if (!_context)
        return nullptr;
    JSObjectRef function = functionNamed(name);
    if (found)
        *found = function != nullptr;
    if (!function) {
        reportError(VLStringWithFormat("`%@` function not found", name));
        return nullptr;
    }
    JSGlobalContextRef ctx = _context->globalContext();
    // Protected while the list is built: the collector does not see values kept on the heap.
    std::vector<VLJSProtectedValue> protectedValues;
    std::vector<JSValueRef> values;
    protectedValues.reserve(arguments.size());
    values.reserve(arguments.size());
    for (const VLValue& argument : arguments) {
        protectedValues.emplace_back(ctx, VLJSValueFromNSObject(ctx, argument));
        values.push_back(protectedValues.back().value());
    }
    return _context->call(function, values);
}

// Reporting, on the JavaScript thread.

void VLJSEngine::handleJSException(JSValueRef exception) {
    if (!_context)
        return;
    dropOnFailure([&] {
        if (const auto converted = VLJSErrorToJSException(_context->globalContext(), exception))
            fireOnError(converted->message(), nonEmpty(converted->callStack()));
    });
}

void VLJSEngine::reportException(JSValueRef value) {
    reportValue(value, "");
}

void VLJSEngine::reportUnhandledRejection(JSValueRef value) {
    reportValue(value, "Unhandled promise rejection: ");
}

void VLJSEngine::reportRejectionOfPromise(JSValueRef value) {
    if (!_context || _tracksUnhandledRejections || !value)
        return;
    JSGlobalContextRef ctx = _context->globalContext();
    JSObjectRef promiseConstructor = _promiseConstructor.object();
    if (!promiseConstructor || !JSValueIsObject(ctx, value) ||
        !JSValueIsInstanceOfConstructor(ctx, value, promiseConstructor, nullptr))
        return;
    JSObjectRef promise = JSValueToObject(ctx, value, nullptr);
    if (JSObjectRef then = VLJSFunctionFromProperty(ctx, promise, "then")) {
        const JSValueRef arguments[] = {JSValueMakeUndefined(ctx), _rejectionReporter.value()};
        _context->call(then, arguments, promise);
    }
}

void VLJSEngine::reportValue(JSValueRef value, std::string_view prefix) {
    if (!_context)
        return;
    JSGlobalContextRef ctx = _context->globalContext();
    dropOnFailure([&] {
        std::optional<std::string> message;
        std::optional<std::string> callStack;
        if (!value) {
            message = VLJSValueTransformToNSString(ctx, JSValueMakeUndefined(ctx));
        } else if (JSValueIsObject(ctx, value)) {
            const auto converted = VLJSErrorToJSException(ctx, value);
            message = converted->message();
            callStack = nonEmpty(converted->callStack());
        } else {
            message = VLJSValueTransformToNSString(ctx, value, kVLJSExceptionTextLimit);
        }
        fireOnError(VLStringWithFormat("%@%@", prefix, message.value_or("undefined")), callStack);
    });
}

void VLJSEngine::fireOnError(const std::string& message, const std::optional<std::string>& callStack) {
    if (message.empty() || !_context)
        return;
    const VLValue callStackValue = callStack ? VLValue(*callStack) : VLValue();
    const std::string report =
        VLStringWithFormat("JS Exception\nmessage: %@\ncallStack: %@", message, callStackValue);
    {
        // Restored, not cleared, and also when writing fails: a report raised while writing this one
        // must not unmute the console, nor a failed one mute it for good.
        const bool wasReporting = std::exchange(_reportingException, true);
        VLScopeExit restore([this, wasReporting] { _reportingException = wasReporting; });
        VLJSConsoleError(_context->globalContext())(report);
    }
    VLLogError("VLJSEngine", "%@", report);
    if (const ExceptionHandler handler = exceptionHandler())
        handler(message, callStack);
}
