#include "Core/Engine/KeyValue/VLObjCClass.h"

#include <map>
#include <mutex>

namespace {

// Class names to classes. Classes register when made, which for most is while the program loads.
struct VLObjCClassRegistry {
    std::mutex lock;
    std::map<std::string, const VLObjCClass*, std::less<>> classes;
};

VLObjCClassRegistry& registry() {
    static VLObjCClassRegistry instance;
    return instance;
}

VLObjCClass::ValueTest valueOfType(VLValue::Type type) {
    return [type](const VLValue& value) { return value.type() == type; };
}

// The Foundation classes whose instances are plain values, made with the root.
void makeValueClasses(const VLObjCClass& root) {
    static const VLObjCClass classes[] = {
        {"NSString", root, {}, valueOfType(VLValue::Type::String)},
        {"NSNumber", root, {}, [](const VLValue& value) { return value.isNumber() || value.isBool(); }},
        {"NSArray", root, {}, valueOfType(VLValue::Type::Array)},
        {"NSDictionary", root, {}, valueOfType(VLValue::Type::Dictionary)},
        {"NSData", root, {}, valueOfType(VLValue::Type::Data)},
        {"NSDate", root, {}, valueOfType(VLValue::Type::Date)},
        {"NSNull", root, {}, valueOfType(VLValue::Type::Null)},
    };
    (void)classes;
}

} // namespace

VLObjCClass::VLObjCClass(Root)
    : _name("NSObject"), _valueTest([](const VLValue& value) { return !value.isNil(); }) {
    std::lock_guard lock(registry().lock);
    registry().classes.emplace(_name, this);
}

VLObjCClass::VLObjCClass(std::string name, const VLObjCClass& superclass,
                         std::vector<VLObjCPropertyDeclaration> properties, ValueTest valueTest)
    : _name(std::move(name)), _superclass(&superclass), _valueTest(std::move(valueTest)) {
    for (const VLObjCPropertyDeclaration& declaration : properties) {
        _definedProperties.emplace_back(declaration.name, declaration.attributes);
    }
    const auto& inherited = superclass.definedProperties();
    _definedProperties.insert(_definedProperties.end(), inherited.begin(), inherited.end());
    std::lock_guard lock(registry().lock);
    registry().classes.insert_or_assign(_name, this);
}

VLObjCClass::~VLObjCClass() {
    std::lock_guard lock(registry().lock);
    auto found = registry().classes.find(_name);
    if (found != registry().classes.end() && found->second == this) {
        registry().classes.erase(found);
    }
}

const VLObjCClass& VLObjCClass::root() {
    static const VLObjCClass instance(Root{});
    static const bool valueClassesMade = (makeValueClasses(instance), true);
    (void)valueClassesMade;
    return instance;
}

const VLObjCClass* VLObjCClass::named(std::string_view name) {
    root();
    std::lock_guard lock(registry().lock);
    auto found = registry().classes.find(name);
    return found == registry().classes.end() ? nullptr : found->second;
}

bool VLObjCClass::isSubclassOf(const VLObjCClass& other) const {
    for (const VLObjCClass* candidate = this; candidate; candidate = candidate->_superclass) {
        if (candidate == &other) {
            return true;
        }
    }
    return false;
}

bool VLObjCClass::isInstanceValue(const VLValue& value) const {
    return _valueTest && _valueTest(value);
}
