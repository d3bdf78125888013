#pragma once

class VLTimer;

// Told by a VLTimer before each run and when it ends; both methods are optional. Called on the timer's
// thread.
class VLTimerDelegate {
public:
    virtual ~VLTimerDelegate() = default;

    // false holds the fire back: the timer parks until runDeferred() is called.
    virtual bool timerShouldRun(VLTimer& timer) {
        (void)timer;
        return true;
    }
    // finished: true when a one-shot timer ran to its end, false when it was cancelled or released.
    virtual void timerDidInvalidate(VLTimer& timer, bool finished) {
        (void)timer;
        (void)finished;
    }
};
