#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

class VLMainQueueTimer;

// The process's main queue: work run by the main thread while it iterates GLib's default main
// context. Windows, views and everything else that belongs to the main thread are touched only here.
//
// Blocks run one at a time in the order given; delayed blocks join the end of the queue when they fall
// due, in the order of their deadlines. Nothing runs unless the main thread iterates the context.
class VLMainQueue final {
public:
    using Block = std::function<void()>;

    VLMainQueue() = delete;

    // True on the process's main thread, the one that iterates the default context.
    static bool isCurrent();

    // May be called from any thread, the main thread included (the block then runs later).
    static void async(Block block);
    // Runs the block at once on the main thread; from any other thread, posts it and waits for it.
    // A caller holding something the main thread waits for deadlocks.
    static void sync(const Block& block);
    template <class Rep, class Period>
    static void after(std::chrono::duration<Rep, Period> delay, Block block) {
        afterMicroseconds(std::chrono::ceil<std::chrono::microseconds>(delay).count(), std::move(block));
    }

    // Iterates the default context on the main thread until the predicate holds or the timeout has
    // passed, and returns whether it held. The predicate is checked after each dispatch and at least
    // every few milliseconds, so it may also watch state that other threads change.
    static bool runUntil(const std::function<bool()>& predicate,
                         std::chrono::milliseconds timeout = std::chrono::seconds(20));

    // How many blocks have run so far; main thread. Two readings tell a waiter whether anything ran
    // between them, even within one dispatch.
    static uint64_t blocksRun();

    // Runs the block every interval, first one interval from now, each time up to `leeway` late: deadlines
    // are put on the leeway's grid, so that timers of the process share their wake-ups. A run that comes
    // too late for a deadline skips it. Cancel the timer to stop it.
    template <class Rep, class Period, class LeewayRep, class LeewayPeriod>
    static std::shared_ptr<VLMainQueueTimer> repeating(std::chrono::duration<Rep, Period> interval,
                                                       std::chrono::duration<LeewayRep, LeewayPeriod> leeway,
                                                       Block block) {
        return repeatingMicroseconds(std::chrono::ceil<std::chrono::microseconds>(interval).count(),
                                     std::chrono::ceil<std::chrono::microseconds>(leeway).count(),
                                     std::move(block));
    }

private:
    friend class VLMainQueueTimer;
    static void afterMicroseconds(int64_t delay, Block block);
    // At a moment of GLib's monotonic clock, in microseconds.
    static void atMonotonicMicroseconds(int64_t deadline, Block block);
    static std::shared_ptr<VLMainQueueTimer> repeatingMicroseconds(int64_t interval, int64_t leeway,
                                                                   Block block);
};
