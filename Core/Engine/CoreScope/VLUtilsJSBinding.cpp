#include "Core/Engine/CoreScope/VLUtilsJSBinding.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Engine/CoreScope/VLScriptTimers.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/JS/VLJSException.h"
#include "Core/Engine/JS/VLJSString.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Engine/Support/VLProduct.h"
#include "Platform/Foundation/VLBase64.h"
#include "Platform/Foundation/VLPreferredLanguages.h"
#include "Platform/Foundation/VLSecureRandom.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double kMostApplyNewArguments = 65536;
// JavaScriptCore aborts the process rather than make a longer string.
constexpr size_t kLongestScriptString = 2147483647;

JSValueRef firstArgument(size_t argc, const JSValueRef argv[]) {
    return argc > 0 ? argv[0] : nullptr;
}

} // namespace

VLUtilsJSBinding::~VLUtilsJSBinding() = default;

void VLUtilsJSBinding::describe(VLJSClassBuilder<VLUtilsJSBinding>& b) {
    b.function<"applyNew", &VLUtilsJSBinding::applyNew>();
    b.getter<"tracksUnhandledRejections", &VLUtilsJSBinding::tracksUnhandledRejections>();
    b.function<"reportUnhandledRejection", &VLUtilsJSBinding::reportUnhandledRejection>();
    b.function<"reportException", &VLUtilsJSBinding::reportException>();
    b.function<"getRandomValues", &VLUtilsJSBinding::getRandomValues>();
    b.getter<"preferredLanguages", &VLUtilsJSBinding::preferredLanguages>();
    b.getter<"userAgent", &VLUtilsJSBinding::userAgent>();
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
    if (bindingContext)
        _timers = VLScriptTimers::create(bindingContext, functionInvoker());
}

void VLUtilsJSBinding::willCollectGarbage() {
    if (_timers)
        _timers->stop();
    Super::willCollectGarbage();
}

double VLUtilsJSBinding::timerThrottleInterval() const {
    return _timers ? _timers->throttleInterval() : 0;
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
    for (std::string& language : VLWebLanguages())
        languages.emplace_back(std::move(language));
    return VLJSValueFromNSObject(ctx, languages);
}

JSValueRef VLUtilsJSBinding::userAgent(JSContextRef ctx) {
    return VLJSValueFromNSString(ctx, kVLUserAgent);
}

JSValueRef VLUtilsJSBinding::processorCount(JSContextRef ctx) {
    // Read once per process: the C library reads it from sysfs on every call.
    static const long count = std::max(sysconf(_SC_NPROCESSORS_ONLN), 1L);
    return JSValueMakeNumber(ctx, double(count));
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
    return _timers ? _timers->schedule(ctx, argc, argv, exception, false, VLScriptTimers::Owner::Script)
                   : JSValueMakeNull(ctx);
}

JSValueRef VLUtilsJSBinding::setInterval(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                         JSValueRef* exception) {
    return _timers ? _timers->schedule(ctx, argc, argv, exception, true, VLScriptTimers::Owner::Script)
                   : JSValueMakeNull(ctx);
}

JSValueRef VLUtilsJSBinding::clearTimeout(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                          JSValueRef*) {
    if (_timers)
        _timers->cancel(ctx, argc, argv);
    return nullptr;
}

JSValueRef VLUtilsJSBinding::clearInterval(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                           JSValueRef*) {
    if (_timers)
        _timers->cancel(ctx, argc, argv);
    return nullptr;
}

JSValueRef VLUtilsJSBinding::setInternalTimeout(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                                JSValueRef* exception) {
    return _timers ? _timers->schedule(ctx, argc, argv, exception, false, VLScriptTimers::Owner::Prelude)
                   : JSValueMakeNull(ctx);
}
