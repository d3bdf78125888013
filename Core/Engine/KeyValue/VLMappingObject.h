#pragma once

#include "Core/Engine/KeyValue/VLMappingObjectClass.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>

// A dictionary-backed object: a subclass only declares its properties (in its VLMappingObjectClass),
// and their accessors are made at first use, reading and writing the dictionary under the property's
// name with the property's type. Numbers read from missing, null or non-number entries as 0; an object
// property gives the stored value only when it is an instance of the declared class, and a stored
// dictionary under a property whose class is a mapping class comes back wrapped in that class, the
// same wrapper on every read.
//
// Meant for one thread at a time; storage(), resetStorage() and copy() may be called from any thread.
class VLMappingObject {
public:
    VLMappingObject() = default;
    // Holds a copy of the dictionary.
    explicit VLMappingObject(const VLDictionary& storage);
    VLMappingObject(const VLMappingObject&) = delete;
    VLMappingObject& operator=(const VLMappingObject&) = delete;
    virtual ~VLMappingObject() = default;

    // The class "VLMappingObject".
    static const VLMappingObjectClass& mappingObjectClass();
    virtual const VLMappingObjectClass& objcClass() const { return mappingObjectClass(); }

    // A copy of the dictionary, nested mapping objects given as their own storage.
    VLDictionary storage() const;
    void resetStorage(const VLDictionary& storage);
    // A new object of the same class from a copy of the storage.
    std::shared_ptr<VLMappingObject> copy() const;

    // Calls the method of that name as the declared properties supply it; nullopt when the object has
    // no such method (a property of a type without accessor supplies none).
    std::optional<VLMappingValue> perform(std::string_view selector,
                                          const VLMappingValue& argument = VLValue());

    // The accessor for the property's type; empty for types without one (structures, unions, pointers).
    static VLMappingAccessor blockForAccessor(const VLObjCProperty& property, bool isGetter);

private:
    mutable std::mutex _monitor;
    VLDictionary _storage;
    // Mapping objects made from (or stored as) entries of the storage, by property name; they stand for
    // those entries.
    std::map<std::string, std::shared_ptr<VLMappingObject>, std::less<>> _wrappers;

    VLValue storedValue(const std::string& name) const;
    std::shared_ptr<VLMappingObject> wrapper(const std::string& name) const;
    void store(const std::string& name, const VLMappingValue& value);
    void storeWrapper(const std::string& name, std::shared_ptr<VLMappingObject> wrapper);
    // Whether the object is this one or one of the mapping objects stored in it, at any depth.
    bool holds(const VLMappingObject* object) const;

    template <typename C>
    static VLMappingAccessor numberAccessor(const std::string& name, bool isGetter);
    static VLMappingAccessor objectGetter(const VLObjCProperty& property);
    static VLMappingAccessor classGetter(const std::string& name);
    static VLMappingAccessor stringGetter(const std::string& name);
    static VLMappingAccessor storingSetter(const std::string& name);
};
