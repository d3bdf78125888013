#include "Core/Engine/KeyValue/VLMappingObjectClass.h"

#include "Core/Engine/KeyValue/VLMappingObject.h"

VLMappingObjectClass::VLMappingObjectClass(std::string name, const VLObjCClass& superclass,
                                           std::vector<VLObjCPropertyDeclaration> properties, Factory factory)
    : VLObjCClass(std::move(name), superclass, std::move(properties)), _factory(std::move(factory)) {}

std::shared_ptr<VLMappingObject> VLMappingObjectClass::mappingOf(const VLDictionary& storage) const {
    std::shared_ptr<VLMappingObject> object = _factory();
    object->resetStorage(storage);
    return object;
}

const VLObjCProperty* VLMappingObjectClass::propertyForSelector(std::string_view selector) const {
    // A read-only property has no setter name: the empty name must not find it.
    if (selector.empty()) {
        return nullptr;
    }
    for (const VLObjCProperty& property : definedProperties()) {
        if (property.getter() == selector || property.setter() == selector) {
            return &property;
        }
    }
    return nullptr;
}

const VLMappingAccessor* VLMappingObjectClass::resolveInstanceMethod(std::string_view selector) const {
    std::lock_guard lock(_methodsLock);
    if (auto found = _methods.find(selector); found != _methods.end()) {
        return &found->second;
    }
    const VLObjCProperty* property = propertyForSelector(selector);
    if (!property) {
        return nullptr;
    }
    VLMappingAccessor accessor = VLMappingObject::blockForAccessor(*property, property->getter() == selector);
    if (!accessor) {
        return nullptr;
    }
    return &_methods.emplace(std::string(selector), std::move(accessor)).first->second;
}
