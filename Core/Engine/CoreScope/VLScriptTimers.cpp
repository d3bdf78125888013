#include "Core/Engine/CoreScope/VLScriptTimers.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Engine/Binding/VLJSFunctionInvoker.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLTimerCollection.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr double kLongestTimerDelay = 2147483647.0; // milliseconds
constexpr double kShortestIntervalDelay = 4.0;      // milliseconds

} // namespace

// What one scheduled timer holds: its callback and, after undefined for `this`, its extra arguments,
// all protected from scheduling until the timer ends.
struct VLScriptTimers::ScheduledCall {
    JSObjectRef callback;
    std::vector<JSValueRef> callArguments;
    // Keeps a tool that runs a script to its end waiting while the timer is pending.
    VLJSEngine::PendingWork pendingWork;
};

std::shared_ptr<VLScriptTimers>
VLScriptTimers::create(const std::shared_ptr<VLJSBindingContext>& bindingContext,
                       std::shared_ptr<VLJSFunctionInvoker> invoker) {
    std::shared_ptr<VLScriptTimers> timers(new VLScriptTimers(bindingContext, std::move(invoker)));
    timers->start(bindingContext);
    return timers;
}

VLScriptTimers::VLScriptTimers(const std::shared_ptr<VLJSBindingContext>& bindingContext,
                               std::shared_ptr<VLJSFunctionInvoker> invoker)
    : _bindingContext(bindingContext), _invoker(std::move(invoker)) {}

VLScriptTimers::~VLScriptTimers() = default;

void VLScriptTimers::start(const std::shared_ptr<VLJSBindingContext>& bindingContext) {
    JSGlobalContextRef ctx = bindingContext ? bindingContext->globalCtx() : nullptr;
    if (!ctx)
        return;
    // The prelude makes the Utils object before any other script runs, so Function.prototype.call is
    // the engine's own.
    _callFunction = VLJSFunctionFromScript(ctx, "Function.prototype.call");
    VLJSValueProtect(ctx, _callFunction);
    // Observed and read in one turn of the JavaScript thread, where changes are told: none goes unheard.
    if (std::shared_ptr<VLJSEngine> engine = bindingContext->engine()) {
        engine->addObserver(weak_from_this());
        setThrottleInterval(engine->isSuspended() ? kSuspendedTimerThrottleInterval : 0);
    }
}

void VLScriptTimers::stop() {
    std::shared_ptr<VLJSBindingContext> bindingContext = _bindingContext.lock();
    for (std::shared_ptr<VLTimerCollection>* slot : {&_scriptTimers, &_preludeTimers}) {
        if (std::shared_ptr<VLTimerCollection> collection = std::move(*slot)) {
            // The collection belongs to the JavaScript thread; once that has ended its timers are gone too.
            VLExecuteOnThread(VLJSBindingGetThread(bindingContext),
                              [collection] { collection->cancelAllTimers(); });
        }
    }
    JSGlobalContextRef ctx = bindingContext ? bindingContext->globalCtx() : nullptr;
    if (ctx && _callFunction)
        VLJSValueUnprotect(ctx, _callFunction);
    _callFunction = nullptr;
}

JSValueRef VLScriptTimers::schedule(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                    JSValueRef* exceptionOut, bool repeats, Owner owner) {
    JSValueRef localException = nullptr;
    JSValueRef* exception = exceptionOut ? exceptionOut : &localException;
    if (argc == 0 || !JSValueIsObject(ctx, argv[0]))
        return JSValueMakeNull(ctx);
    double delay = 0;
    if (argc > 1) {
        delay = JSValueToNumber(ctx, argv[1], exception);
        if (*exception)
            return nullptr;
    }
    // Out of range counts as no delay, not as the longest one.
    if (std::isnan(delay) || delay < 0 || delay > kLongestTimerDelay)
        delay = 0;
    if (repeats)
        delay = std::max(delay, kShortestIntervalDelay);

    auto call = std::make_shared<ScheduledCall>();
    call->callback = JSValueToObject(ctx, argv[0], nullptr);
    call->callArguments.push_back(JSValueMakeUndefined(ctx));
    call->callArguments.insert(call->callArguments.end(), argv + std::min<size_t>(argc, 2), argv + argc);
    VLJSValueProtect(ctx, call->callback);
    for (JSValueRef argument : call->callArguments)
        VLJSValueProtect(ctx, argument);
    std::shared_ptr<VLJSBindingContext> bindingContext = _bindingContext.lock();
    if (std::shared_ptr<VLJSEngine> engine = bindingContext ? bindingContext->engine() : nullptr)
        call->pendingWork = engine->beginPendingWork();

    std::weak_ptr<VLScriptTimers> weakSelf = weak_from_this();
    auto fireBlock = [weakSelf, call] {
        if (std::shared_ptr<VLScriptTimers> self = weakSelf.lock())
            self->fire(*call);
    };
    auto completion = [weakSelf, call](bool) {
        if (std::shared_ptr<VLScriptTimers> self = weakSelf.lock())
            self->release(*call);
        call->pendingWork.reset();
    };
    VLTimerCollection* collection = timerCollection(owner);
    if (!collection) {
        completion(false);
        return JSValueMakeNull(ctx);
    }
    const int32_t identifier = collection->createTimerWithTimeInterval(
        delay / 1000, repeats, std::move(fireBlock), std::move(completion));
    return JSValueMakeNumber(ctx, identifier);
}

