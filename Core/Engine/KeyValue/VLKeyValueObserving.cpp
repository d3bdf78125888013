#include "Core/Engine/KeyValue/VLKeyValueObserving.h"

#include <algorithm>
#include <atomic>

// One observation, shared by the observed object's list and the owner's clean entries. Ending it is
// guarded by its own lock so that both sides ending at once end it once. Lock order: a registration's
// lock, then the observed object's monitor.
struct VLKeyValueObservingRegistration {
    VLKeyValueObservingRegistration(std::string keyPath, VLKeyValueObserving* observed)
        : keyPath(std::move(keyPath)), target(std::make_shared<VLKeyValueObservingTarget>()),
          observed(observed) {}

    const std::string keyPath;
    const std::shared_ptr<VLKeyValueObservingTarget> target;
    std::mutex lock;
    // Null once ended; read without the lock to match clean entries.
    std::atomic<VLKeyValueObserving*> observed;

    void end() {
        std::vector<VLKeyValueChangeBlock> dropped;
        std::lock_guard guard(lock);
        VLKeyValueObserving* object = observed.exchange(nullptr);
        if (!object) {
            return;
        }
        object->forgetObservation(this);
        dropped = target->takeAllBlocks();
    }
};

VLKeyValueObserving::~VLKeyValueObserving() {
    std::vector<std::shared_ptr<VLKeyValueObservingRegistration>> registrations;
    {
        std::lock_guard lock(_monitor);
        registrations = std::move(_observations);
        registrations.insert(registrations.end(), _cleanEntries.begin(), _cleanEntries.end());
        _cleanEntries.clear();
    }
    for (const auto& registration : registrations) {
        registration->end();
    }
}

std::shared_ptr<VLKeyValueObservingTarget>
VLKeyValueObserving::vl_valuesForKeyPath(const std::string& keyPath, VLKeyValueObserving* observer) {
    if (!observer) {
        return nullptr;
    }
    auto registration = std::make_shared<VLKeyValueObservingRegistration>(keyPath, this);
    {
        std::lock_guard lock(observer->_monitor);
        observer->_cleanEntries.push_back(registration);
    }
    {
        std::lock_guard lock(_monitor);
        _observations.push_back(registration);
    }
    return registration->target;
}

void VLKeyValueObserving::vl_removeValuesObserver(VLKeyValueObserving* observer) {
    if (!observer) {
        return;
    }
    std::vector<std::shared_ptr<VLKeyValueObservingRegistration>> ending;
    {
        std::lock_guard lock(observer->_monitor);
        auto& entries = observer->_cleanEntries;
        auto kept = std::stable_partition(entries.begin(), entries.end(), [this](const auto& registration) {
            VLKeyValueObserving* observed = registration->observed.load();
            return observed != this && observed != nullptr;
        });
        ending.assign(kept, entries.end());
        entries.erase(kept, entries.end());
    }
    for (const auto& registration : ending) {
        registration->end();
    }
}

void VLKeyValueObserving::didChangeValueForKey(const std::string& key, const VLValue& oldValue,
                                               const VLValue& newValue) {
    std::vector<std::shared_ptr<VLKeyValueObservingTarget>> targets;
    {
        std::lock_guard lock(_monitor);
        for (const auto& registration : _observations) {
            if (registration->keyPath == key) {
                targets.push_back(registration->target);
            }
        }
    }
    for (const auto& target : targets) {
        target->observeValueChange(oldValue, newValue);
    }
}

void VLKeyValueObserving::forgetObservation(const VLKeyValueObservingRegistration* registration) {
    std::lock_guard lock(_monitor);
    std::erase_if(_observations, [registration](const auto& entry) { return entry.get() == registration; });
}
