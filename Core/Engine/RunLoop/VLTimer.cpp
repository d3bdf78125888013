#include "Core/Engine/RunLoop/VLTimer.h"

#include "Platform/Foundation/VLClock.h"
#include "Platform/Foundation/VLDelayScheduler.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kShortestRepeatInterval = 0.0001; // seconds: a repeating timer never spins

// A one-shot timer of no interval is due at once: it runs on the loop's next turn.
uint64_t intervalNanoseconds(double seconds, bool repeats) {
    const double shortest = repeats ? kShortestRepeatInterval : 0;
    const double clamped = seconds >= shortest ? std::min(seconds, VLClock::longestInterval) : shortest;
    return static_cast<uint64_t>(std::llround(clamped * 1e9));
}

} // namespace

std::shared_ptr<VLTimer> VLTimer::create(double seconds, bool repeats, Block block, Completion completion,
                                         std::shared_ptr<VLClock> clock,
                                         std::shared_ptr<VLDelayScheduler> scheduler) {
    return std::shared_ptr<VLTimer>(
        new VLTimer(seconds, repeats, std::move(block), std::move(completion),
                    clock ? std::move(clock) : VLClock::shared(),
                    scheduler ? std::move(scheduler) : VLDelayScheduler::shared()));
}

VLTimer::VLTimer(double seconds, bool repeats, Block block, Completion completion,
                 std::shared_ptr<VLClock> clock, std::shared_ptr<VLDelayScheduler> scheduler)
    : _clock(std::move(clock)), _scheduler(std::move(scheduler)), _repeats(repeats),
      _interval(intervalNanoseconds(seconds, repeats)),
      _scheduleBlock(std::make_shared<const Block>(std::move(block))), _completion(std::move(completion)) {}

VLTimer::~VLTimer() {
    finish(false);
    if (_context)
        g_main_context_unref(_context);
}

void VLTimer::startInRunloop(GMainContext* context) {
    if (_started || _status == Status::invalidated)
        return;
    _started = true;
    _status = Status::running;
    _context = g_main_context_ref(context);
    const uint64_t now = _clock->nanoseconds();
    fireAt(now + _interval, now);
}

void VLTimer::fireAt(uint64_t deadline, uint64_t now) {
    cancelPendingFire();
    _scheduledFire = deadline;
    const double delay = deadline > now ? static_cast<double>(deadline - now) / 1e9 : 0;
    _pendingFire = _scheduler->after(delay, _context, [weakSelf = weak_from_this()] {
        if (std::shared_ptr<VLTimer> self = weakSelf.lock())
            self->onFire();
    });
}

void VLTimer::cancelPendingFire() {
    if (std::shared_ptr<VLDelayedBlock> pending = std::move(_pendingFire))
        pending->cancel();
}

void VLTimer::suspend() {
    if (_status == Status::running)
        _status = Status::suspended;
}

void VLTimer::resume() {
    if (_status != Status::suspended || !_started)
        return;
    _status = Status::running;
    if (_missedFire) {
        _missedFire = false;
        const uint64_t now = _clock->nanoseconds();
        fireAt(now, now);
    }
}

void VLTimer::onFire() {
    _pendingFire = nullptr;
    switch (_status) {
    case Status::suspended:
        if (_repeats)
            scheduleNextRepeat();
        else
            _missedFire = true;
        return;
    case Status::running:
        if (auto delegate = _delegate.lock(); delegate && !delegate->timerShouldRun(*this))
            return; // parked until runDeferred()
        if (_repeats)
            scheduleNextRepeat();
        runBlock();
        if (!_repeats)
            finish(true);
        return;
    case Status::invalidated:
        return;
    }
}

// The next fire keeps to the original schedule; fires missed while the thread was busy are skipped.
void VLTimer::scheduleNextRepeat() {
    const uint64_t now = _clock->nanoseconds();
    uint64_t next = _scheduledFire + _interval;
    if (next <= now)
        next += ((now - next) / _interval + 1) * _interval;
    fireAt(next, now);
}

void VLTimer::runDeferred() {
    if (_status == Status::invalidated)
        return;
    std::shared_ptr<VLTimer> keepAlive = shared_from_this();
    const uint64_t now = _clock->nanoseconds();
    fireAt(now + _interval, now);
    if (_status != Status::running)
        return;
    runBlock();
    if (!_repeats)
        finish(true);
}

void VLTimer::runBlock() {
    std::shared_ptr<const Block> block = _scheduleBlock;
    if (block && *block)
        (*block)();
}

void VLTimer::finish(bool finished) {
    if (_status == Status::invalidated)
        return;
    _status = Status::invalidated;
    // The delegate may drop the last other reference; empty while this object is being destroyed.
    std::shared_ptr<VLTimer> keepAlive = weak_from_this().lock();
    cancelPendingFire();
    _scheduleBlock.reset();
    if (auto delegate = _delegate.lock())
        delegate->timerDidInvalidate(*this, finished);
    Completion completion = std::move(_completion);
    _completion = nullptr;
    if (completion)
        completion(finished);
}
