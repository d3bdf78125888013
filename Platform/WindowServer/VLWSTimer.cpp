#include "Platform/WindowServer/VLWSTimer.h"

#include "Platform/Foundation/VLClock.h"
#include "Platform/Foundation/VLDelayScheduler.h"

#include <algorithm>
#include <cmath>

namespace {

// The platform's floor for a timer interval; it also keeps a repeating timer from firing without end
// within one advance of manual time.
constexpr double minimumInterval = 0.0001;

double sanitizedInterval(double interval) {
    return interval >= minimumInterval ? std::min(interval, 365.0 * 86400.0) : minimumInterval;
}

} // namespace

VLWSTimer::VLWSTimer(std::shared_ptr<VLClock> clock, std::shared_ptr<VLDelayScheduler> scheduler,
                     double interval, bool repeats, Block block)
    : _clock(std::move(clock)), _scheduler(std::move(scheduler)), _interval(sanitizedInterval(interval)),
      _intervalNanoseconds(static_cast<uint64_t>(std::llround(_interval * 1e9))), _repeats(repeats),
      _block(std::move(block)) {}

void VLWSTimer::invalidate() {
    if (!_valid)
        return;
    _valid = false;
    if (auto pending = std::move(_pending))
        pending->cancel();
    // The block may hold what holds this timer.
    _block = nullptr;
}

void VLWSTimer::scheduleAt(uint64_t deadline) {
    _deadline = deadline;
    const uint64_t now = _clock->nanoseconds();
    const double delay = deadline > now ? static_cast<double>(deadline - now) / 1e9 : 0;
    _pending = _scheduler->after(delay, nullptr, [self = shared_from_this()] { self->fire(); });
}

void VLWSTimer::fire() {
    if (!_valid)
        return;
    _pending = nullptr;
    if (_repeats) {
        // The next point of the grid that still lies ahead.
        const uint64_t now = _clock->nanoseconds();
        uint64_t next = _deadline + _intervalNanoseconds;
        if (next <= now)
            next += ((now - next) / _intervalNanoseconds + 1) * _intervalNanoseconds;
        scheduleAt(next);
    }
    // Held for the call: the block may invalidate the timer, which drops it.
    auto self = shared_from_this();
    auto block = _block;
    if (!_repeats)
        invalidate();
    if (block)
        block(*this);
}
