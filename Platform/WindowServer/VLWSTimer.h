#pragma once

#include <cstdint>
#include <functional>
#include <memory>

class VLClock;
class VLDelayScheduler;
class VLDelayedBlock;

// A one-shot or repeating timer of the window server's clock (VLWSClock::scheduleTimer). A repeating
// timer keeps to its grid of deadlines: a beat missed while the main thread was busy is skipped, never
// made up in a burst. The clock keeps a scheduled timer alive until it has fired for the last time or
// is invalidated.
//
// Main thread only: timers fire there (or on the thread that advances manual time).
class VLWSTimer final : public std::enable_shared_from_this<VLWSTimer> {
public:
    using Block = std::function<void(VLWSTimer&)>;

    double interval() const { return _interval; }
    bool repeats() const { return _repeats; }
    bool isValid() const { return _valid; }
    // Final: the timer never fires again.
    void invalidate();

private:
    friend class VLWSClock;
    VLWSTimer(std::shared_ptr<VLClock> clock, std::shared_ptr<VLDelayScheduler> scheduler, double interval,
              bool repeats, Block block);
    void scheduleAt(uint64_t deadline);
    void fire();

    const std::shared_ptr<VLClock> _clock;
    const std::shared_ptr<VLDelayScheduler> _scheduler;
    const double _interval;
    const uint64_t _intervalNanoseconds;
    const bool _repeats;
    Block _block;
    std::shared_ptr<VLDelayedBlock> _pending;
    uint64_t _deadline = 0;
    bool _valid = true;
};
