#include "Core/Engine/RunLoop/VLTimerCollection.h"

#include "Platform/Foundation/VLClock.h"
#include "Platform/Foundation/VLDelayScheduler.h"

#include <algorithm>
#include <limits>

namespace {

constexpr double kShortestTickDelay = 0.001;

} // namespace

std::shared_ptr<VLTimerCollection> VLTimerCollection::create(const std::shared_ptr<VLRunLoopThread>& thread,
                                                             std::shared_ptr<VLClock> clock,
                                                             std::shared_ptr<VLDelayScheduler> scheduler) {
    return std::shared_ptr<VLTimerCollection>(
        new VLTimerCollection(thread, clock ? std::move(clock) : VLClock::shared(),
                              scheduler ? std::move(scheduler) : VLDelayScheduler::shared()));
}

VLTimerCollection::VLTimerCollection(const std::shared_ptr<VLRunLoopThread>& thread,
                                     std::shared_ptr<VLClock> clock,
                                     std::shared_ptr<VLDelayScheduler> scheduler)
    : _thread(thread), _context(g_main_context_ref(thread->context())), _clock(std::move(clock)),
      _scheduler(std::move(scheduler)),
      // Never ticked: the first timer work under a throttle runs at once.
      _lastTick(-std::numeric_limits<double>::infinity()) {}

VLTimerCollection::~VLTimerCollection() {
    // The timers end as released and, as this object is going, without calling back into it.
    cancelTick();
    _deferredTimers.clear();
    _timerMap.clear();
    g_main_context_unref(_context);
}

int32_t VLTimerCollection::createTimerWithTimeInterval(double seconds, bool repeats, VLTimer::Block block,
                                                       VLTimer::Completion completion) {
    int32_t identifier = _lastTimerID.fetch_add(1);
    std::shared_ptr<VLRunLoopThread> thread = _thread.lock();
    if (_invalidated.load() || !thread || thread->isFinished()) {
        if (completion) {
            completion(false);
        }
        return identifier;
    }
    std::shared_ptr<VLTimer> timer =
        VLTimer::create(seconds, repeats, std::move(block), std::move(completion), _clock, _scheduler);
    timer->setIdentifier(identifier);
    timer->setDelegate(weak_from_this());
    _timerMap[identifier] = timer;
    timer->startInRunloop(_context);
    return identifier;
}

VLTimer* VLTimerCollection::timerWithIdentifier(int32_t identifier) const {
    auto found = _timerMap.find(identifier);
    return found == _timerMap.end() ? nullptr : found->second.get();
}

void VLTimerCollection::suspendTimerWithIdentifier(int32_t identifier) {
    if (VLTimer* timer = timerWithIdentifier(identifier)) {
        timer->suspend();
    }
}

void VLTimerCollection::resumeTimerWithIdentifier(int32_t identifier) {
    if (VLTimer* timer = timerWithIdentifier(identifier)) {
        timer->resume();
    }
}

// Timers leave the map before they end: ending runs completions, which may call back into the map.
void VLTimerCollection::cancelTimerWithIdentifier(int32_t identifier) {
    auto found = _timerMap.find(identifier);
    if (found == _timerMap.end()) {
        return;
    }
    std::shared_ptr<VLTimer> timer = std::move(found->second);
    _timerMap.erase(found);
    timer->setDelegate({});
    timer->invalidate();
}

void VLTimerCollection::suspendAllTimers() {
    for (auto& [identifier, timer] : _timerMap) {
        timer->suspend();
    }
}

void VLTimerCollection::resumeAllTimers() {
    for (auto& [identifier, timer] : _timerMap) {
        timer->resume();
    }
}

void VLTimerCollection::cancelAllTimers() {
    std::map<int32_t, std::shared_ptr<VLTimer>> timers;
    timers.swap(_timerMap);
    for (auto& [identifier, timer] : timers) {
        timer->setDelegate({});
        timer->invalidate();
    }
}

void VLTimerCollection::invalidate() {
    _invalidated.store(true);
    cancelAllTimers();
}

void VLTimerCollection::setThrottleInterval(double seconds) {
    _throttleInterval = seconds > 0 ? seconds : 0;
    if (_throttleInterval == 0) {
        cancelTick();
        runDeferredTimers();
    }
}

bool VLTimerCollection::timerShouldRun(VLTimer& timer) {
    if (_throttleInterval <= 0) {
        return true;
    }
    double now = _clock->seconds();
    if (now - _lastTick >= _throttleInterval && _deferredTimers.empty()) {
        _lastTick = now;
        return true;
    }
    std::shared_ptr<VLTimer> waiting = timer.shared_from_this();
    if (std::find(_deferredTimers.begin(), _deferredTimers.end(), waiting) == _deferredTimers.end()) {
        _deferredTimers.push_back(std::move(waiting));
    }
    if (!_tick) {
        scheduleTick(now);
    }
    return false;
}

void VLTimerCollection::scheduleTick(double now) {
    _tick = _scheduler->after(std::max(_lastTick + _throttleInterval - now, kShortestTickDelay), _context,
                              [weakSelf = weak_from_this()] {
                                  if (std::shared_ptr<VLTimerCollection> self = weakSelf.lock())
                                      self->onTick();
                              });
}

void VLTimerCollection::cancelTick() {
    if (std::shared_ptr<VLDelayedBlock> tick = std::move(_tick))
        tick->cancel();
}

void VLTimerCollection::onTick() {
    _tick = nullptr;
    _lastTick = _clock->seconds();
    runDeferredTimers();
}

void VLTimerCollection::runDeferredTimers() {
    std::vector<std::shared_ptr<VLTimer>> waiting;
    waiting.swap(_deferredTimers);
    for (const std::shared_ptr<VLTimer>& timer : waiting) {
        timer->runDeferred();
    }
}

void VLTimerCollection::timerDidInvalidate(VLTimer& timer, bool) {
    auto found = _timerMap.find(timer.identifier());
    if (found == _timerMap.end() || found->second.get() != &timer) {
        return;
    }
    std::shared_ptr<VLTimer> leaving = std::move(found->second);
    _timerMap.erase(found);
}
