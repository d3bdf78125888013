#include "Core/Engine/CoreScope/VLUtilsJSBinding.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Engine/Binding/VLJSFunctionInvoker.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/JS/VLJSException.h"
#include "Core/Engine/JS/VLJSString.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLTimerCollection.h"
#include "Core/Runtime/VLRuntime.h"
#include "Platform/Foundation/VLBase64.h"
#include "Platform/Foundation/VLPreferredLanguages.h"
#include "Platform/Foundation/VLSecureRandom.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr double kLongestTimerDelay = 2147483647.0; // milliseconds
constexpr double kShortestIntervalDelay = 4.0;      // milliseconds
constexpr double kMostApplyNewArguments = 65536;
// JavaScriptCore aborts the process rather than make a longer string.
constexpr size_t kLongestScriptString = 2147483647;

JSValueRef firstArgument(size_t argc, const JSValueRef argv[]) {
    return argc > 0 ? argv[0] : nullptr;
}

} // namespace

// What one scheduled timer holds: its callback and, after undefined for `this`, its extra arguments,
// all protected from scheduling until the timer ends.
struct VLUtilsJSBinding::ScheduledCall {
    JSObjectRef callback;
    std::vector<JSValueRef> callArguments;
    // Keeps a tool that runs a script to its end waiting while the timer is pending.
    VLJSEngine::PendingWork pendingWork;
};

VLUtilsJSBinding::~VLUtilsJSBinding() = default;

void VLUtilsJSBinding::describe(VLJSClassBuilder<VLUtilsJSBinding>& b) {
    b.function<"applyNew", &VLUtilsJSBinding::applyNew>();
    b.getter<"tracksUnhandledRejections", &VLUtilsJSBinding::tracksUnhandledRejections>();
    b.function<"reportUnhandledRejection", &VLUtilsJSBinding::reportUnhandledRejection>();
    b.function<"reportException", &VLUtilsJSBinding::reportException>();
    b.function<"getRandomValues", &VLUtilsJSBinding::getRandomValues>();
    b.getter<"preferredLanguages", &VLUtilsJSBinding::preferredLanguages>();
    b.getter<"processorCount", &VLUtilsJSBinding::processorCount>();
    b.function<"setTimeout", &VLUtilsJSBinding::setTimeout>();
    b.function<"setInterval", &VLUtilsJSBinding::setInterval>();
    b.function<"clearTimeout", &VLUtilsJSBinding::clearTimeout>();
    b.function<"clearInterval", &VLUtilsJSBinding::clearInterval>();
    b.function<"setInternalTimeout", &VLUtilsJSBinding::setInternalTimeout>();
    b.function<"base64Encode", &VLUtilsJSBinding::base64Encode>();
    b.function<"base64Decode", &VLUtilsJSBinding::base64Decode>();
}

void VLUtilsJSBinding::didCreateJSObject(JSObjectRef object,
                                         const std::shared_ptr<VLJSBindingContext>& bindingContext) {
    Super::didCreateJSObject(object, bindingContext);
    if (!bindingContext || !bindingContext->globalCtx())
        return;
    JSGlobalContextRef ctx = bindingContext->globalCtx();
    // The prelude makes this object before any other script runs, so Function.prototype.call is the
    // engine's own.
    JSObjectRef callFunction = VLJSFunctionFromScript(ctx, "Function.prototype.call");
    if (callFunction) {
        VLJSValueProtect(ctx, callFunction);
        _callFunction = callFunction;
    }
    // Observing first: a runtime whose suspension changes after the reading is heard of.
    observeSuspension(bindingContext);
    applyRuntimeSuspension(bindingContext);
}

void VLUtilsJSBinding::willCollectGarbage() {
    _suspensionObserver.reset();
    _terminationObserver.reset();
    std::shared_ptr<VLJSBindingContext> bindingContext = VLJSBindingGetContext(this);
    JSGlobalContextRef ctx = bindingContext ? bindingContext->globalCtx() : nullptr;
    for (std::shared_ptr<VLTimerCollection>* slot : {&_timerCollection, &_internalTimerCollection}) {
        if (std::shared_ptr<VLTimerCollection> collection = std::move(*slot)) {
            // The collection belongs to the JavaScript thread; once that has ended its timers are gone too.
            VLExecuteOnThread(VLJSBindingGetThread(bindingContext),
                              [collection] { collection->cancelAllTimers(); });
        }
    }
    if (ctx && _callFunction)
        VLJSValueUnprotect(ctx, _callFunction);
    _callFunction = nullptr;
    Super::willCollectGarbage();
}

// Construction with an argument array

