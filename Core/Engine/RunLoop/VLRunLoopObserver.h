#pragma once

#include <atomic>
#include <functional>

// A block that a run loop calls on its thread each time it is about to wait for work (see
// VLRunLoop::addBeforeWaitingObserver). invalidate() may be called from any thread: no call starts
// once it has returned, though one already under way on the loop's thread runs to its end. The block
// belongs to the loop's thread once the observer is added, and is released there.
class VLRunLoopObserver final {
public:
    explicit VLRunLoopObserver(std::function<void()> block) : _block(std::move(block)) {}
    VLRunLoopObserver(const VLRunLoopObserver&) = delete;
    VLRunLoopObserver& operator=(const VLRunLoopObserver&) = delete;

    void invalidate() { _valid.store(false); }
    bool isValid() const { return _valid.load(); }

    // For the loop's thread: calls the block while the observer is valid.
    void fire() {
        if (isValid())
            _block();
    }

private:
    std::atomic<bool> _valid{true};
    const std::function<void()> _block;
};
