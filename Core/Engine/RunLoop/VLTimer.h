#pragma once

#include "Core/Engine/RunLoop/VLTimerDelegate.h"
#include "Core/Engine/RunLoop/VLTimerSource.h"

#include <cstdint>
#include <functional>
#include <memory>

// One native timer: a GLib source on a thread's context that runs a block after an interval, once or
// repeatedly, can be suspended and resumed, and reports its end once through its completion. Its
// context does not keep it alive. Made, used and released on the thread that iterates its context.
class VLTimer : public std::enable_shared_from_this<VLTimer> {
public:
    using Block = std::function<void()>;
    using Completion = std::function<void(bool finished)>;

    // Non-positive (or NaN) intervals count as 0.1 ms.
    static std::shared_ptr<VLTimer> create(double seconds, bool repeats, Block block, Completion completion);
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

    VLTimer(double seconds, bool repeats, Block block, Completion completion);

    void onFire();
    void scheduleNextRepeat();
    void runBlock();
    // Ends the timer once: the delegate hears of it, then the completion runs with the flag.
    void finish(bool finished);

    Status _status = Status::suspended;
    bool _started = false;
    bool _repeats;
    bool _missedFire = false;
    int64_t _interval; // microseconds
    int64_t _scheduledFire = -1;
    std::shared_ptr<const Block> _scheduleBlock; // shared so a run survives the timer's end
    std::unique_ptr<VLTimerSource> _source;
    int32_t _identifier = 0;
    std::weak_ptr<VLTimerDelegate> _delegate;
    Completion _completion;
};
