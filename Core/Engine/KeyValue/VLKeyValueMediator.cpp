#include "Core/Engine/KeyValue/VLKeyValueMediator.h"

#include "Platform/Foundation/VLStringWithFormat.h"

#include <cctype>

namespace {

// "setFooBar:" gives "fooBar"; a getter's name stays as it is.
std::string propertyNameOfSelector(std::string name) {
    if (!name.starts_with("set")) {
        return name;
    }
    name.erase(0, 3);
    if (name.ends_with(':')) {
        name.pop_back();
    }
    if (!name.empty()) {
        name[0] = char(std::tolower(static_cast<unsigned char>(name[0])));
    }
    return name;
}

} // namespace

VLKeyValueMediator::~VLKeyValueMediator() {
    vl_removeValuesObserver(this);
}

VLValue VLKeyValueMediator::valueForKey(const std::string&) const {
    return VLValue();
}

void VLKeyValueMediator::setMediatorTarget(const std::shared_ptr<VLKeyValueMediatorTarget>& target) {
    std::lock_guard lock(_monitor);
    _target = target;
    if (_observingPathes) {
        return;
    }
    _observingPathes.emplace();
    for (const VLObjCProperty& property : objcClass().definedProperties()) {
        const std::string& name = property.name();
        // The registration ends with this object, before the block could outlive it.
        vl_valuesForKeyPath(name, this)->subscribe([this, name](const VLValue&, const VLValue& newValue) {
            triggerChangeForKeyPath(name, newValue);
        });
        _observingPathes->insert(name);
    }
}

void VLKeyValueMediator::callHandler(const std::string& keyPath, const std::function<VLValue()>& value) {
    std::shared_ptr<VLKeyValueMediatorTarget> target;
    {
        std::lock_guard lock(_monitor);
        target = _target.lock();
    }
    if (!target) {
        return;
    }
    if (auto handler = target->mediatorHandler(VLStringWithFormat("$mediator$%@Changed:", keyPath))) {
        handler(value());
    }
}

void VLKeyValueMediator::triggerChangeForKeyPath(const std::string& keyPath, const VLValue& value) {
    callHandler(keyPath, [&value] { return value; });
}

void VLKeyValueMediator::triggerChangeForSelector(const std::string& selector) {
    std::string name = propertyNameOfSelector(selector);
    callHandler(name, [this, &name] { return valueForKey(name); });
}
