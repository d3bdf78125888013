#include "Core/Engine/Binding/VLEventedJSBindingBase.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/Binding/VLJSBindingEvent.h"
#include "Core/Engine/Binding/VLJSFunctionInvoker.h"
#include "Core/Engine/JS/VLJSString.h"
#include "Core/Engine/JS/VLJSValueBridge.h"

#include <algorithm>

namespace {

// The type and the object of addEventListener(type, listener) and removeEventListener; nothing
// unless both are given and of those kinds.
bool readListenerArguments(JSContextRef ctx, size_t argc, const JSValueRef argv[], std::string& type,
                           JSObjectRef& listener) {
    if (argc < 2 || !JSValueIsObject(ctx, argv[1]))
        return false;
    std::optional<std::string> text = VLJSValueToNSString(ctx, argv[0]);
    if (!text)
        return false;
    type = std::move(*text);
    listener = JSValueToObject(ctx, argv[1], nullptr);
    return listener != nullptr;
}

// The binding behind the object when its class has the handler property.
VLEventedJSBindingBase* eventedInstance(JSContextRef ctx, JSObjectRef object,
                                        const std::string& propertyName) {
    VLJSBindingBase* instance = VLJSBindingGetObject(ctx, object);
    if (!instance || !instance->classInfo().hasEventProperty(propertyName))
        return nullptr;
    return static_cast<VLEventedJSBindingBase*>(instance);
}

} // namespace

JSValueRef VLEventedJSBindingBase::addEventListener(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                                    JSValueRef* exception) {
    std::string type;
    JSObjectRef listener = nullptr;
    if (readListenerArguments(ctx, argc, argv, type, listener))
        addListenerForType(type, ctx, listener, exception);
    return nullptr;
}

JSValueRef VLEventedJSBindingBase::removeEventListener(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                                       JSValueRef*) {
    std::string type;
    JSObjectRef listener = nullptr;
    if (readListenerArguments(ctx, argc, argv, type, listener))
        removeListenerForType(type, ctx, listener);
    return nullptr;
}

JSValueRef VLEventedJSBindingBase::destroy(JSContextRef, size_t, const JSValueRef[], JSValueRef*) {
    removeAllListeners();
    removeAllCallbacks();
    return nullptr;
}

void VLEventedJSBindingBase::describe(VLJSClassBuilder<VLEventedJSBindingBase>& b) {
    b.function<"addEventListener", &VLEventedJSBindingBase::addEventListener>();
    b.function<"removeEventListener", &VLEventedJSBindingBase::removeEventListener>();
    b.function<"destroy", &VLEventedJSBindingBase::destroy>();
}

std::string VLEventedJSBindingBase::eventFromType(std::string_view type) const {
    return std::string(type.starts_with("on") ? type.substr(2) : type);
}

JSGlobalContextRef VLEventedJSBindingBase::protectionContext() const {
    auto bindingContext = this->bindingContext();
    return bindingContext ? bindingContext->globalCtx() : nullptr;
}

void VLEventedJSBindingBase::addListenerForType(std::string_view type, JSContextRef ctx, JSValueRef listener,
                                                JSValueRef*) {
    std::string event = eventFromType(type);
    if (event.empty() || !listener || !JSValueIsObject(ctx, listener))
        return;
    JSValueRef conversionException = nullptr;
    JSObjectRef function = JSValueToObject(ctx, listener, &conversionException);
    if (conversionException) {
        VLJSBindingHandleJSException(this, conversionException);
        return;
    }
    if (!JSObjectIsFunction(ctx, function))
        return;
    VLJSValueProtect(ctx, function);
    _eventListeners[event].push_back(function);
}

void VLEventedJSBindingBase::removeListenerForType(std::string_view type, JSContextRef ctx,
                                                   JSObjectRef listener) {
    auto listed = _eventListeners.find(eventFromType(type));
    if (listed == _eventListeners.end())
        return;
    std::vector<JSObjectRef>& listeners = listed->second;
    if (listener && JSObjectIsFunction(ctx, listener)) {
        auto found = std::find_if(listeners.begin(), listeners.end(), [&](JSObjectRef candidate) {
            return JSValueIsStrictEqual(ctx, candidate, listener);
        });
        if (found != listeners.end()) {
            VLJSValueUnprotect(ctx, *found);
            listeners.erase(found);
        }
        return;
    }
    for (JSObjectRef function : listeners)
        VLJSValueUnprotect(ctx, function);
    listeners.clear();
}

JSValueRef VLEventedJSBindingBase::callbackForType(std::string_view type, JSContextRef ctx) {
    auto stored = _callbacks.find(eventFromType(type));
    return stored == _callbacks.end() ? JSValueMakeUndefined(ctx) : stored->second;
}

void VLEventedJSBindingBase::setCallbackForType(std::string_view type, JSContextRef ctx, JSValueRef callback,
                                                JSValueRef* exception) {
    std::string event = eventFromType(type);
    if (event.empty())
        return;
    removeCallbackForType(event, ctx);
    if (!callback || !JSValueIsObject(ctx, callback))
        return;
    JSValueRef conversionException = nullptr;
    JSObjectRef function = JSValueToObject(ctx, callback, &conversionException);
    if (conversionException) {
        VLJSBindingHandleJSException(this, conversionException);
        if (exception)
            *exception = conversionException;
        return;
    }
    if (!JSObjectIsFunction(ctx, function))
        return;
    VLJSValueProtect(ctx, function);
    _callbacks[event] = function;
}

