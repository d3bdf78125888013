#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

// A repeating timer on the main queue, made by VLMainQueue::repeating(). Its block runs on the main
// thread; cancel() may be called from any thread, after which the block never starts again and what it
// held is let go.
class VLMainQueueTimer final : public std::enable_shared_from_this<VLMainQueueTimer> {
public:
    VLMainQueueTimer(const VLMainQueueTimer&) = delete;
    VLMainQueueTimer& operator=(const VLMainQueueTimer&) = delete;

    void cancel();
    bool isCancelled() const;

private:
    friend class VLMainQueue;

    VLMainQueueTimer(int64_t interval, int64_t leeway, std::function<void()> block)
        : _interval(interval), _leeway(leeway), _block(std::move(block)) {}

    // Arms the timer for the nominal deadline, put on the leeway's grid (GLib's monotonic microseconds).
    void schedule(int64_t deadline);
    void fire(int64_t deadline);

    const int64_t _interval;
    const int64_t _leeway;
    mutable std::mutex _lock; // guards _block; empty once cancelled
    std::function<void()> _block;
};
