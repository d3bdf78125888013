#pragma once

#include "Core/Engine/Binding/VLJSBindingBase.h"
#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Engine/Binding/VLJSClassInfo.h"
#include "Core/Engine/Binding/VLJSName.h"

#include <atomic>
#include <initializer_list>
#include <string_view>
#include <type_traits>
#include <utility>

// The script face of a binding class, declared in its static describe() (a whole class is shown in
// VLJSBinding.h):
//
//   static void describe(VLJSClassBuilder<VLFooJSBinding>& b) {
//       b.function<"draw", &VLFooJSBinding::draw>();          // draw(ctx, argc, argv, exception)
//       b.getter<"size", &VLFooJSBinding::size>();            // size(ctx): read-only property
//       b.property<"x", &VLFooJSBinding::x, &VLFooJSBinding::setX>();  // setX(ctx, value)
//       b.eventHandler("onload");                             // evented classes only
//       b.eventHandlerWithOff<"change">();                    // onchange and offchange()
//       b.notImplemented("requestFullscreen");
//       b.constant("MAX", 4);
//   }
//
// Getters and setters may take a trailing exception out-parameter. A function or getter returning
// nullptr gives undefined or null to the script. The loader runs the describe() of the class and then
// those of its superclasses; the first registration of a name wins, so a subclass overrides by
// registering the name again.
// Evented bindings (VLEventedJSBindingBase) serve handler properties.
template <typename T>
concept VLJSHasHandlerProperties = requires {
    &T::handlerPropertyGetter;
    &T::handlerPropertySetter;
};

template <typename T>
class VLJSClassBuilder {
public:
    explicit VLJSClassBuilder(VLJSClassInfo& info) : _info(info) {}

    template <VLJSName Name, auto Method>
    void function() {
        static_assert(
            std::is_invocable_r_v<JSValueRef, decltype(Method), T*, JSContextRef, size_t, const JSValueRef*,
                                  JSValueRef*>,
            "a binding function is JSValueRef name(JSContextRef, size_t argc, const JSValueRef argv[], "
            "JSValueRef* exception) of the class or a superclass");
        _info.addFunction(Name.view(), {&functionTrampoline<Name, Method>, &invokeFunction<Method>});
    }

    template <VLJSName Name, auto Getter>
    void getter() {
        checkGetter<Getter>();
        _info.addProperty(Name.view(),
                          {&getterTrampoline<Name, Getter>, nullptr, &invokeGetter<Getter>, nullptr});
    }

    template <VLJSName Name, auto Getter, auto Setter>
    void property() {
        checkGetter<Getter>();
        static_assert(
            std::is_invocable_v<decltype(Setter), T*, JSContextRef, JSValueRef> ||
                std::is_invocable_v<decltype(Setter), T*, JSContextRef, JSValueRef, JSValueRef*>,
            "a binding setter is void setName(JSContextRef, JSValueRef value[, JSValueRef* exception])");
        _info.addProperty(Name.view(), {&getterTrampoline<Name, Getter>, &setterTrampoline<Name, Setter>,
                                        &invokeGetter<Getter>, &invokeSetter<Setter>});
    }

    // A handler property ("onclick"): its value is the handler of that event type. Evented classes only.
    void eventHandler(std::string_view propertyName) requires VLJSHasHandlerProperties<T> {
        _info.addEventProperty(propertyName, &T::handlerPropertyGetter, &T::handlerPropertySetter);
    }

    // The handler property "on" + type and the function "off" + type, which removes that handler.
    template <VLJSName Type>
    void eventHandlerWithOff() requires VLJSHasHandlerProperties<T> {
        eventHandler(VLJSNameJoin<"on", Type>().view());
        function<VLJSNameJoin<"off", Type>(), &T::template removeHandlerFunction<Type>>();
    }

    // Listed but not implemented: calling it warns on the console and returns undefined.
    void notImplemented(std::string_view name);

    // Set on every instance, read-only and undeletable: a string stays a string, anything else
    // becomes a number.
    void constant(std::string_view name, const VLValue& value) { _info.addConstant(name, value); }
    // A table of {name, value} pairs, for classes that have many constants.
    template <typename Table>
    void constants(const Table& table) {
        for (const auto& [name, value] : table)
            _info.addConstant(name, value);
    }
    void constants(std::initializer_list<std::pair<const char*, double>> table) { constants<>(table); }

private:
    VLJSClassInfo& _info;

    template <auto Getter>
    static constexpr void checkGetter() {
        static_assert(std::is_invocable_r_v<JSValueRef, decltype(Getter), T*, JSContextRef> ||
                          std::is_invocable_r_v<JSValueRef, decltype(Getter), T*, JSContextRef, JSValueRef*>,
                      "a binding getter is JSValueRef name(JSContextRef[, JSValueRef* exception])");
    }

    static T* cast(VLJSBindingBase* instance) { return static_cast<T*>(instance); }

