#pragma once

#include "Core/Engine/Binding/VLJSBinding.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// The base of bindings that report happenings to scripts: DOM-like addEventListener,
// removeEventListener, one handler property per event type (declared by the subclass with
// b.eventHandler("onclick") or b.eventHandlerWithOff<"click">()) and destroy(); and, for native code,
// triggerEvent(). Listeners and handlers are protected while stored. JavaScript thread only.
class VLEventedJSBindingBase : public VLJSBinding<VLEventedJSBindingBase> {
public:
    // Script face.
    JSValueRef addEventListener(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                JSValueRef* exception);
    JSValueRef removeEventListener(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                   JSValueRef* exception);
    JSValueRef destroy(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    static void describe(VLJSClassBuilder<VLEventedJSBindingBase>& b);

    // Appends a listener function of the type; other values are ignored.
    virtual void addListenerForType(std::string_view type, JSContextRef ctx, JSValueRef listener,
                                    JSValueRef* exception);
    // Removes the first listener strictly equal to a function; with nullptr or a non-function object,
    // every listener of the type.
    virtual void removeListenerForType(std::string_view type, JSContextRef ctx, JSObjectRef listener);
    // The handler of the type, or undefined.
    virtual JSValueRef callbackForType(std::string_view type, JSContextRef ctx);
    // Replaces the handler of the type by a function; any other value just removes it.
    virtual void setCallbackForType(std::string_view type, JSContextRef ctx, JSValueRef callback,
                                    JSValueRef* exception);
    virtual void removeCallbackForType(std::string_view type, JSContextRef ctx);

    // Whether the type has a listener or a handler.
    bool hasHandlersForType(std::string_view type) const;
    // Whether any of the types has a handler (listeners do not count).
    template <typename Types>
    bool hasBindCallbackInTypes(const Types& types) const {
        for (const auto& type : types) {
            if (_callbacks.contains(eventFromType(type)))
                return true;
        }
        return false;
    }
    bool hasBindCallbackInTypes(std::initializer_list<std::string_view> types) const {
        return hasBindCallbackInTypes<>(types);
    }

    // Calls the type's listeners, in the order they were added, and then its handler, each with the
    // binding's object as `this`. A listener removed during the dispatch is skipped, one added is not
    // called in it; exceptions are reported and the dispatch goes on.
    void triggerEvent(std::string_view type);
    void triggerEvent(std::string_view type, size_t argc, const JSValueRef argv[]);
    // Fires with one event object (VLJSBindingEvent) carrying the extra properties, read-only. No
    // event object is made when nobody listens.
    void triggerEvent(std::string_view type,
                      std::initializer_list<std::pair<const char*, JSValueRef>> properties);

    virtual void removeAllListeners();
    virtual void removeAllCallbacks();
    void willCollectGarbage() override;

    // Used by VLJSClassBuilder for handler properties and their off functions.
    static JSValueRef handlerPropertyGetter(JSContextRef ctx, JSObjectRef object, JSStringRef propertyName,
                                            JSValueRef* exception);
    static bool handlerPropertySetter(JSContextRef ctx, JSObjectRef object, JSStringRef propertyName,
                                      JSValueRef value, JSValueRef* exception);
    template <VLJSName Type>
    JSValueRef removeHandlerFunction(JSContextRef ctx, size_t, const JSValueRef[], JSValueRef*) {
        removeCallbackForType(Type.view(), ctx);
        return nullptr;
    }

protected:
    // The event type of a type or handler-property name: a leading "on" is dropped.
    virtual std::string eventFromType(std::string_view type) const;

private:
    // The global context to unprotect in while the binding context is bound, else nullptr.
    JSGlobalContextRef protectionContext() const;
    bool isListed(const std::string& type, JSObjectRef listener) const;
    void call(JSObjectRef function, size_t argc, const JSValueRef argv[]);

    std::unordered_map<std::string, std::vector<JSObjectRef>> _eventListeners;
    std::unordered_map<std::string, JSObjectRef> _callbacks;
};
