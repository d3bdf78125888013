#pragma once

#include "Core/Engine/KeyValue/VLObjCClass.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <variant>

class VLMappingObject;

// What a mapping object's accessors take and give: a plain value, a nested mapping object or a class.
using VLMappingValue = std::variant<VLValue, std::shared_ptr<VLMappingObject>, const VLObjCClass*>;

// A generated accessor: a getter ignores the argument; a setter gives nil.
using VLMappingAccessor =
    std::function<VLMappingValue(VLMappingObject& object, const VLMappingValue& argument)>;

// The class of mapping objects of one kind: it makes their instances and keeps the accessors made for
// its method names, which from then on exist for all its instances.
class VLMappingObjectClass : public VLObjCClass {
public:
    using Factory = std::function<std::shared_ptr<VLMappingObject>()>;

    VLMappingObjectClass(std::string name, const VLObjCClass& superclass,
                         std::vector<VLObjCPropertyDeclaration> properties, Factory factory);

    // A new instance holding a copy of the dictionary.
    std::shared_ptr<VLMappingObject> mappingOf(const VLDictionary& storage) const;

    // The first defined property whose getter or setter has that name; nullptr when there is none.
    const VLObjCProperty* propertyForSelector(std::string_view selector) const;

    // The accessor for a method name, made on first use; nullptr when no property supplies the method
    // or its type has no accessor.
    const VLMappingAccessor* resolveInstanceMethod(std::string_view selector) const;

private:
    Factory _factory;
    mutable std::mutex _methodsLock;
    mutable std::map<std::string, VLMappingAccessor, std::less<>> _methods;
};
