#pragma once

#include "Core/Engine/Support/VLUnfairLock.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/Foundation/VLRect.h"

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

class VLScreen;
class VLScreenObserver;

// The process's list of online displays and their visible frames, and the one place that hears of
// display changes. Made on first use; made on the main thread, it has the visible frames at once, made
// elsewhere it computes them on the main queue and answers the displays' bounds until then.
//
// Threads: the visible frames are written on the main thread and read on any under the lock; observers
// are registered from any thread and told on the main thread; the lists are read on any thread.
class VLScreenManager final : public std::enable_shared_from_this<VLScreenManager> {
public:
    static const std::shared_ptr<VLScreenManager>& sharedInstance();
    VLScreenManager(const VLScreenManager&) = delete;
    VLScreenManager& operator=(const VLScreenManager&) = delete;

    std::shared_ptr<VLScreen> mainScreen() const;
    // At most 128 online displays, without those that mirror another, the main display first.
    std::vector<std::shared_ptr<VLScreen>> screens() const;
    // Global display coordinates (y downwards); the display's bounds when none is stored for it.
    VLRect visibleFrameOfDisplay(uint32_t displayId) const;

    // Held weakly: an observer that goes drops out by itself.
    void registerScreenObserver(std::weak_ptr<VLScreenObserver> observer);

private:
    VLScreenManager() = default;
    void start();

    // Main thread: the visible frame of every screen that has a number, flipped against the primary
    // screen's height and stored by that number.
    void updateVisibleFrames();
    // Main thread.
    void screenParametersDidChange();

    mutable VLUnfairLock _lock;                              // guards the two below
    std::vector<std::weak_ptr<VLScreenObserver>> _observers; // in registration order
    std::unordered_map<uint32_t, VLRect> _visibleFrames;     // replaced whole
    std::shared_ptr<VLNotificationCenter::Observer> _screenParametersObserver;
};
