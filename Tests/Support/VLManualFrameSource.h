#pragma once

#include "Core/Runtime/Rendering/VLFrameSource.h"

#include <atomic>
#include <cstdint>

// A frame source that ticks only when a test fires it, and counts what its loop asks of it. Its
// answers are settable; every member may be used from any thread.
class VLManualFrameSource final : public VLFrameSource {
public:
    VLManualFrameSource(uint32_t displayID, Handler handler)
        : VLFrameSource(std::move(handler)), _displayID(displayID) {}

    // Runs the handler on the calling thread, as the display's callback would, running or not.
    void fire(bool relevant = true) { handler()(shared_from_this(), relevant); }

    bool isRunning() const override { return _running.load(); }
    uint32_t updatesPerSecond() const override { return _updatesPerSecond.load(); }
    bool start() override {
        ++_startCount;
        const bool started = _startResult.load() && !_invalidated.load();
        if (started)
            _running.store(true);
        return started;
    }
    void stop() override {
        ++_stopCount;
        _running.store(false);
    }
    void invalidate() override {
        ++_invalidateCount;
        _invalidated.store(true);
        _running.store(false);
    }
    void adoptRefreshRate() override { ++_adoptRefreshRateCount; }
    bool followDisplay(uint32_t displayID) override {
        return _followsDisplay.load() || displayID == _displayID;
    }
    void setPreferredFPS(uint32_t preferredFPS) override {
        VLFrameSource::setPreferredFPS(preferredFPS);
        _lastCap.store(preferredFPS);
    }

    uint32_t displayID() const { return _displayID; }
    int startCount() const { return _startCount.load(); }
    int stopCount() const { return _stopCount.load(); }
    int invalidateCount() const { return _invalidateCount.load(); }
    int adoptRefreshRateCount() const { return _adoptRefreshRateCount.load(); }
    bool isInvalidated() const { return _invalidated.load(); }
    // The cap last sent; -1 before any.
    int64_t lastCap() const { return _lastCap.load(); }

    void setStartResult(bool started) { _startResult.store(started); }
    void setUpdatesPerSecond(uint32_t rate) { _updatesPerSecond.store(rate); }
    // Whether it follows any display asked for; its own it always follows.
    void setFollowsDisplay(bool follows) { _followsDisplay.store(follows); }

private:
    const uint32_t _displayID;
    std::atomic<bool> _running{false};
    std::atomic<bool> _invalidated{false};
    std::atomic<bool> _startResult{true};
    std::atomic<bool> _followsDisplay{false};
    std::atomic<uint32_t> _updatesPerSecond{60};
    std::atomic<int> _startCount{0};
    std::atomic<int> _stopCount{0};
    std::atomic<int> _invalidateCount{0};
    std::atomic<int> _adoptRefreshRateCount{0};
    std::atomic<int64_t> _lastCap{-1};
};
