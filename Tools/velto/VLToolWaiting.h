#pragma once

#include <chrono>
#include <functional>
#include <memory>

class VLJSEngine;

// How velto waits while scripts run and how it ends. The main thread runs the main queue meanwhile,
// asleep until a block comes: nothing looks for changes in between, so a script waiting on a long
// timer costs the process no wake-ups. Main thread only.
class VLToolWaiting {
public:
    using Deadline = std::chrono::steady_clock::time_point;

    VLToolWaiting() = delete;

    // Runs the main queue until `finished` holds (it is asked after each block, so what makes it hold
    // comes through the main queue) or the deadline passes; false when the deadline came first.
    static bool runMainQueueUntil(const std::function<bool()>& finished, Deadline deadline);
    // The same, until the engine has no pending work (timers included), nothing queued for its thread,
    // and the main queue ran nothing else while the engine was found idle. `settling` counts lasting
    // work (open windows) as done.
    static bool runMainQueueUntilIdle(const std::shared_ptr<VLJSEngine>& engine, Deadline deadline,
                                      bool settling = false);
    // Runs what the main queue holds ready, without waiting.
    static void runMainQueueWhileReady();
    // Called as the run starts: shortly after the deadline the process ends with status 0 whatever any
    // thread is doing then (a script that never returns, a picture still decoding, output that nobody
    // reads); what was not written by then is dropped.
    static void begin(Deadline deadline);
    // Moves that end to no sooner than the time from now: for the main thread's own last step (a
    // screenshot), which nothing else holds up.
    static void allowAtLeast(std::chrono::milliseconds time);
    // The status the process ends with at that end: the run's outcome once it is known.
    static void setEndingStatus(int status);
    // Waits, until shortly after the deadline at most, for the engines' threads to end, then flushes
    // the storage writes and the log.
    static void end(Deadline deadline);
};
