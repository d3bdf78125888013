#pragma once

#include "Core/Engine/RunLoop/VLTimerDelegate.h"

#include <glib.h>

#include <cstdint>
#include <functional>
#include <memory>

class VLClock;
class VLDelayScheduler;
class VLDelayedBlock;

// One native timer: runs a block after an interval, once or repeatedly, on the thread that iterates its
// context; can be suspended and resumed, and reports its end once through its completion. Its deadlines
// are read on a VLClock and its waits go through a VLDelayScheduler, the process's unless given, so that
// tests move time by hand. Its context does not keep it alive. Made, used and released on the thread
// that iterates its context.
class VLTimer : public std::enable_shared_from_this<VLTimer> {
public:
    using Block = std::function<void()>;
    using Completion = std::function<void(bool finished)>;

    // Non-positive (or NaN) intervals count as 0 for a one-shot timer, as 0.1 ms for a repeating one.
    static std::shared_ptr<VLTimer> create(double seconds, bool repeats, Block block, Completion completion,
                                           std::shared_ptr<VLClock> clock = nullptr,
                                           std::shared_ptr<VLDelayScheduler> scheduler = nullptr);
    // Ends the timer as cancelled when it has not ended yet.
    ~VLTimer();
    VLTimer(const VLTimer&) = delete;
    VLTimer& operator=(const VLTimer&) = delete;

    // Schedules the first fire one interval from now; only a timer that was never started starts.
    void startInRunloop(GMainContext* context);
    // Running → suspended: fires do not run the block. A one-shot timer that comes due meanwhile runs when
    // resumed instead of being lost.
    void suspend();
    void resume();
    // Ends the timer as cancelled.
    void invalidate() { finish(false); }
    // Runs a fire that the delegate held back: the schedule restarts from now, and the block runs unless
    // the timer was suspended meanwhile.
    void runDeferred();

    bool isValid() const { return _status != Status::invalidated; }
    bool repeats() const { return _repeats; }
    int32_t identifier() const { return _identifier; }
    void setIdentifier(int32_t identifier) { _identifier = identifier; }
    void setDelegate(std::weak_ptr<VLTimerDelegate> delegate) { _delegate = std::move(delegate); }
    void setCompletion(Completion completion) { _completion = std::move(completion); }

private:
    enum class Status { suspended, running, invalidated };

    VLTimer(double seconds, bool repeats, Block block, Completion completion, std::shared_ptr<VLClock> clock,
            std::shared_ptr<VLDelayScheduler> scheduler);

    // The next fire at the deadline (nanoseconds of the clock), in place of any earlier one. The delay is
    // taken from the reading `now` that the deadline was made from, so that timers made one after the
    // other with one interval come due in that order.
    void fireAt(uint64_t deadline, uint64_t now);
    void cancelPendingFire();
    void onFire();
    void scheduleNextRepeat();
    void runBlock();
    // Ends the timer once: the delegate hears of it, then the completion runs with the flag.
    void finish(bool finished);

    const std::shared_ptr<VLClock> _clock;
    const std::shared_ptr<VLDelayScheduler> _scheduler;
    GMainContext* _context = nullptr; // referenced once started
    Status _status = Status::suspended;
    bool _started = false;
    bool _repeats;
    bool _missedFire = false;
    uint64_t _interval; // nanoseconds
    uint64_t _scheduledFire = 0;
    std::shared_ptr<VLDelayedBlock> _pendingFire;
    std::shared_ptr<const Block> _scheduleBlock; // shared so a run survives the timer's end
    int32_t _identifier = 0;
    std::weak_ptr<VLTimerDelegate> _delegate;
    Completion _completion;
};
