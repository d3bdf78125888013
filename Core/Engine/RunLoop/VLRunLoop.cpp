#include "Core/Engine/RunLoop/VLRunLoop.h"

#include "Platform/Foundation/VLMainQueueHolding.h"

#include <future>

namespace {

// A block posted by performBlockSync. The waiter is released when the last copy of the posted work goes,
// whether the block ran or the thread ended first; the block itself is destroyed before that.
struct SyncBlock {
    std::promise<void> released;
    VLRunLoop::Block block;
};

} // namespace

std::shared_ptr<VLRunLoop> VLRunLoop::create(std::shared_ptr<VLRunLoopThread> thread) {
    std::shared_ptr<VLRunLoop> runLoop(new VLRunLoop(std::move(thread)));
    if (!runLoop->_thread->isExecuting()) {
        runLoop->_thread->start();
    }
    return runLoop;
}

VLRunLoop::~VLRunLoop() {
    // A parked thread would never reach the stop.
    resume();
    if (_thread->isCancelled()) {
        return;
    }
    std::shared_ptr<VLRunLoopThread> thread = _thread;
    performBlock([thread] {
        thread->cancel();
        thread->stop();
    });
}

bool VLRunLoop::isRunning() const {
    if (_thread->isExecuting()) {
        return true;
    }
    return !_thread->isFinished() && !_thread->isCancelled();
}

void VLRunLoop::performBlock(Block block) {
    if (isCurrent()) {
        block();
    } else if (isRunning()) {
        _thread->post(std::move(block));
    }
}

void VLRunLoop::performBlockSync(Block block) {
    if (isCurrent()) {
        block();
        return;
    }
    if (!isRunning()) {
        return;
    }
    auto state = std::make_shared<SyncBlock>();
    state->block = std::move(block);
    std::future<void> released = state->released.get_future();
    _thread->post([state] { state->block(); });
    state.reset();
    // The block may wait on the main thread.
    VLMainQueueHolding::handOver();
    released.wait();
}

std::shared_ptr<VLRunLoopObserver> VLRunLoop::addBeforeWaitingObserver(Block block) {
    auto observer = std::make_shared<VLRunLoopObserver>(std::move(block));
    performBlock([thread = _thread, observer] { thread->addBeforeWaitingObserver(observer); });
    return observer;
}

void VLRunLoop::suspend() {
    std::lock_guard lock(_suspensionLock);
    if (_parking) {
        return;
    }
    _parking = std::make_shared<std::binary_semaphore>(0);
    // Queued even when called on the thread itself, which would otherwise park before returning.
    _thread->post([parking = _parking] { parking->acquire(); });
}

void VLRunLoop::resume() {
    std::lock_guard lock(_suspensionLock);
    if (_parking) {
        _parking->release();
        _parking.reset();
    }
}

void VLExecuteOnThread(const std::shared_ptr<VLRunLoopThread>& thread, std::function<void()> block) {
    if (!thread) {
        return;
    }
    if (thread->isCurrent()) {
        block();
    } else {
        thread->post(std::move(block));
    }
}
