#pragma once

#include "Core/Engine/KeyValue/VLObjCTypeEncoding.h"

#include <cstdint>
#include <string>
#include <string_view>

// One declared property, read from its attribute text: items separated by "," whose first character
// selects: T type, R read-only, N non-atomic, D dynamic, C copy, & strong, W weak, G getter name,
// S setter name, V backing field. "T@\"NSString\",C,N,V_title" is a copied string.
class VLObjCProperty {
public:
    enum class SetterType : uint64_t { Assign = 0, Strong = 1, Weak = 2, Copy = 3 };

    VLObjCProperty(std::string name, std::string_view attributes);

    bool isReadOnly() const { return _isReadOnly; }
    bool isNonAtomic() const { return _isNonAtomic; }
    bool isDynamic() const { return _isDynamic; }
    const std::string& name() const { return _name; }
    const VLObjCTypeEncoding& type() const { return _type; }
    SetterType setterType() const { return _setterType; }
    // Method names; the setter is empty for a read-only property without a named setter.
    const std::string& getter() const { return _getter; }
    const std::string& setter() const { return _setter; }
    // Empty when there is no backing field.
    const std::string& ivarName() const { return _ivarName; }

private:
    bool _isReadOnly = false;
    bool _isNonAtomic = false;
    bool _isDynamic = false;
    std::string _name;
    VLObjCTypeEncoding _type{""};
    SetterType _setterType = SetterType::Assign;
    std::string _getter;
    std::string _setter;
    std::string _ivarName;

    void readAttribute(std::string_view item);
};
