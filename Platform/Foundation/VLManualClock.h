#pragma once

#include "Platform/Foundation/VLClock.h"

#include <atomic>

// A clock that moves only when told to. Tests (and the window server's manual mode) use it in place of
// the real one; VLManualDelayScheduler moves it while it fires what has fallen due.
class VLManualClock final : public VLClock {
public:
    explicit VLManualClock(uint64_t start = 0) : _now(start) {}

    uint64_t nanoseconds() const override { return _now.load(std::memory_order_acquire); }
    void setNanoseconds(uint64_t now) { _now.store(now, std::memory_order_release); }
    // Negative, NaN and absurd amounts are ignored.
    void advance(double seconds);

private:
    std::atomic<uint64_t> _now; // any thread
};
