#pragma once

#include <mutex>
#include <utility>

// The engine's lock for short critical sections. Not recursive: locking it again on the thread that
// holds it deadlocks, and it is unlocked by the thread that locked it. Any thread may use it. It meets
// the BasicLockable requirements, so std::lock_guard and std::unique_lock take it.
class VLUnfairLock {
public:
    VLUnfairLock() = default;
    VLUnfairLock(const VLUnfairLock&) = delete;
    VLUnfairLock& operator=(const VLUnfairLock&) = delete;

    void lock() { _mutex.lock(); }
    void unlock() { _mutex.unlock(); }

    // Runs the block with the lock held and returns what it returns; unlocks even when it throws.
    template <typename Block>
    decltype(auto) lockUsingBlock(Block&& block) {
        std::lock_guard guard(*this);
        return std::forward<Block>(block)();
    }

private:
    std::mutex _mutex;
};
