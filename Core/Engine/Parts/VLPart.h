#pragma once

#include "Core/Engine/Parts/VLPartClass.h"

#include <memory>
#include <string>
#include <typeinfo>

// One entry of the parts registry: a class (its class object) or a ready-made object.
class VLPart {
public:
    VLPart(std::shared_ptr<const VLPartClass> partClass) : _partClass(std::move(partClass)) {}
    VLPart(std::shared_ptr<VLDynamicParts> object) : _object(std::move(object)) {}

    template <typename T, typename ClassObject = VLPartClassOf<T>>
    static VLPart ofClass() {
        return VLPart(VLPartClass::of<T, ClassObject>());
    }

    bool isClass() const { return _partClass != nullptr; }
    // The class object, or nullptr for an object part.
    const std::shared_ptr<const VLPartClass>& partClass() const { return _partClass; }
    // The object, or nullptr for a class part.
    const std::shared_ptr<VLDynamicParts>& object() const { return _object; }

    // What a consumer of the part uses: a new instance of a class, or the object itself.
    std::shared_ptr<VLDynamicParts> instance() const;

    bool conformsToProtocol(const std::type_info& protocol) const;
    // Only classes are subclasses: an object part never is.
    bool isSubclassOf(const std::type_info& cls) const;

    // A class's name, or "<Class: 0x…>" for an object.
    std::string description() const;

    // The same class or the very same object.
    bool operator==(const VLPart& other) const {
        return _partClass == other._partClass && _object == other._object;
    }

private:
    std::shared_ptr<const VLPartClass> _partClass;
    std::shared_ptr<VLDynamicParts> _object;
};

// "<Class: 0x…>", as objects describe themselves in messages.
std::string VLObjectDescription(const VLDynamicParts& object);
