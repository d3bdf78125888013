#include "Platform/Foundation/VLDelayedBlock.h"

void VLDelayedBlock::cancel() {
    std::function<void()> block, canceller;
    {
        std::lock_guard lock(_lock);
        if (_done)
            return;
        _done = true;
        block = std::move(_block);
        canceller = std::move(_canceller);
    }
    // Outside the lock: the canceller may drop the last reference to this object's owner.
    if (canceller)
        canceller();
}

bool VLDelayedBlock::isDone() const {
    std::lock_guard lock(_lock);
    return _done;
}

void VLDelayedBlock::run() {
    std::function<void()> block, canceller;
    {
        std::lock_guard lock(_lock);
        if (_done)
            return;
        _done = true;
        block = std::move(_block);
        canceller = std::move(_canceller);
    }
    if (block)
        block();
}

void VLDelayedBlock::setCanceller(std::function<void()> canceller) {
    {
        std::lock_guard lock(_lock);
        if (!_done) {
            _canceller = std::move(canceller);
            return;
        }
    }
    // Cancelled before the scheduler got this far: undo the scheduling at once.
    canceller();
}