void VLEventedJSBindingBase::removeCallbackForType(std::string_view type, JSContextRef ctx) {
    auto stored = _callbacks.find(eventFromType(type));
    if (stored == _callbacks.end())
        return;
    VLJSValueUnprotect(ctx, stored->second);
    _callbacks.erase(stored);
}

bool VLEventedJSBindingBase::hasHandlersForType(std::string_view type) const {
    std::string event = eventFromType(type);
    auto listed = _eventListeners.find(event);
    return (listed != _eventListeners.end() && !listed->second.empty()) || _callbacks.contains(event);
}

void VLEventedJSBindingBase::triggerEvent(std::string_view type) {
    triggerEvent(type, 0, nullptr);
}

bool VLEventedJSBindingBase::isListed(const std::string& type, JSObjectRef listener) const {
    auto listed = _eventListeners.find(type);
    return listed != _eventListeners.end() &&
           std::find(listed->second.begin(), listed->second.end(), listener) != listed->second.end();
}

void VLEventedJSBindingBase::call(JSObjectRef function, size_t argc, const JSValueRef argv[]) {
    JSValueRef exception = nullptr;
    functionInvoker()->invokeFunction(function, jsObject(), argc, argv, &exception);
    if (exception)
        VLJSBindingHandleJSException(this, exception);
}

void VLEventedJSBindingBase::triggerEvent(std::string_view type, size_t argc, const JSValueRef argv[]) {
    JSGlobalContextRef ctx = protectionContext();
    std::string event = eventFromType(type);
    if (!ctx || event.empty())
        return;
    auto listed = _eventListeners.find(event);
    std::vector<JSObjectRef> snapshot =
        listed == _eventListeners.end() ? std::vector<JSObjectRef>() : listed->second;
    if (snapshot.empty() && !_callbacks.contains(event))
        return;
    // A listener may drop the last script reference to this binding, or remove later listeners.
    std::shared_ptr<VLJSBindingBase> keepAlive = shared_from_this();
    for (JSObjectRef listener : snapshot)
        VLJSValueProtect(ctx, listener);
    for (JSObjectRef listener : snapshot) {
        if (isListed(event, listener))
            call(listener, argc, argv);
    }
    for (JSObjectRef listener : snapshot)
        VLJSValueUnprotect(ctx, listener);
    auto handler = _callbacks.find(event);
    if (handler != _callbacks.end()) {
        JSObjectRef function = handler->second;
        VLJSValueProtect(ctx, function);
        call(function, argc, argv);
        VLJSValueUnprotect(ctx, function);
    }
}

void VLEventedJSBindingBase::triggerEvent(
    std::string_view type, std::initializer_list<std::pair<const char*, JSValueRef>> properties) {
    std::string event = eventFromType(type);
    auto bindingContext = this->bindingContext();
    JSGlobalContextRef ctx = protectionContext();
    if (!ctx || event.empty() || !hasHandlersForType(event))
        return;
    JSObjectRef object =
        VLJSBindingEvent::createJSObjectWithBindingContext(bindingContext, event, jsObject());
    for (const auto& [name, value] : properties)
        JSObjectSetProperty(ctx, object, VLJSString(name).get(), value, kJSPropertyAttributeReadOnly,
                            nullptr);
    JSValueRef argument = object;
    triggerEvent(event, 1, &argument);
}

void VLEventedJSBindingBase::removeAllListeners() {
    if (JSGlobalContextRef ctx = protectionContext()) {
        for (const auto& [type, listeners] : _eventListeners) {
            for (JSObjectRef listener : listeners)
                VLJSValueUnprotect(ctx, listener);
        }
    }
    _eventListeners.clear();
}

void VLEventedJSBindingBase::removeAllCallbacks() {
    if (JSGlobalContextRef ctx = protectionContext()) {
        for (const auto& [type, callback] : _callbacks)
            VLJSValueUnprotect(ctx, callback);
    }
    _callbacks.clear();
}

void VLEventedJSBindingBase::willCollectGarbage() {
    Super::willCollectGarbage();
    removeAllListeners();
    removeAllCallbacks();
}

JSValueRef VLEventedJSBindingBase::handlerPropertyGetter(JSContextRef ctx, JSObjectRef object,
                                                         JSStringRef propertyName, JSValueRef*) {
    std::string name = VLJSString::toUTF8(propertyName);
    VLEventedJSBindingBase* instance = eventedInstance(ctx, object, name);
    if (!instance)
        return JSValueMakeUndefined(ctx);
    JSValueRef handler = instance->callbackForType(name, ctx);
    return handler ? handler : JSValueMakeNull(ctx);
}

bool VLEventedJSBindingBase::handlerPropertySetter(JSContextRef ctx, JSObjectRef object,
                                                   JSStringRef propertyName, JSValueRef value,
                                                   JSValueRef* exception) {
    std::string name = VLJSString::toUTF8(propertyName);
    VLEventedJSBindingBase* instance = eventedInstance(ctx, object, name);
    if (!instance || !instance->hasBindingContext())
        return false;
    instance->setCallbackForType(name, ctx, value, exception);
    return true;
}