JSValueRef VLUtilsJSBinding::applyNew(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                      JSValueRef* exceptionOut) {
    JSValueRef localException = nullptr;
    JSValueRef* exception = exceptionOut ? exceptionOut : &localException;
    if (argc != 2)
        return JSValueMakeNull(ctx);
    JSObjectRef constructor =
        JSValueIsObject(ctx, argv[0]) ? JSValueToObject(ctx, argv[0], nullptr) : nullptr;
    if (!constructor || !JSObjectIsConstructor(ctx, constructor)) {
        VLJSThrowException(ctx, exception, "TypeError: applyNew needs a constructor");
        return nullptr;
    }
    if (!JSValueIsObject(ctx, argv[1])) {
        VLJSThrowException(ctx, exception, "TypeError: applyNew needs an array-like of arguments");
        return nullptr;
    }
    JSObjectRef arrayLike = JSValueToObject(ctx, argv[1], nullptr);

    JSValueRef lengthValue = JSObjectGetProperty(ctx, arrayLike, VLJSString("length").get(), exception);
    if (*exception)
        return nullptr;
    double length = JSValueToNumber(ctx, lengthValue, exception);
    if (*exception)
        return nullptr;
    if (length > kMostApplyNewArguments) {
        VLJSThrowException(ctx, exception, "RangeError: applyNew takes at most 65536 arguments");
        return nullptr;
    }
    const size_t count = std::isnan(length) || length < 0 ? 0 : size_t(length);

    std::vector<JSValueRef> arguments;
    arguments.reserve(count);
    auto unprotectArguments = [&] {
        for (JSValueRef argument : arguments)
            VLJSValueUnprotect(ctx, argument);
    };
    for (size_t index = 0; index < count; ++index) {
        JSValueRef argument = JSObjectGetPropertyAtIndex(ctx, arrayLike, unsigned(index), exception);
        if (*exception) {
            unprotectArguments();
            return nullptr;
        }
        VLJSValueProtect(ctx, argument);
        arguments.push_back(argument);
    }
    JSObjectRef object =
        JSObjectCallAsConstructor(ctx, constructor, arguments.size(), arguments.data(), exception);
    unprotectArguments();
    return object;
}

// Engine reports

std::shared_ptr<VLJSEngine> VLUtilsJSBinding::engine() const {
    std::shared_ptr<VLJSBindingContext> bindingContext = VLJSBindingGetContext(this);
    return bindingContext ? bindingContext->engine() : nullptr;
}

JSValueRef VLUtilsJSBinding::tracksUnhandledRejections(JSContextRef ctx) {
    std::shared_ptr<VLJSEngine> engine = this->engine();
    return JSValueMakeBoolean(ctx, engine && engine->tracksUnhandledRejections());
}

JSValueRef VLUtilsJSBinding::reportUnhandledRejection(JSContextRef, size_t argc, const JSValueRef argv[],
                                                      JSValueRef*) {
    if (std::shared_ptr<VLJSEngine> engine = this->engine())
        engine->reportUnhandledRejection(firstArgument(argc, argv));
    return nullptr;
}

JSValueRef VLUtilsJSBinding::reportException(JSContextRef, size_t argc, const JSValueRef argv[],
                                             JSValueRef*) {
    if (std::shared_ptr<VLJSEngine> engine = this->engine())
        engine->reportException(firstArgument(argc, argv));
    return nullptr;
}

// System readings

JSValueRef VLUtilsJSBinding::getRandomValues(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                             JSValueRef* exception) {
    JSValueRef view = firstArgument(argc, argv);
    const JSTypedArrayType type = view ? JSValueGetTypedArrayType(ctx, view, nullptr) : kJSTypedArrayTypeNone;
    if (type == kJSTypedArrayTypeNone || type == kJSTypedArrayTypeArrayBuffer) {
        VLJSThrowException(ctx, exception, "TypeError: getRandomValues needs a typed array");
        return nullptr;
    }
    size_t byteLength = 0;
    void* bytes = VLJSValueGetTypedArrayPtr(ctx, view, &byteLength);
    if (byteLength == 0)
        return nullptr;
    if (!VLSecureRandomBytes(bytes, byteLength))
        VLJSThrowException(ctx, exception, "Error: the system gave no random values");
    return nullptr;
}

JSValueRef VLUtilsJSBinding::preferredLanguages(JSContextRef ctx) {
    VLArray languages;
    for (std::string& language : VLPreferredLanguages())
        languages.emplace_back(std::move(language));
    if (languages.empty())
        languages.emplace_back("en");
    return VLJSValueFromNSObject(ctx, languages);
}

JSValueRef VLUtilsJSBinding::processorCount(JSContextRef ctx) {
    const long count = sysconf(_SC_NPROCESSORS_ONLN);
    return JSValueMakeNumber(ctx, double(std::max(count, 1L)));
}

// Base64

