#pragma once

#include "Core/Engine/KeyValue/VLObjCProperty.h"
#include "Platform/Foundation/VLValue.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// A property as a class declares it: its name and its attribute text (see VLObjCProperty), such as
// {"width", "Td,N"} or {"title", "T@\"NSString\",C,N"}.
struct VLObjCPropertyDeclaration {
    std::string name;
    std::string attributes;
};

// The run-time description of a class that declares properties: name, superclass and declared
// properties, found by name. Declare a class as an object at namespace scope, so that it is registered
// by name when the program loads, and never destroy it while it may be looked up.
//
// The root class is "NSObject"; the Foundation classes whose instances are plain values are registered
// with it ("NSString", "NSNumber", "NSArray", "NSDictionary", "NSData", "NSDate", "NSNull") and say
// which values are their instances.
class VLObjCClass {
public:
    // Which plain values are instances of the class.
    using ValueTest = std::function<bool(const VLValue&)>;

    VLObjCClass(std::string name, const VLObjCClass& superclass,
                std::vector<VLObjCPropertyDeclaration> properties, ValueTest valueTest = {});
    VLObjCClass(const VLObjCClass&) = delete;
    VLObjCClass& operator=(const VLObjCClass&) = delete;
    virtual ~VLObjCClass();

    static const VLObjCClass& root();
    // nullptr when no class has that name.
    static const VLObjCClass* named(std::string_view name);

    const std::string& name() const { return _name; }
    // nullptr for the root class.
    const VLObjCClass* superclass() const { return _superclass; }
    bool isSubclassOf(const VLObjCClass& other) const;
    // Whether the value is an instance of this very class (plain values have no subclasses here).
    bool isInstanceValue(const VLValue& value) const;

    // The class's own declared properties, then those of each superclass below the root.
    const std::vector<VLObjCProperty>& definedProperties() const { return _definedProperties; }

private:
    struct Root {};
    explicit VLObjCClass(Root);

    std::string _name;
    const VLObjCClass* _superclass = nullptr;
    ValueTest _valueTest;
    std::vector<VLObjCProperty> _definedProperties;
};
