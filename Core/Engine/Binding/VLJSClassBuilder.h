#pragma once

#include "Core/Engine/Binding/VLJSBindingBase.h"
#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Engine/Binding/VLJSCallRule.h"
#include "Core/Engine/Binding/VLJSClassInfo.h"
#include "Core/Engine/Binding/VLJSMethodSignature.h"
#include "Core/Engine/Binding/VLJSName.h"

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <string_view>
#include <type_traits>
#include <utility>

// The script face of a binding class, declared in its static describe() (a whole class is shown in
// VLJSBinding.h):
//
//   static void describe(VLJSClassBuilder<VLFooJSBinding>& b) {
//       b.method<"moveTo", &VLFooJSBinding::moveTo>();        // moveTo(ctx, float x, float y)
//       b.method<"scale", &VLFooJSBinding::scale, VLJSMinimum(1)>();
//       b.function<"draw", &VLFooJSBinding::draw>();          // draw(ctx, argc, argv, exception)
//       b.getter<"size", &VLFooJSBinding::size>();            // size(ctx): read-only property
//       b.property<"x", &VLFooJSBinding::x, &VLFooJSBinding::setX>();  // setX(ctx, value)
//       b.eventHandler("onload");                             // evented classes only
//       b.eventHandlerWithOff<"change">();                    // onchange and offchange()
//       b.notImplemented("requestFullscreen");
//       b.constant("MAX", 4);
//   }
//
// Typed methods (method) take their arguments as C++ values, converted by VLJSArgument (numbers as
// VLJSValueToNumberFast reads them, never throwing), and may end with a JSValueRef* exception
// parameter. A call with fewer arguments than the method's minimum returns at once (undefined, or null
// when its VLJSCallRule says so) without running it; by default the minimum is the number of
// parameters before the first std::optional one. Raw functions (function) take the arguments as they
// come, for the odd cases. A function or getter returning nullptr gives undefined or null to the script.
// Setters take a JSValueRef or any parameter type of the converter family, and may take an exception.
// Long regular lists are declared once with the macros of VLJSClassList.h.
//
// A class starts from its superclass's members and registers its own; registering an inherited name
// again overrides it. A name is one kind of member only (function, property, handler property or
// constant), else the class is refused when it is built. Calls are served by the most derived
// registration of the object's own class, for inherited members too without a lookup by name.
//
// Evented bindings (VLEventedJSBindingBase) serve handler properties.
template <typename T>
concept VLJSHasHandlerProperties = requires {
    &T::handlerPropertyGetter;
    &T::handlerPropertySetter;
};

template <typename T>
class VLJSClassBuilder {
public:
    using Class = T;

    explicit VLJSClassBuilder(VLJSClassInfo& info) : _info(info) {}

    template <VLJSName Name, auto Method, VLJSCallRule Rule = VLJSCallRule{}>
    void method() {
        using Signature = VLJSMethodSignature<decltype(Method)>;
        static_assert(std::is_base_of_v<std::remove_const_t<typename Signature::Class>, T>,
                      "a binding method is a member of the class or a superclass");
        static_assert(Rule.minimumCount < 0 || size_t(Rule.minimumCount) <= Signature::argumentCount,
                      "the minimum count of a binding method is at most its number of arguments");
        addFunction<Name, &invokeMethod<Method, Rule>>();
    }

    template <VLJSName Name, auto Method>
    void function() {
        static_assert(
            std::is_invocable_r_v<JSValueRef, decltype(Method), T*, JSContextRef, size_t, const JSValueRef*,
                                  JSValueRef*>,
            "a binding function is JSValueRef name(JSContextRef, size_t argc, const JSValueRef argv[], "
            "JSValueRef* exception) of the class or a superclass");
        addFunction<Name, &invokeFunction<Method>>();
    }

    template <VLJSName Name, auto Getter>
    void getter() {
        checkGetter<Getter>();
        // No setter: JavaScriptCore makes the property read-only.
        addProperty<Name, &invokeGetter<Getter>, nullptr>(nullptr);
    }

    template <VLJSName Name, auto Getter, auto Setter>
    void property() {
        checkGetter<Getter>();
        using Signature = VLJSMethodSignature<decltype(Setter)>;
        static_assert(std::is_base_of_v<std::remove_const_t<typename Signature::Class>, T> &&
                          Signature::argumentCount == 1,
                      "a binding setter is void setName(JSContextRef, value[, JSValueRef* exception]), the "
                      "value a JSValueRef or a parameter type of VLJSArgument");
        constexpr VLJSGetterInvoke get = &invokeGetter<Getter>;
        constexpr VLJSSetterInvoke set = &invokeSetter<Setter>;
        addProperty<Name, get, set>(&setterTrampoline<Name, get, set>);
    }

    // A handler property ("onclick"): its value is the handler of that event type. Evented classes only.
    void eventHandler(std::string_view propertyName) requires VLJSHasHandlerProperties<T> {
        _info.addEventProperty(propertyName, {&T::handlerPropertyGetter, &T::handlerPropertySetter});
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
        _info.reserveConstants(std::size(table));
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

    template <auto Method, VLJSCallRule Rule>
    static JSValueRef invokeMethod(VLJSBindingBase* instance, JSContextRef ctx, size_t argc,
                                   const JSValueRef argv[], JSValueRef* exception) {
        using Signature = VLJSMethodSignature<decltype(Method)>;
        constexpr size_t minimum =
            Rule.minimumCount < 0 ? Signature::requiredCount : size_t(Rule.minimumCount);
        if (argc < minimum)
            return Rule.shortCall == VLJSShortCall::null ? JSValueMakeNull(ctx) : nullptr;
        return Signature::template call<Method>(cast(instance), ctx, argc, argv, exception);
    }

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
        VLJSMethodSignature<decltype(Setter)>::template call<Setter>(cast(instance), ctx, 1, &value,
                                                                     exception);
    }

