#pragma once

#include "Platform/Foundation/VLDelayedBlock.h"

#include <glib.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

// The delayed blocks of one GLib context, woken by one timerfd armed for the earliest of them. GLib
// turns a source's ready time into a poll time-out of whole milliseconds, rounded up, so a delay of
// 0.1 ms costs a full millisecond; a timerfd wakes the loop within microseconds of the deadline.
// Deadlines are kept on CLOCK_MONOTONIC_RAW, the engine's clock; since a timerfd cannot use that clock,
// the timerfd is armed with the delay left on it, recomputed at each arming. An idle queue has its
// timerfd disarmed, so it never wakes its thread. Lives as long as its context.
class VLTimerfdQueue : public std::enable_shared_from_this<VLTimerfdQueue> {
public:
    // The context's queue, made on first use. Any thread.
    static std::shared_ptr<VLTimerfdQueue> forContext(GMainContext* context);
    ~VLTimerfdQueue();
    VLTimerfdQueue(const VLTimerfdQueue&) = delete;
    VLTimerfdQueue& operator=(const VLTimerfdQueue&) = delete;

    // Runs the block on the context's thread once the delay has passed: a delay of 0 on the loop's next
    // turn, blocks due at the same moment in the order they were added. Cancelling the block takes it
    // out of the queue. Any thread.
    void add(uint64_t delayNanoseconds, const std::shared_ptr<VLDelayedBlock>& block);

    // Nanoseconds of CLOCK_MONOTONIC_RAW.
    static uint64_t now();

private:
    using Key = std::pair<uint64_t, uint64_t>; // deadline, order of adding

    VLTimerfdQueue(GMainContext* context, int timerfd);
    // On the context's thread: runs what is due, then arms for what is left.
    void dispatch();
    void remove(Key key);
    // Arms the timerfd for the earliest deadline, or disarms it; under _lock.
    void arm();

    GMainContext* const _context; // not referenced: the queue's source lives in it
    const int _timerfd;
    std::mutex _lock; // guards the members below; any thread
    std::map<Key, std::shared_ptr<VLDelayedBlock>> _blocks;
    uint64_t _nextOrder = 0;
};
