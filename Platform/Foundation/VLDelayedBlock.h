#pragma once

#include <functional>
#include <mutex>

// One block that a VLDelayScheduler runs later, and the caller's way to call it off. Any thread may
// cancel; once cancel() has returned the block never starts (one already running goes on to its end).
class VLDelayedBlock final {
public:
    explicit VLDelayedBlock(std::function<void()> block) : _block(std::move(block)) {}
    VLDelayedBlock(const VLDelayedBlock&) = delete;
    VLDelayedBlock& operator=(const VLDelayedBlock&) = delete;

    void cancel();
    // True once cancelled or run.
    bool isDone() const;

    // For schedulers: runs the block unless it was cancelled or has run; at most once.
    void run();
    // For schedulers: what cancel() must also do, such as detaching a timer. Dropped once the block
    // has run or been cancelled.
    void setCanceller(std::function<void()> canceller);

private:
    mutable std::mutex _lock; // guards the three members below; any thread
    std::function<void()> _block;
    std::function<void()> _canceller;
    bool _done = false;
};
