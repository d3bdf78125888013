#pragma once

#include "Platform/WindowServer/VLWSTimer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class VLDelayedBlock;

// The window server's time: media time, event time and uptime in one, with timers and delayed performs.
// It keeps no time of its own: it reads the process's VLClock and schedules on the process's
// VLDelayScheduler, so when a test puts the manual pair in their place, advance() moves this clock too.
//
// now() may be read on any thread; everything else is main-thread work, and blocks run on the main
// thread (or, with manual time, on the thread that calls advance()).
class VLWSClock final {
public:
    using Block = std::function<void()>;

    VLWSClock() = default;
    VLWSClock(const VLWSClock&) = delete;
    VLWSClock& operator=(const VLWSClock&) = delete;
    ~VLWSClock();

    // Seconds of the process's clock.
    double now() const;

    // An interval of 0 or less (or NaN) counts as 0.1 ms, the platform's floor.
    std::shared_ptr<VLWSTimer> scheduleTimer(double interval, bool repeats, VLWSTimer::Block block);

    // Runs the block after the delay unless a cancel naming its target (and selector) comes first.
    // The target is only a key: it is compared, never dereferenced.
    void perform(const void* target, std::string selector, double delay, Block block);
    // Calls off the target's pending performs of that selector, or all of them for an empty selector.
    void cancelPerforms(const void* target, std::string_view selector = {});
    size_t pendingPerformCount() const { return _performs.size(); }

    // With manual time (VLManualDelayScheduler as the process's scheduler): fires what falls due within
    // the next `seconds`, in deadline order, with now() at each deadline. Answers false and does nothing
    // with real time.
    bool advance(double seconds);

private:
    struct Perform {
        const void* target;
        std::string selector;
        uint64_t identifier;
        std::shared_ptr<VLDelayedBlock> block;
    };

    void finishPerform(uint64_t identifier);

    std::vector<Perform> _performs; // main thread
    uint64_t _nextPerform = 0;
};
