#include "Platform/Foundation/VLNotificationCenter.h"

#include <atomic>
#include <mutex>
#include <vector>

struct VLNotificationCenter::Registration {
    Registration(std::string name, const void* object, Block block)
        : name(std::move(name)), object(object), block(std::move(block)) {}

    bool matches(const VLNotification& notification) const {
        return (name.empty() || name == notification.name()) && (!object || object == notification.object());
    }

    // Immutable after registration: read by posting threads without a lock.
    const std::string name;
    const void* const object;
    const Block block;
    // Set by whichever thread removes the observer; checked by posting threads right before a call.
    std::atomic<bool> removed{false};
};

// Guarded by `mutex`, which is never held while a block runs, so blocks may add, remove and post.
struct VLNotificationCenter::Registry {
    std::mutex mutex;
    std::vector<std::shared_ptr<Registration>> registrations;
};

VLNotificationCenter::Observer::Observer(std::weak_ptr<Registry> registry,
                                         std::shared_ptr<Registration> registration)
    : _registry(std::move(registry)), _registration(std::move(registration)) {}

VLNotificationCenter::Observer::~Observer() {
    remove();
}

void VLNotificationCenter::Observer::remove() {
    if (_registration->removed.exchange(true))
        return;
    if (auto registry = _registry.lock()) {
        std::lock_guard lock(registry->mutex);
        std::erase(registry->registrations, _registration);
    }
}

VLNotificationCenter::VLNotificationCenter() : _registry(std::make_shared<Registry>()) {}

VLNotificationCenter::~VLNotificationCenter() = default;

VLNotificationCenter& VLNotificationCenter::defaultCenter() {
    // Never destroyed: threads may post while the process exits.
    static VLNotificationCenter* center = new VLNotificationCenter();
    return *center;
}

std::shared_ptr<VLNotificationCenter::Observer>
VLNotificationCenter::addObserver(std::string name, const void* object, Block block) {
    auto registration = std::make_shared<Registration>(std::move(name), object, std::move(block));
    {
        std::lock_guard lock(_registry->mutex);
        _registry->registrations.push_back(registration);
    }
    return std::shared_ptr<Observer>(new Observer(_registry, std::move(registration)));
}

void VLNotificationCenter::removeObserver(const std::shared_ptr<Observer>& token) {
    if (token)
        token->remove();
}

void VLNotificationCenter::post(std::string name, const void* object, VLNotificationUserInfo userInfo) {
    post(VLNotification(std::move(name), object, std::move(userInfo)));
}

void VLNotificationCenter::post(const VLNotification& notification) {
    // The copies keep each block alive through its call, even when it removes itself.
    std::vector<std::shared_ptr<Registration>> targets;
    {
        std::lock_guard lock(_registry->mutex);
        for (const auto& registration : _registry->registrations)
            if (registration->matches(notification))
                targets.push_back(registration);
    }
    for (const auto& target : targets)
        if (!target->removed.load())
            target->block(notification);
}
