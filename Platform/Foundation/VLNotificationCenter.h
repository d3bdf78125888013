#pragma once

#include "Platform/Foundation/VLNotification.h"

#include <functional>
#include <memory>
#include <string>

// Delivers notifications to the blocks registered for them, synchronously, on the posting thread.
// An observer gets the notifications whose name equals its name (an empty name: every name) and
// whose object is its object (nullptr: any object). Observers are called in registration order.
//
// Thread-safe: observers may be added, removed and notifications posted from any thread, also from
// inside an observer's block. Once removed, an observer is not called again, not even by a post
// already under way; a call that had already begun on another thread may still be running, so
// blocks hold what they touch weakly.
class VLNotificationCenter final {
    struct Registration;
    struct Registry;

public:
    using Block = std::function<void(const VLNotification&)>;

    // Keeps the observer registered while it exists: destroying it (or removeObserver) unregisters.
    class Observer final {
    public:
        ~Observer();
        Observer(const Observer&) = delete;
        Observer& operator=(const Observer&) = delete;

    private:
        friend class VLNotificationCenter;
        Observer(std::weak_ptr<Registry> registry, std::shared_ptr<Registration> registration);
        void remove();
        std::weak_ptr<Registry> _registry;
        std::shared_ptr<Registration> _registration;
    };

    VLNotificationCenter();
    ~VLNotificationCenter();
    VLNotificationCenter(const VLNotificationCenter&) = delete;
    VLNotificationCenter& operator=(const VLNotificationCenter&) = delete;

    // The process-wide centre.
    static VLNotificationCenter& defaultCenter();

    [[nodiscard]] std::shared_ptr<Observer> addObserver(std::string name, const void* object, Block block);
    // Unregisters at once; the token may live on without effect. nullptr is ignored.
    void removeObserver(const std::shared_ptr<Observer>& token);

    void post(std::string name, const void* object = nullptr, VLNotificationUserInfo userInfo = {});
    void post(const VLNotification& notification);

private:
    // Shared with the tokens, which may outlive the centre.
    std::shared_ptr<Registry> _registry;
};
