#pragma once

#include <cstdint>
#include <memory>

// The one notion of time of the engine: nanoseconds of CLOCK_MONOTONIC_RAW, which does not advance
// while the machine sleeps. Timers, the rendering loop, the window server and every delay that a rule
// depends on read it, so tests can put a manual clock in its place and never wait for real seconds.
//
// Implementations are safe to read from any thread.
class VLClock {
public:
    // One year: "later" for any timer or wait, small enough to add to a clock reading.
    static constexpr double longestInterval = 365.0 * 86400;

    virtual ~VLClock() = default;

    virtual uint64_t nanoseconds() const = 0;
    double seconds() const { return static_cast<double>(nanoseconds()) / 1e9; }

    // The real clock; lock-free and allocation-free to read.
    static const std::shared_ptr<VLClock>& system();
    // The process's clock: the real one unless a test put another in its place.
    static std::shared_ptr<VLClock> shared();
    // nullptr brings back the real clock.
    static void setShared(std::shared_ptr<VLClock> clock);
};
