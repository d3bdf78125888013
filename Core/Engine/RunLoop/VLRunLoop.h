#pragma once

#include "Core/Engine/RunLoop/VLRunLoopObserver.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"

#include <functional>
#include <memory>
#include <mutex>
#include <semaphore>

// The way other threads hand work to a VLRunLoopThread, and the thread's owner: the last release of the
// VLRunLoop stops the thread once the work queued before it has run. All methods may be called from any
// thread; blocks posted from one thread run in posting order, one at a time.
class VLRunLoop {
public:
    using Block = std::function<void()>;

    // Keeps the thread and starts it unless it has been started already.
    static std::shared_ptr<VLRunLoop> create(std::shared_ptr<VLRunLoopThread> thread);
    ~VLRunLoop();
    VLRunLoop(const VLRunLoop&) = delete;
    VLRunLoop& operator=(const VLRunLoop&) = delete;

    // True while the thread executes, false once it has finished; before it runs, true unless cancelled.
    bool isRunning() const;
    bool isCurrent() const { return _thread->isCurrent(); }
    const std::shared_ptr<VLRunLoopThread>& thread() const { return _thread; }

    // On the loop's thread the block runs at once; from elsewhere it is queued when the loop runs, and
    // dropped without a word when it does not.
    void performBlock(Block block);
    // The same, but a caller on another thread waits until the block has run, or until the thread has
    // ended without running it (the block is then dropped and never runs).
    void performBlockSync(Block block);

    // Calls the block on the loop's thread each time the loop is about to wait for work, until the
    // observer is invalidated; blocks it posts to the loop run before the loop sleeps. Added at once on
    // the loop's thread, else posted there (and never called when the loop does not run).
    std::shared_ptr<VLRunLoopObserver> addBeforeWaitingObserver(Block block);

    // Parks the thread behind the work posted so far, until resume(); posted work queues up meanwhile.
    // A second suspend() while suspended does nothing.
    void suspend();
    void resume();

private:
    explicit VLRunLoop(std::shared_ptr<VLRunLoopThread> thread) : _thread(std::move(thread)) {}

    const std::shared_ptr<VLRunLoopThread> _thread;
    std::mutex _suspensionLock; // guards _parking; any thread
    std::shared_ptr<std::binary_semaphore> _parking;
};

// Runs the block at once when called on the thread, else queues it there without waiting. A thread that
// has ended never runs it. A null thread does nothing.
void VLExecuteOnThread(const std::shared_ptr<VLRunLoopThread>& thread, std::function<void()> block);