JSValueRef VLUtilsJSBinding::base64Encode(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                          JSValueRef* exception) {
    JSValueRef buffer = firstArgument(argc, argv);
    if (!buffer || JSValueGetTypedArrayType(ctx, buffer, nullptr) != kJSTypedArrayTypeArrayBuffer)
        return JSValueMakeNull(ctx);
    JSObjectRef object = JSValueToObject(ctx, buffer, nullptr);
    const size_t length = JSObjectGetArrayBufferByteLength(ctx, object, exception);
    const auto* bytes = static_cast<const uint8_t*>(JSObjectGetArrayBufferBytesPtr(ctx, object, exception));
    if (!bytes || length == 0)
        return JSValueMakeNull(ctx);
    if ((length + 2) / 3 * 4 > kLongestScriptString) {
        VLJSThrowException(ctx, exception, "RangeError: base64Encode: the buffer is too large for a string");
        return nullptr;
    }
    return VLJSValueFromNSString(ctx, VLBase64Encode({bytes, length}));
}

JSValueRef VLUtilsJSBinding::base64Decode(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                          JSValueRef*) {
    std::optional<std::string> text = VLJSValueToNSString(ctx, firstArgument(argc, argv));
    if (!text || text->empty())
        return JSValueMakeNull(ctx);
    std::optional<std::vector<uint8_t>> bytes = VLBase64Decode(*text);
    if (!bytes || bytes->empty())
        return JSValueMakeNull(ctx);
    return VLJSValueFromNSDataNoCopy(ctx, std::move(*bytes));
}

// Timers

JSValueRef VLUtilsJSBinding::setTimeout(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                        JSValueRef* exception) {
    return scheduleTimer(ctx, argc, argv, exception, false, TimerOwner::Script);
}

JSValueRef VLUtilsJSBinding::setInterval(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                         JSValueRef* exception) {
    return scheduleTimer(ctx, argc, argv, exception, true, TimerOwner::Script);
}

JSValueRef VLUtilsJSBinding::clearTimeout(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                          JSValueRef*) {
    cancelTimer(ctx, argc, argv);
    return nullptr;
}

JSValueRef VLUtilsJSBinding::clearInterval(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                           JSValueRef*) {
    cancelTimer(ctx, argc, argv);
    return nullptr;
}

JSValueRef VLUtilsJSBinding::setInternalTimeout(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                                JSValueRef* exception) {
    return scheduleTimer(ctx, argc, argv, exception, false, TimerOwner::Prelude);
}