void VLScriptTimers::fire(const ScheduledCall& call) {
    std::shared_ptr<VLJSBindingContext> bindingContext = _bindingContext.lock();
    JSGlobalContextRef ctx = bindingContext ? bindingContext->globalCtx() : nullptr;
    if (!ctx || !_callFunction || !JSObjectIsFunction(ctx, call.callback))
        return;
    // callback.call(undefined, ...arguments)
    JSValueRef exception = nullptr;
    _invoker->invokeFunction(_callFunction, call.callback, call.callArguments.size(),
                             call.callArguments.data(), &exception);
    if (exception)
        bindingContext->notifyException(exception);
}

void VLScriptTimers::release(const ScheduledCall& call) {
    std::shared_ptr<VLJSBindingContext> bindingContext = _bindingContext.lock();
    JSGlobalContextRef ctx = bindingContext ? bindingContext->globalCtx() : nullptr;
    if (!ctx)
        return; // the protections went with the context
    VLJSValueUnprotect(ctx, call.callback);
    for (JSValueRef argument : call.callArguments)
        VLJSValueUnprotect(ctx, argument);
}

void VLScriptTimers::cancel(JSContextRef ctx, size_t argc, const JSValueRef argv[]) {
    if (argc == 0 || !JSValueIsNumber(ctx, argv[0]))
        return;
    const double number = std::trunc(JSValueToNumber(ctx, argv[0], nullptr));
    // No timer has an identifier outside this range.
    if (!(number >= std::numeric_limits<int32_t>::min() && number <= std::numeric_limits<int32_t>::max()))
        return;
    if (VLTimerCollection* collection = timerCollection(Owner::Script))
        collection->cancelTimerWithIdentifier(int32_t(number));
}

VLTimerCollection* VLScriptTimers::timerCollection(Owner owner) {
    std::shared_ptr<VLTimerCollection>& collection = owner == Owner::Script ? _scriptTimers : _preludeTimers;
    if (collection)
        return collection.get();
    std::shared_ptr<VLJSBindingContext> bindingContext = _bindingContext.lock();
    std::shared_ptr<VLRunLoopThread> thread = VLJSBindingGetThread(bindingContext);
    if (!thread)
        return nullptr;
    collection = VLTimerCollection::create(thread);
    if (bindingContext->isTerminated())
        collection->invalidate();
    collection->setThrottleInterval(_throttleInterval);
    return collection.get();
}

std::array<VLTimerCollection*, 2> VLScriptTimers::timerCollections() const {
    return {_scriptTimers.get(), _preludeTimers.get()};
}

void VLScriptTimers::jsEngineSuspendedDidChange(bool suspended) {
    setThrottleInterval(suspended ? kSuspendedTimerThrottleInterval : 0);
}

void VLScriptTimers::jsEngineWillTerminate() {
    for (VLTimerCollection* collection : timerCollections()) {
        if (collection)
            collection->invalidate();
    }
}

void VLScriptTimers::setThrottleInterval(double seconds) {
    _throttleInterval = seconds;
    for (VLTimerCollection* collection : timerCollections()) {
        if (collection)
            collection->setThrottleInterval(seconds);
    }
}