    template <auto Method>
    static JSValueRef invokeFunction(VLJSBindingBase* instance, JSContextRef ctx, size_t argc,
                                     const JSValueRef argv[], JSValueRef* exception) {
        return (cast(instance)->*Method)(ctx, argc, argv, exception);
    }

    template <auto Getter>
    static JSValueRef invokeGetter(VLJSBindingBase* instance, JSContextRef ctx, JSValueRef* exception) {
        if constexpr (std::is_invocable_v<decltype(Getter), T*, JSContextRef, JSValueRef*>)
            return (cast(instance)->*Getter)(ctx, exception);
        else
            return (cast(instance)->*Getter)(ctx);
    }

    template <auto Setter>
    static void invokeSetter(VLJSBindingBase* instance, JSContextRef ctx, JSValueRef value,
                             JSValueRef* exception) {
        if constexpr (std::is_invocable_v<decltype(Setter), T*, JSContextRef, JSValueRef, JSValueRef*>)
            (cast(instance)->*Setter)(ctx, value, exception);
        else
            (cast(instance)->*Setter)(ctx, value);
    }

    // True when the instance belongs to T itself, whose own registration of a name is the one that
    // called: the fast path, without a lookup by name.
    static bool isOfDeclaringClass(const VLJSBindingBase* instance) {
        return &instance->classInfo() == VLJSClassInfoOf<T>.load(std::memory_order_acquire);
    }

    // The check is by name, not by class: any binding instance whose class registered the name is
    // served, by its own class's registration.
    template <VLJSName Name, auto Method>
    static JSValueRef functionTrampoline(JSContextRef ctx, JSObjectRef, JSObjectRef thisObject, size_t argc,
                                         const JSValueRef argv[], JSValueRef* exception) {
        if (VLJSBindingBase* instance = VLJSBindingGetObject(ctx, thisObject)) {
            VLJSFunctionInvoke invoke = &invokeFunction<Method>;
            if (!isOfDeclaringClass(instance)) {
                const VLJSClassInfo::Function* registered = instance->classInfo().function(Name.view());
                invoke = registered ? registered->invoke : nullptr;
            }
            if (invoke) {
                JSValueRef result = invoke(instance, ctx, argc, argv, exception);
                return result ? result : JSValueMakeUndefined(ctx);
            }
        }
        VLJSBindingThrowIllegalInvocation(ctx, exception);
        return JSValueMakeUndefined(ctx);
    }

    // Static values are served only to objects of the classes that hold them, all binding classes, so
    // the object's private data is its instance without a check of its class.
    static VLJSBindingBase* propertyHolder(JSObjectRef object) {
        return static_cast<VLJSBindingBase*>(JSObjectGetPrivate(object));
    }

    template <VLJSName Name>
    static const VLJSClassInfo::Property* registeredProperty(const VLJSBindingBase* instance) {
        return instance->classInfo().property(Name.view());
    }

    template <VLJSName Name, auto Getter>
    static JSValueRef getterTrampoline(JSContextRef ctx, JSObjectRef object, JSStringRef,
                                       JSValueRef* exception) {
        VLJSBindingBase* instance = propertyHolder(object);
        if (!instance || !instance->hasBindingContext())
            return JSValueMakeUndefined(ctx);
        VLJSGetterInvoke get = &invokeGetter<Getter>;
        if (!isOfDeclaringClass(instance)) {
            const VLJSClassInfo::Property* registered = registeredProperty<Name>(instance);
            get = registered ? registered->get : nullptr;
        }
        if (!get)
            return JSValueMakeUndefined(ctx);
        JSValueRef result = get(instance, ctx, exception);
        return result ? result : JSValueMakeNull(ctx);
    }

    template <VLJSName Name, auto Setter>
    static bool setterTrampoline(JSContextRef ctx, JSObjectRef object, JSStringRef, JSValueRef value,
                                 JSValueRef* exception) {
        VLJSBindingBase* instance = propertyHolder(object);
        if (!instance || !instance->hasBindingContext())
            return false;
        VLJSSetterInvoke set = &invokeSetter<Setter>;
        if (!isOfDeclaringClass(instance)) {
            const VLJSClassInfo::Property* registered = registeredProperty<Name>(instance);
            set = registered ? registered->set : nullptr;
        }
        if (!set)
            return false;
        set(instance, ctx, value, exception);
        return true;
    }
};

// The callback of every function that is listed but not implemented.
JSValueRef VLJSNotImplementedFunctionCallback(JSContextRef ctx, JSObjectRef function, JSObjectRef thisObject,
                                              size_t argc, const JSValueRef argv[], JSValueRef* exception);

template <typename T>
void VLJSClassBuilder<T>::notImplemented(std::string_view name) {
    _info.addFunction(name, {&VLJSNotImplementedFunctionCallback, nullptr});
}