JSValueRef VLUtilsJSBinding::scheduleTimer(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                           JSValueRef* exceptionOut, bool repeats, TimerOwner owner) {
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
    if (std::shared_ptr<VLJSEngine> engine = this->engine())
        call->pendingWork = engine->beginPendingWork();

    std::weak_ptr<VLUtilsJSBinding> weakSelf = sharedFromThis();
    auto fireBlock = [weakSelf, call] {
        if (std::shared_ptr<VLUtilsJSBinding> self = weakSelf.lock())
            self->fire(*call);
    };
    auto completion = [weakSelf, call](bool) {
        if (std::shared_ptr<VLUtilsJSBinding> self = weakSelf.lock())
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

void VLUtilsJSBinding::fire(const ScheduledCall& call) {
    std::shared_ptr<VLJSBindingContext> bindingContext = VLJSBindingGetContext(this);
    JSGlobalContextRef ctx = bindingContext ? bindingContext->globalCtx() : nullptr;
    if (!ctx || !_callFunction || !JSObjectIsFunction(ctx, call.callback))
        return;
    // callback.call(undefined, ...arguments)
    JSValueRef exception = nullptr;
    VLJSBindingGetFunctionInvoker(this)->invokeFunction(
        _callFunction, call.callback, call.callArguments.size(), call.callArguments.data(), &exception);
    if (exception)
        VLJSBindingHandleJSException(this, exception);
}

void VLUtilsJSBinding::release(const ScheduledCall& call) {
    std::shared_ptr<VLJSBindingContext> bindingContext = VLJSBindingGetContext(this);
    JSGlobalContextRef ctx = bindingContext ? bindingContext->globalCtx() : nullptr;
    if (!ctx)
        return; // the protections went with the context
    VLJSValueUnprotect(ctx, call.callback);
    for (JSValueRef argument : call.callArguments)
        VLJSValueUnprotect(ctx, argument);
}

void VLUtilsJSBinding::cancelTimer(JSContextRef ctx, size_t argc, const JSValueRef argv[]) {
    if (argc == 0 || !JSValueIsNumber(ctx, argv[0]))
        return;
    const double number = std::trunc(JSValueToNumber(ctx, argv[0], nullptr));
    // No timer has an identifier outside this range.
    if (!(number >= std::numeric_limits<int32_t>::min() && number <= std::numeric_limits<int32_t>::max()))
        return;
    if (VLTimerCollection* collection = timerCollection(TimerOwner::Script))
        collection->cancelTimerWithIdentifier(int32_t(number));
}

VLTimerCollection* VLUtilsJSBinding::timerCollection(TimerOwner owner) {
    std::shared_ptr<VLTimerCollection>& collection =
        owner == TimerOwner::Script ? _timerCollection : _internalTimerCollection;
    if (collection)
        return collection.get();
    std::shared_ptr<VLJSBindingContext> bindingContext = VLJSBindingGetContext(this);
    std::shared_ptr<VLRunLoopThread> thread = VLJSBindingGetThread(bindingContext);
    if (!thread)
        return nullptr;
    collection = VLTimerCollection::create(thread);
    if (!_terminationObserver)
        observeTermination(bindingContext);
    if (bindingContext->isTerminated())
        collection->invalidate();
    collection->setThrottleInterval(_timerThrottleInterval);
    return collection.get();
}

std::array<VLTimerCollection*, 2> VLUtilsJSBinding::timerCollections() const {
    return {_timerCollection.get(), _internalTimerCollection.get()};
}

// The runtime's suspension and end

void VLUtilsJSBinding::observeTermination(const std::shared_ptr<VLJSBindingContext>& bindingContext) {
    std::weak_ptr<VLUtilsJSBinding> weakSelf = sharedFromThis();
    JSGlobalContextRef globalCtx = bindingContext->globalCtx();
    // Posted on the JavaScript thread of the runtime that ends.
    _terminationObserver = VLNotificationCenter::defaultCenter().addObserver(
        VLRuntimeWillTerminateNotification, nullptr,
        [weakSelf, globalCtx](const VLNotification& notification) {
            const auto* context = notification.userInfoValue<JSGlobalContextRef>(VLRuntimeGlobalContextKey);
            if (!context || *context != globalCtx)
                return;
            if (std::shared_ptr<VLUtilsJSBinding> self = weakSelf.lock()) {
                for (VLTimerCollection* collection : self->timerCollections()) {
                    if (collection)
                        collection->invalidate();
                }
            }
        });
}

void VLUtilsJSBinding::observeSuspension(const std::shared_ptr<VLJSBindingContext>& bindingContext) {
    std::weak_ptr<VLUtilsJSBinding> weakSelf = sharedFromThis();
    std::weak_ptr<VLJSBindingContext> weakContext = bindingContext;
    // Posted on the main thread: read the runtime there, apply on its engine's JavaScript thread.
    _suspensionObserver = VLNotificationCenter::defaultCenter().addObserver(
        VLRuntimeSuspendedDidChangeNotification, nullptr,
        [weakSelf, weakContext, context = bindingContext.get()](const VLNotification& notification) {
            const auto* runtime = static_cast<const VLRuntime*>(notification.object());
            const std::shared_ptr<VLJSEngine> engine = runtime ? runtime->engine() : nullptr;
            if (!engine)
                return;
            const double throttle = timerThrottleIntervalOf(*runtime);
            engine->runLoop()->performBlock(
                [weakSelf, weakContext, context, weakEngine = std::weak_ptr(engine), throttle] {
                    std::shared_ptr<VLJSEngine> engine = weakEngine.lock();
                    if (!engine)
                        return;
                    // Another runtime's notification changes nothing here. This object and its context may be
                    // another thread's: they are matched by identity and held only once known to be this
                    // engine's, so that neither is ever released on the wrong thread.
                    const auto contexts = engine->bindingContexts();
                    if (std::none_of(contexts.begin(), contexts.end(),
                                     [context](const auto& candidate) { return candidate.get() == context; }))
                        return;
                    std::shared_ptr<VLUtilsJSBinding> self = weakSelf.lock();
                    if (self && !weakContext.expired())
                        self->setTimerThrottleInterval(throttle);
                });
        });
}

// A runtime suspended before this object observed it: that notice went by unheard.
void VLUtilsJSBinding::applyRuntimeSuspension(const std::shared_ptr<VLJSBindingContext>& bindingContext) {
    const std::shared_ptr<VLJSEngine> engine = bindingContext->engine();
    if (const std::shared_ptr<VLRuntime> runtime = engine ? VLRuntime::runtimeOwningEngine(*engine) : nullptr)
        setTimerThrottleInterval(timerThrottleIntervalOf(*runtime));
}

double VLUtilsJSBinding::timerThrottleIntervalOf(const VLRuntime& runtime) {
    return runtime.isSuspended() ? kSuspendedTimerThrottleInterval : 0;
}

void VLUtilsJSBinding::setTimerThrottleInterval(double seconds) {
    _timerThrottleInterval = seconds;
    for (VLTimerCollection* collection : timerCollections()) {
        if (collection)
            collection->setThrottleInterval(seconds);
    }
}
