#pragma once

#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Engine/RunLoop/VLTimer.h"
#include "Core/Engine/RunLoop/VLTimerDelegate.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class VLClock;
class VLDelayScheduler;
class VLDelayedBlock;

// The timers of one thread by identifier. Hands out identifiers (from 1, never reused), suspends,
// resumes and cancels timers, refuses new ones once invalidated, and can throttle them: under a throttle
// interval t, timer work runs at most once per t seconds, and fires that come too early wait together
// for the next tick. The timers and the throttle read one clock and wait through one delay scheduler.
//
// Every method is called on the collection's thread (the identifier counter and the invalidated flag
// are atomic, the rest is that thread's own); the collection is released there too.
class VLTimerCollection final : public VLTimerDelegate,
                                public std::enable_shared_from_this<VLTimerCollection> {
public:
    // Without a clock or scheduler, the process's.
    static std::shared_ptr<VLTimerCollection> create(const std::shared_ptr<VLRunLoopThread>& thread,
                                                     std::shared_ptr<VLClock> clock = nullptr,
                                                     std::shared_ptr<VLDelayScheduler> scheduler = nullptr);
    ~VLTimerCollection() override;

    // Always returns a fresh identifier. Once the collection is invalidated, or its thread has ended,
    // no timer is made and the completion (when given) is called at once with false.
    int32_t createTimerWithTimeInterval(double seconds, bool repeats, VLTimer::Block block,
                                        VLTimer::Completion completion = nullptr);

    // Identifiers that are not in the collection are ignored.
    void suspendTimerWithIdentifier(int32_t identifier);
    void resumeTimerWithIdentifier(int32_t identifier);
    // The timer leaves the collection and ends without telling it; its completion runs with false.
    void cancelTimerWithIdentifier(int32_t identifier);
    void suspendAllTimers();
    void resumeAllTimers();
    void cancelAllTimers();
    bool hasTimerWithIdentifier(int32_t identifier) const { return _timerMap.contains(identifier); }

    // Final: cancels all timers and refuses new ones.
    void invalidate();
    bool isInvalidated() const { return _invalidated.load(); }

    double throttleInterval() const { return _throttleInterval; }
    // Negative (and NaN) count as 0; 0 ends throttling and runs the waiting timers at once.
    void setThrottleInterval(double seconds);

    bool timerShouldRun(VLTimer& timer) override;
    void timerDidInvalidate(VLTimer& timer, bool finished) override;

private:
    VLTimerCollection(const std::shared_ptr<VLRunLoopThread>& thread, std::shared_ptr<VLClock> clock,
                      std::shared_ptr<VLDelayScheduler> scheduler);

    VLTimer* timerWithIdentifier(int32_t identifier) const;
    void scheduleTick(double now);
    void cancelTick();
    void onTick();
    void runDeferredTimers();

    std::weak_ptr<VLRunLoopThread> _thread;
    GMainContext* _context; // the thread's, referenced
    const std::shared_ptr<VLClock> _clock;
    const std::shared_ptr<VLDelayScheduler> _scheduler;
    std::atomic<int32_t> _lastTimerID{1};
    std::atomic<bool> _invalidated{false};
    std::map<int32_t, std::shared_ptr<VLTimer>> _timerMap;
    std::vector<std::shared_ptr<VLTimer>> _deferredTimers; // in order of arrival, each once
    std::shared_ptr<VLDelayedBlock> _tick;                 // the next throttle tick, or null
    double _lastTick;                                      // clock seconds
    double _throttleInterval = 0;
};
