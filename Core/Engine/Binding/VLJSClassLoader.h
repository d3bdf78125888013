#pragma once

#include "Core/Engine/Binding/VLJSBindingBase.h"
#include "Core/Engine/Binding/VLJSClassBuilder.h"
#include "Core/Engine/Binding/VLJSClassInfo.h"
#include "Core/Engine/Binding/VLJSExportSingleton.h"

#include <concepts>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <typeindex>
#include <typeinfo>

template <typename Self, typename SuperClass>
class VLJSBinding;

// Builds the JavaScript class of each binding class once per process, from its describe() and those
// of its superclasses, and puts the scope objects of binding contexts on their global objects.
// Class information is shared by every runtime of the process; building it happens under one lock.
class VLJSClassLoader {
public:
    VLJSClassLoader() = delete;

    // The class information of T, built on first use.
    template <typename T>
    static const VLJSClassInfo& loadNativeClass();

    // The cached information of the type, made by `build` under the loader's lock on a miss.
    static const VLJSClassInfo& loadNativeClass(std::type_index type,
                                                const std::function<std::unique_ptr<VLJSClassInfo>()>& build);

    // Sets the scope object of the binding context on its global object under the context's scope
    // name, read-only and undeletable. On the binding context's JavaScript thread.
    static void loadBindingContext(const std::shared_ptr<VLJSBindingContext>& bindingContext);

    // The JavaScript class name by default: "VLFooJSBinding" gives "Foo"; any other name stays whole.
    static std::string defaultBindingClassName(std::string_view className);
    static std::string defaultBindingClassName(const std::type_info& type);

private:
    template <typename T>
    static std::unique_ptr<VLJSClassInfo> buildClass(const VLJSClassInfo* superclass);
    template <typename Level>
    static void describeLevels(VLJSClassInfo& info);
    // Whether the describe() that the class sees is its superclass's, not a mistyped one of its own.
    template <typename Level>
    static consteval bool inheritsDescribe() {
        if constexpr (requires { &Level::Super::describe; }) {
            if constexpr (std::is_same_v<decltype(&Level::describe), decltype(&Level::Super::describe)>)
                return &Level::describe == &Level::Super::describe;
        }
        return false;
    }
    static void finishClass(VLJSClassInfo& info);
};

template <typename T>
const VLJSClassInfo& VLJSClassLoader::loadNativeClass() {
    if (const VLJSClassInfo* info = VLJSClassInfoOf<T>.load(std::memory_order_acquire))
        return *info;
    const VLJSClassInfo* superclass = nullptr;
    if constexpr (!std::is_same_v<T, VLJSBindingBase>)
        superclass = &loadNativeClass<typename T::Super>();
    const VLJSClassInfo& info =
        loadNativeClass(typeid(T), [superclass] { return buildClass<T>(superclass); });
    VLJSClassInfoOf<T>.store(&info, std::memory_order_release);
    return info;
}

template <typename T>
std::unique_ptr<VLJSClassInfo> VLJSClassLoader::buildClass(const VLJSClassInfo* superclass) {
    static_assert(std::is_base_of_v<VLJSBindingBase, T>, "a binding class derives from VLJSBindingBase");
    if constexpr (!std::is_same_v<T, VLJSBindingBase>) {
        static_assert(std::is_base_of_v<VLJSBinding<T, typename T::Super>, T>,
                      "a binding class derives through VLJSBinding<Self, Super>");
    }
    std::string name;
    if constexpr (requires {
                      { T::bindingClassName() } -> std::convertible_to<std::string>;
                  })
        name = T::bindingClassName();
    else
        name = defaultBindingClassName(typeid(T));

    VLJSClassInfo::Construction construction;
    construction.validate = &T::validateConstructionWithContext;
    if constexpr (!std::is_abstract_v<T> && std::is_default_constructible_v<T>)
        construction.allocate = []() -> std::shared_ptr<VLJSBindingBase> { return std::make_shared<T>(); };
    construction.singleton = std::is_base_of_v<VLJSExportSingleton, T>;

    auto info = std::make_unique<VLJSClassInfo>(typeid(T), std::move(name), superclass, construction);
    describeLevels<T>(*info);
    finishClass(*info);
    return info;
}

// The class's own describe() first, then its superclasses' up to VLJSBindingBase. A class that
// declares no describe() of its own adds nothing at its level.
template <typename Level>
void VLJSClassLoader::describeLevels(VLJSClassInfo& info) {
    if constexpr (requires {
                      { &Level::describe } -> std::same_as<void (*)(VLJSClassBuilder<Level>&)>;
                  }) {
        VLJSClassBuilder<Level> builder(info);
        Level::describe(builder);
    } else if constexpr (requires { &Level::describe; }) {
        static_assert(inheritsDescribe<Level>(),
                      "a binding class's describe() takes VLJSClassBuilder<the class itself>&");
    }
    if constexpr (!std::is_same_v<Level, VLJSBindingBase>)
        describeLevels<typename Level::Super>(info);
}
