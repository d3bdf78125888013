#include "Platform/Foundation/VLPostAndWait.h"

#include "Platform/Foundation/VLMainQueueHolding.h"

#include <condition_variable>
#include <memory>
#include <mutex>

namespace {

struct WaitState {
    std::mutex mutex;
    std::condition_variable released;
    bool done = false;
};

// Owned by the posted wrapper: releases the waiter when the last copy of the wrapper goes, which is
// after the block ran or when the queue dropped it.
struct Releaser {
    explicit Releaser(std::shared_ptr<WaitState> state) : state(std::move(state)) {}
    Releaser(const Releaser&) = delete;
    std::shared_ptr<WaitState> state;
    ~Releaser() {
        std::lock_guard lock(state->mutex);
        state->done = true;
        state->released.notify_all();
    }
};

} // namespace

void VLPostAndWait(const std::function<void(std::function<void()>)>& post,
                   const std::function<void()>& block) {
    auto state = std::make_shared<WaitState>();
    {
        auto releaser = std::make_shared<Releaser>(state);
        post([releaser, &block] { block(); });
    }
    // Whatever waits on the block may wait on the main thread too.
    VLMainQueueHolding::handOver();
    std::unique_lock lock(state->mutex);
    state->released.wait(lock, [&] { return state->done; });
}
