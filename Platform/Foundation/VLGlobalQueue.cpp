#include "Platform/Foundation/VLGlobalQueue.h"

#include "Platform/Foundation/VLComposedCharacters.h"
#include "Platform/Foundation/VLMainQueueHolding.h"

#include <pthread.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

// Enough for a few slow resolutions at once without letting a burst of them start threads unbounded.
constexpr int kWorkerLimit = 8;
constexpr const char* kGlobalQueueLabel = "app.velto.global";

// The blocks and the workers that take them; any thread, under `lock`. Never destroyed: workers are
// detached and may still be waiting while the process exits.
struct Pool {
    std::mutex lock;
    std::condition_variable workArrived;
    std::deque<VLGlobalQueue::Block> blocks;
    int workers = 0;
    int idleWorkers = 0;

    static Pool& shared() {
        static Pool* pool = new Pool();
        return *pool;
    }

    void work() {
        pthread_setname_np(pthread_self(), VLStringShortenedBelowByteCount(kGlobalQueueLabel, 16).c_str());
        std::unique_lock guard(lock);
        for (;;) {
            ++idleWorkers;
            workArrived.wait(guard, [&] { return !blocks.empty(); });
            --idleWorkers;
            VLGlobalQueue::Block block = std::move(blocks.front());
            blocks.pop_front();
            guard.unlock();
            block();
            block = nullptr; // what the block held goes before the next wait
            guard.lock();
        }
    }
};

} // namespace

void VLGlobalQueue::async(Block block) {
    // What the caller held for the main queue goes first: this block may post there after it.
    VLMainQueueHolding::handOver();
    Pool& pool = Pool::shared();
    std::lock_guard guard(pool.lock);
    pool.blocks.push_back(std::move(block));
    if (pool.idleWorkers > int(pool.blocks.size()) - 1 || pool.workers >= kWorkerLimit) {
        pool.workArrived.notify_one();
        return;
    }
    try {
        std::thread([&pool] { pool.work(); }).detach();
        ++pool.workers;
    } catch (const std::system_error&) {
        // No thread to be had: the workers that exist take the block in turn.
        pool.workArrived.notify_one();
    }
}
