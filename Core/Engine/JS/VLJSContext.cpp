#include "Core/Engine/JS/VLJSContext.h"

#include "Core/Engine/JS/VLJSString.h"
#include "Core/Engine/JS/VLJSValueBridge.h"

namespace {

JSValueRef callNativeFunction(JSContextRef ctx, JSObjectRef function, JSObjectRef thisObject,
                              size_t argumentCount, const JSValueRef arguments[], JSValueRef* exception) {
    auto* body = static_cast<VLJSFunction*>(JSObjectGetPrivate(function));
    JSValueRef result = body ? (*body)(ctx, thisObject, argumentCount, arguments, exception) : nullptr;
    return result ? result : JSValueMakeUndefined(ctx);
}

void finalizeNativeFunction(JSObjectRef function) {
    delete static_cast<VLJSFunction*>(JSObjectGetPrivate(function));
}

// One class for every native function of the process.
JSClassRef nativeFunctionClass() {
    static JSClassRef functionClass = [] {
        JSClassDefinition definition = kJSClassDefinitionEmpty;
        definition.className = "Function";
        definition.callAsFunction = callNativeFunction;
        definition.finalize = finalizeNativeFunction;
        return JSClassCreate(&definition);
    }();
    return functionClass;
}

} // namespace

VLJSContext::VLJSContext()
    : _group(JSContextGroupCreate()), _globalContext(JSGlobalContextCreateInGroup(_group, nullptr)) {}

VLJSContext::~VLJSContext() {
    JSGlobalContextRelease(_globalContext);
    JSContextGroupRelease(_group);
}

std::string VLJSContext::name() const {
    return VLJSString::adopt(JSGlobalContextCopyName(_globalContext)).utf8();
}

void VLJSContext::setName(std::string_view name) {
    VLJSString text(name);
    JSGlobalContextSetName(_globalContext, text.get());
}

void VLJSContext::notifyException(JSValueRef exception) {
    if (exception && _exceptionHandler)
        _exceptionHandler(*this, exception);
}

JSValueRef VLJSContext::evaluateScript(std::string_view script, std::string_view sourceURL,
                                       JSValueRef* exception) {
    VLJSString text(script);
    VLJSString url(sourceURL);
    JSValueRef thrown = nullptr;
    JSValueRef result = JSEvaluateScript(_globalContext, text.get(), nullptr,
                                         sourceURL.empty() ? nullptr : url.get(), 1, &thrown);
    if (!thrown)
        return result;
    if (exception)
        *exception = thrown;
    else
        notifyException(thrown);
    return nullptr;
}

JSValueRef VLJSContext::call(JSObjectRef function, std::span<const JSValueRef> arguments,
                             JSObjectRef thisObject) {
    JSValueRef exception = nullptr;
    JSValueRef result =
        JSObjectCallAsFunction(_globalContext, function, thisObject ? thisObject : globalObject(),
                               arguments.size(), arguments.data(), &exception);
    if (exception) {
        notifyException(exception);
        return nullptr;
    }
    return result;
}

JSObjectRef VLJSContext::makeFunction(std::string_view name, VLJSFunction body) {
    JSObjectRef function =
        JSObjectMake(_globalContext, nativeFunctionClass(), new VLJSFunction(std::move(body)));
    // Scripts see an ordinary function: Function.prototype's methods and a name.
    JSObjectRef functionConstructor = VLJSFunctionFromProperty(_globalContext, globalObject(), "Function");
    if (JSValueRef prototype = VLGetJSObjectProperty(_globalContext, functionConstructor, "prototype"))
        JSObjectSetPrototype(_globalContext, function, prototype);
    VLJSString nameProperty("name");
    JSObjectSetProperty(_globalContext, function, nameProperty.get(),
                        VLJSValueFromNSString(_globalContext, name),
                        kJSPropertyAttributeReadOnly | kJSPropertyAttributeDontEnum, nullptr);
    return function;
}
