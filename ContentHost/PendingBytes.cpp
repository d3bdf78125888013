#include "ContentHost/PendingBytes.h"

bool PendingBytes::addWithin(int64_t length, int64_t limit) {
    std::lock_guard guard(_lock);
    if (_count + length > limit)
        return false;
    _count += length;
    return true;
}

void PendingBytes::subtract(int64_t length) {
    std::lock_guard guard(_lock);
    _count -= length;
}

int64_t PendingBytes::count() const {
    std::lock_guard guard(_lock);
    return _count;
}

void PendingBytes::frameQueued() {
    std::lock_guard guard(_lock);
    ++_queuedFrames;
}

void PendingBytes::frameWritten(int64_t length) {
    std::lock_guard guard(_lock);
    _count -= length;
    --_queuedFrames;
}

bool PendingBytes::writeQueueIsIdle() const {
    std::lock_guard guard(_lock);
    return _queuedFrames == 0;
}
