#include "Core/Engine/KeyValue/VLMappingObject.h"

#include <algorithm>
#include <cstdint>
#include <type_traits>

namespace {

// The number accessor of a C type: a stored number converted as C converts it, 0 for anything else.
template <typename C>
C numberOfType(const VLValue& value) {
    if constexpr (std::is_same_v<C, bool>) {
        return value.boolValue();
    } else if constexpr (std::is_floating_point_v<C>) {
        return C(value.doubleValue());
    } else {
        return C(value.integerValue());
    }
}

template <typename C>
VLValue numberValue(C number) {
    if constexpr (std::is_same_v<C, bool> || std::is_floating_point_v<C>) {
        return VLValue(number);
    } else {
        return VLValue(int64_t(number));
    }
}

const VLValue& plainValue(const VLMappingValue& value) {
    const VLValue* plain = std::get_if<VLValue>(&value);
    return plain ? *plain : VLValue::nil();
}

} // namespace

VLMappingObject::VLMappingObject(const VLDictionary& storage) : _storage(storage) {}

const VLMappingObjectClass& VLMappingObject::mappingObjectClass() {
    static const VLMappingObjectClass instance("VLMappingObject", VLObjCClass::root(), {},
                                               [] { return std::make_shared<VLMappingObject>(); });
    return instance;
}

VLDictionary VLMappingObject::storage() const {
    std::lock_guard lock(_monitor);
    VLDictionary copy = _storage;
    for (const auto& [name, wrapper] : _wrappers) {
        copy.set(name, wrapper->storage());
    }
    return copy;
}

void VLMappingObject::resetStorage(const VLDictionary& storage) {
    std::lock_guard lock(_monitor);
    _storage = storage;
    _wrappers.clear();
}

std::shared_ptr<VLMappingObject> VLMappingObject::copy() const {
    return objcClass().mappingOf(storage());
}

std::optional<VLMappingValue> VLMappingObject::perform(std::string_view selector,
                                                       const VLMappingValue& argument) {
    const VLMappingAccessor* accessor = objcClass().resolveInstanceMethod(selector);
    if (!accessor) {
        return std::nullopt;
    }
    return (*accessor)(*this, argument);
}

VLValue VLMappingObject::storedValue(const std::string& name) const {
    std::lock_guard lock(_monitor);
    return _storage.get(name);
}

std::shared_ptr<VLMappingObject> VLMappingObject::wrapper(const std::string& name) const {
    std::lock_guard lock(_monitor);
    auto found = _wrappers.find(name);
    return found == _wrappers.end() ? nullptr : found->second;
}

void VLMappingObject::storeWrapper(const std::string& name, std::shared_ptr<VLMappingObject> wrapper) {
    std::lock_guard lock(_monitor);
    _storage.set(name, VLValue(VLDictionary()));
    _wrappers.insert_or_assign(name, std::move(wrapper));
}

bool VLMappingObject::holds(const VLMappingObject* object) const {
    if (object == this) {
        return true;
    }
    std::vector<std::shared_ptr<VLMappingObject>> stored;
    {
        std::lock_guard lock(_monitor);
        for (const auto& [name, wrapper] : _wrappers) {
            stored.push_back(wrapper);
        }
    }
    return std::any_of(stored.begin(), stored.end(),
                       [object](const auto& wrapper) { return wrapper->holds(object); });
}

// Nil (or no object, or no class) removes the entry; a class is stored under its name. An object that
// holds this one is stored as a copy: a cycle could never be copied out deeply, nor released.
void VLMappingObject::store(const std::string& name, const VLMappingValue& value) {
    if (const auto* object = std::get_if<std::shared_ptr<VLMappingObject>>(&value); object && *object) {
        storeWrapper(name, (*object)->holds(this) ? (*object)->copy() : *object);
        return;
    }
    VLValue plain = plainValue(value);
    if (const auto* objcClass = std::get_if<const VLObjCClass*>(&value); objcClass && *objcClass) {
        plain = (*objcClass)->name();
    }
    std::lock_guard lock(_monitor);
    _wrappers.erase(name);
    if (plain.isNil()) {
        _storage.erase(name);
    } else {
        _storage.set(name, std::move(plain));
    }
}