    // The slot of each member T registered, the same in every class derived from T.
    template <VLJSName Name, VLJSFunctionInvoke Invoke>
    static inline std::atomic<uint32_t> functionSlot{0};
    template <VLJSName Name, VLJSGetterInvoke Get, VLJSSetterInvoke Set>
    static inline std::atomic<uint32_t> propertySlot{0};

    template <VLJSName Name, VLJSFunctionInvoke Invoke>
    void addFunction() {
        if (std::optional<uint32_t> slot =
                _info.addFunction(Name.view(), {&functionTrampoline<Name, Invoke>, Invoke}))
            functionSlot<Name, Invoke>.store(*slot, std::memory_order_relaxed);
    }

    template <VLJSName Name, VLJSGetterInvoke Get, VLJSSetterInvoke Set>
    void addProperty(JSObjectSetPropertyCallback setter) {
        VLJSClassInfo::Property property{&getterTrampoline<Name, Get, Set>, setter, Get, Set};
        if (std::optional<uint32_t> slot = _info.addProperty(Name.view(), property))
            propertySlot<Name, Get, Set>.store(*slot, std::memory_order_relaxed);
    }

    static const VLJSClassInfo* declaringClass() {
        return VLJSClassInfoOf<T>.load(std::memory_order_acquire);
    }

    // The registration of a name that T registered, in the class of an instance that is not of T
    // itself: by slot in a class derived from T, else by name (any binding class may have a member of
    // that name). nullptr when the class has none.
    template <typename Member, auto Slot, typename Find, typename At>
    static const Member* registrationIn(const VLJSClassInfo& info, std::string_view name, Find find, At at) {
        const VLJSClassInfo* declaring = declaringClass();
        if (declaring && info.isKindOf(*declaring))
            return &(info.*at)(Slot->load(std::memory_order_relaxed));
        return (info.*find)(name);
    }

    template <VLJSName Name, VLJSFunctionInvoke Invoke>
    static JSValueRef functionTrampoline(JSContextRef ctx, JSObjectRef, JSObjectRef thisObject, size_t argc,
                                         const JSValueRef argv[], JSValueRef* exception) {
        if (VLJSBindingBase* instance = VLJSBindingGetObject(ctx, thisObject)) {
            const VLJSClassInfo& info = instance->classInfo();
            JSValueRef result = nullptr;
            if (&info == declaringClass()) {
                result = Invoke(instance, ctx, argc, argv, exception);
                return result ? result : JSValueMakeUndefined(ctx);
            }
            const VLJSClassInfo::Function* registered =
                registrationIn<VLJSClassInfo::Function, &functionSlot<Name, Invoke>>(
                    info, Name.view(), &VLJSClassInfo::function, &VLJSClassInfo::functionAt);
            if (registered && registered->invoke) {
                result = registered->invoke(instance, ctx, argc, argv, exception);
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

    template <VLJSName Name, VLJSGetterInvoke Get, VLJSSetterInvoke Set>
    static const VLJSClassInfo::Property* registeredProperty(const VLJSClassInfo& info) {
        return registrationIn<VLJSClassInfo::Property, &propertySlot<Name, Get, Set>>(
            info, Name.view(), &VLJSClassInfo::property, &VLJSClassInfo::propertyAt);
    }

    template <VLJSName Name, VLJSGetterInvoke Get, VLJSSetterInvoke Set>
    static JSValueRef getterTrampoline(JSContextRef ctx, JSObjectRef object, JSStringRef,
                                       JSValueRef* exception) {
        VLJSBindingBase* instance = propertyHolder(object);
        if (!instance || !instance->hasBindingContext())
            return JSValueMakeUndefined(ctx);
        const VLJSClassInfo& info = instance->classInfo();
        VLJSGetterInvoke get = Get;
        if (&info != declaringClass()) {
            const VLJSClassInfo::Property* registered = registeredProperty<Name, Get, Set>(info);
            get = registered ? registered->get : nullptr;
        }
        if (!get)
            return JSValueMakeUndefined(ctx);
        JSValueRef result = get(instance, ctx, exception);
        return result ? result : JSValueMakeNull(ctx);
    }

    template <VLJSName Name, VLJSGetterInvoke Get, VLJSSetterInvoke Set>
    static bool setterTrampoline(JSContextRef ctx, JSObjectRef object, JSStringRef, JSValueRef value,
                                 JSValueRef* exception) {
        VLJSBindingBase* instance = propertyHolder(object);
        if (!instance || !instance->hasBindingContext())
            return false;
        const VLJSClassInfo& info = instance->classInfo();
        VLJSSetterInvoke set = Set;
        if (&info != declaringClass()) {
            const VLJSClassInfo::Property* registered = registeredProperty<Name, Get, Set>(info);
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
