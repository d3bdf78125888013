#pragma once

#include "Core/Engine/KeyValue/VLKeyValueMediatorTarget.h"
#include "Core/Engine/KeyValue/VLKeyValueObserving.h"
#include "Core/Engine/KeyValue/VLObjCClass.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

// A base class whose declared properties report their changes to a weakly held target. A subclass
// declares its properties in its class (objcClass()), reports their changes with didChangeValueForKey
// and reads them by name in valueForKey. Once a target is set, each real change of a property calls
// the target's handler "$mediator$<name>Changed:" with the new value, on the thread of the change.
class VLKeyValueMediator : public VLKeyValueObserving {
public:
    ~VLKeyValueMediator() override;

    virtual const VLObjCClass& objcClass() const = 0;
    // The current value of the property of that name; nil when there is none.
    virtual VLValue valueForKey(const std::string& key) const;

    // Keeps the target weakly; the first call starts observing the declared properties.
    void setMediatorTarget(const std::shared_ptr<VLKeyValueMediatorTarget>& target);
    void triggerChangeForKeyPath(const std::string& keyPath, const VLValue& value);
    // For a setter's name ("setFooBar:") or a getter's ("fooBar"): reports the property's current value.
    void triggerChangeForSelector(const std::string& selector);

private:
    std::mutex _monitor;
    std::weak_ptr<VLKeyValueMediatorTarget> _target;
    // The observed property names; none until the target is first set.
    std::optional<std::set<std::string>> _observingPathes;

    // Calls the target's handler for the key path, if it has one, with the value read then.
    void callHandler(const std::string& keyPath, const std::function<VLValue()>& value);
};
