#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

// A serial queue: one worker thread runs the blocks given to it one at a time, each to its end, in
// the order they were given. Delayed blocks join the end of the queue when they fall due.
//
// Destroying the queue lets the blocks already queued run, drops delayed blocks that are not yet due
// and ends the worker. The last reference may be dropped from a block running on the queue itself.
//
// Read sources (VLDispatchReadSource) that target the queue have its worker watch their descriptors: once
// the first one comes, the worker sleeps in epoll rather than on a condition, and when it is idle and a
// descriptor is ready it tells the source, on the queue, without a hop through another thread.
class VLDispatchQueue final {
public:
    using Block = std::function<void()>;
    using Clock = std::chrono::steady_clock;

    static std::shared_ptr<VLDispatchQueue> create(std::string label);
    ~VLDispatchQueue();
    VLDispatchQueue(const VLDispatchQueue&) = delete;
    VLDispatchQueue& operator=(const VLDispatchQueue&) = delete;

    const std::string& label() const;

    // May be called from any thread, including the queue's own.
    void async(Block block);
    // Runs the block on the queue and waits for it. Called from a block of this queue, it runs the
    // block at once instead of waiting for itself. Waiting on a queue that waits on the caller deadlocks.
    void sync(const Block& block);
    // Runs the block once the delay has passed; blocks due at the same moment run in the order given.
    template <class Rep, class Period>
    void after(std::chrono::duration<Rep, Period> delay, Block block) {
        enqueueAt(Clock::now() + std::chrono::ceil<Clock::duration>(delay), std::move(block));
    }

    // True when the calling code runs on this queue's worker.
    bool isCurrent() const;
    // The queue whose worker runs the calling code; nullptr elsewhere, and while that queue is being
    // destroyed.
    static std::shared_ptr<VLDispatchQueue> current();
    // The label of the queue whose worker runs the calling code (also while it is being destroyed);
    // empty elsewhere.
    static const std::string& currentLabel();

    // Data attached to the queue under a key of the caller's (compared by address).
    void setSpecific(const void* key, void* value);
    void* getSpecific(const void* key) const;

private:
    friend class VLDispatchReadSource;

    // What the worker tells, on the queue, that its descriptor is ready.
    class DescriptorWatcher {
    public:
        virtual ~DescriptorWatcher() = default;
        virtual void descriptorReady() = 0;
    };
    // Registers a watcher under a key of its own (never 0) for the epoll events that carry the key, and
    // makes the worker wait in epoll from now on.
    uint64_t addDescriptorWatcher(std::weak_ptr<DescriptorWatcher> watcher);
    void removeDescriptorWatcher(uint64_t key);
    // The epoll set the worker waits in; valid once a watcher was added.
    int descriptorSet() const;

    struct State;
    explicit VLDispatchQueue(std::shared_ptr<State> state);
    static void runWorker(std::shared_ptr<State> state);
    void enqueueAt(Clock::time_point deadline, Block block);

    // Shared with the worker thread, which keeps it alive after a detach.
    std::shared_ptr<State> _state;
    // Joined by the destructor, or detached when the destructor runs on the worker itself.
    std::thread _worker;
    // The state of the queue whose worker is the current thread; set once by the worker for its life.
    static thread_local State* _currentState;
};
