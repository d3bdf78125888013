#include "Platform/Foundation/VLMainQueueTimer.h"

#include "Platform/Foundation/VLMainQueue.h"

#include <glib.h>

void VLMainQueueTimer::cancel() {
    std::function<void()> block;
    std::lock_guard lock(_lock);
    block.swap(_block);
}

bool VLMainQueueTimer::isCancelled() const {
    std::lock_guard lock(_lock);
    return !_block;
}

void VLMainQueueTimer::schedule(int64_t deadline) {
    const int64_t late = _leeway > 0 ? (_leeway - deadline % _leeway) % _leeway : 0;
    VLMainQueue::atMonotonicMicroseconds(deadline + late, [weakSelf = weak_from_this(), deadline] {
        if (std::shared_ptr<VLMainQueueTimer> self = weakSelf.lock())
            self->fire(deadline);
    });
}

void VLMainQueueTimer::fire(int64_t deadline) {
    std::function<void()> block;
    {
        std::lock_guard lock(_lock);
        block = _block;
    }
    if (!block)
        return;
    block();
    int64_t next = deadline + _interval;
    const int64_t now = g_get_monotonic_time();
    if (next <= now)
        next += ((now - next) / _interval + 1) * _interval;
    schedule(next);
}