template <typename C>
VLMappingAccessor VLMappingObject::numberAccessor(const std::string& name, bool isGetter) {
    if (isGetter) {
        return [name](VLMappingObject& object, const VLMappingValue&) -> VLMappingValue {
            return numberValue(numberOfType<C>(object.storedValue(name)));
        };
    }
    return [name](VLMappingObject& object, const VLMappingValue& argument) -> VLMappingValue {
        object.store(name, numberValue(numberOfType<C>(plainValue(argument))));
        return VLValue();
    };
}

VLMappingAccessor VLMappingObject::objectGetter(const VLObjCProperty& property) {
    const VLObjCClass* declaredClass = property.type().classType();
    return [name = property.name(), declaredClass](VLMappingObject& object,
                                                   const VLMappingValue&) -> VLMappingValue {
        if (!declaredClass) {
            return VLValue();
        }
        if (auto wrapper = object.wrapper(name)) {
            return wrapper->objcClass().isSubclassOf(*declaredClass) ? VLMappingValue(wrapper) : VLValue();
        }
        VLValue stored = object.storedValue(name);
        auto mappingClass = dynamic_cast<const VLMappingObjectClass*>(declaredClass);
        if (mappingClass && stored.isDictionary()) {
            std::shared_ptr<VLMappingObject> wrapper = mappingClass->mappingOf(stored.dictionaryValue());
            object.storeWrapper(name, wrapper);
            return wrapper;
        }
        return declaredClass->isInstanceValue(stored) ? stored : VLValue();
    };
}

VLMappingAccessor VLMappingObject::classGetter(const std::string& name) {
    return [name](VLMappingObject& object, const VLMappingValue&) -> VLMappingValue {
        VLValue stored = object.storedValue(name);
        return stored.isString() ? VLObjCClass::named(stored.stringValue()) : nullptr;
    };
}

// C strings and method names are stored as strings.
VLMappingAccessor VLMappingObject::stringGetter(const std::string& name) {
    return [name](VLMappingObject& object, const VLMappingValue&) -> VLMappingValue {
        VLValue stored = object.storedValue(name);
        return stored.isString() ? stored : VLValue();
    };
}

VLMappingAccessor VLMappingObject::storingSetter(const std::string& name) {
    return [name](VLMappingObject& object, const VLMappingValue& argument) -> VLMappingValue {
        object.store(name, argument);
        return VLValue();
    };
}

VLMappingAccessor VLMappingObject::blockForAccessor(const VLObjCProperty& property, bool isGetter) {
    const std::string& name = property.name();
    switch (property.type().type()) {
    case 'c':
        return numberAccessor<signed char>(name, isGetter);
    case 'i':
        return numberAccessor<int>(name, isGetter);
    case 's':
        return numberAccessor<short>(name, isGetter);
    case 'l':
        return numberAccessor<long>(name, isGetter);
    case 'q':
        return numberAccessor<long long>(name, isGetter);
    case 'C':
        return numberAccessor<unsigned char>(name, isGetter);
    case 'I':
        return numberAccessor<unsigned int>(name, isGetter);
    case 'S':
        return numberAccessor<unsigned short>(name, isGetter);
    case 'L':
        return numberAccessor<unsigned long>(name, isGetter);
    case 'Q':
        return numberAccessor<unsigned long long>(name, isGetter);
    case 'f':
        return numberAccessor<float>(name, isGetter);
    case 'd':
        return numberAccessor<double>(name, isGetter);
    case 'B':
        return numberAccessor<bool>(name, isGetter);
    case '@':
        return isGetter ? objectGetter(property) : storingSetter(name);
    case '#':
        return isGetter ? classGetter(name) : storingSetter(name);
    case '*':
    case ':':
        return isGetter ? stringGetter(name) : storingSetter(name);
    default:
        return {};
    }
}
