#pragma once

#include "Core/Engine/Parts/VLDynamicParts.h"

#include <memory>
#include <string>
#include <type_traits>
#include <typeinfo>

template <typename T>
class VLPartClassOf;

// A registered class as a part: the class object that the registry holds in place of the class
// itself. It names the class, answers protocol and superclass questions without making an instance,
// and makes instances on request. Protocols with class-side methods (methods asked of the class, not
// of an instance) are adopted by a class object of the class's own, derived from VLPartClassOf<T>:
//   class VLFontsModuleClass final : public VLPartClassOf<VLFontsModule>, public VLRuntimeModule {...};
//   VLPart::ofClass<VLFontsModule, VLFontsModuleClass>()
// Class objects are immutable and shared by all threads.
class VLPartClass {
public:
    virtual ~VLPartClass() = default;
    VLPartClass(const VLPartClass&) = delete;
    VLPartClass& operator=(const VLPartClass&) = delete;

    // The one class object of T (made on first use).
    template <typename T, typename ClassObject = VLPartClassOf<T>>
    static std::shared_ptr<const VLPartClass> of() {
        static_assert(std::is_base_of_v<VLPartClassOf<T>, ClassObject>);
        static const std::shared_ptr<const VLPartClass> classObject = std::make_shared<const ClassObject>();
        return classObject;
    }

    const std::string& name() const { return _name; }
    const std::type_info& type() const { return _type; }

    // The class itself or a public subclass of `cls`.
    bool isSubclassOf(const std::type_info& cls) const;
    // Instances of the class adopt the protocol, or the class object does.
    bool conformsToProtocol(const std::type_info& protocol) const;
    // The class object's side of a class-side protocol, or nullptr.
    template <typename Protocol>
    const Protocol* classSide() const {
        return dynamic_cast<const Protocol*>(this);
    }

    // A new instance made without arguments; nullptr for a class that cannot be made that way.
    virtual std::shared_ptr<VLDynamicParts> make() const = 0;

    // A class describes itself by its name.
    const std::string& description() const { return _name; }

protected:
    explicit VLPartClass(const std::type_info& type);

private:
    const std::type_info& _type;
    const std::string _name;
};

template <typename T>
class VLPartClassOf : public VLPartClass {
public:
    VLPartClassOf() : VLPartClass(typeid(T)) {}

    std::shared_ptr<VLDynamicParts> make() const override {
        if constexpr (std::is_base_of_v<VLDynamicParts, T> && std::is_default_constructible_v<T>)
            return std::make_shared<T>();
        else
            return nullptr;
    }
};
