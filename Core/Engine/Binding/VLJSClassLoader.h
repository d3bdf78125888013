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

// Builds the JavaScript class of each binding class once per process, from its superclass's members and
// its own describe(), and puts the scope objects of binding contexts on their global objects. Class
// information is shared by every runtime of the process. It is built outside the loader's lock (a
// describe() may load other classes); when two threads build one class at once, the first to finish
// is kept.
class VLJSClassLoader {
public:
    VLJSClassLoader() = delete;

    // The class information of T, built on first use.
    template <typename T>
    static const VLJSClassInfo& loadNativeClass();

    // The cached information of the type; on a miss `build` makes it, outside the lock.
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

    // The superclass's members come with it; a class that declares no describe() of its own adds
    // nothing.
    auto info = std::make_unique<VLJSClassInfo>(typeid(T), std::move(name), superclass, construction);
    if constexpr (requires {
                      { &T::describe } -> std::same_as<void (*)(VLJSClassBuilder<T>&)>;
                  }) {
        VLJSClassBuilder<T> builder(*info);
        T::describe(builder);
    } else if constexpr (requires { &T::describe; }) {
        static_assert(inheritsDescribe<T>(),
                      "a binding class's describe() takes VLJSClassBuilder<the class itself>&");
    }
    finishClass(*info);
    return info;
}
