#include "Platform/Foundation/VLDispatchReadSource.h"

#include <sys/epoll.h>

#include <mutex>

struct VLDispatchReadSource::State final : VLDispatchQueue::DescriptorWatcher,
                                           std::enable_shared_from_this<State> {
    State(int descriptor, std::shared_ptr<VLDispatchQueue> queue)
        : descriptor(descriptor), queue(std::move(queue)) {}

    const int descriptor;
    const std::shared_ptr<VLDispatchQueue> queue;
    // The key under which the queue's worker knows this source; set once, before any use.
    uint64_t key = 0;

    // Guarded by `lock`; any thread.
    std::mutex lock;
    Block eventHandler;
    Block cancelHandler;
    int suspendCount = 1;
    bool cancelled = false;
    // In the queue's epoll set: level-triggered, so that the worker finds it ready while data remains.
    bool watched = false;
    // epoll refused the descriptor: the source posts its handler for as long as it runs.
    bool posts = false;

    // Caller holds `lock`.
    void watch() {
        if (!posts) {
            epoll_event event{};
            event.events = EPOLLIN;
            event.data.u64 = key;
            watched = ::epoll_ctl(queue->descriptorSet(), EPOLL_CTL_ADD, descriptor, &event) == 0;
            posts = !watched;
        }
        if (posts)
            queue->async([state = shared_from_this()] { state->descriptorReady(); });
    }

    // Caller holds `lock`.
    void unwatch() {
        if (watched)
            ::epoll_ctl(queue->descriptorSet(), EPOLL_CTL_DEL, descriptor, nullptr);
        watched = false;
    }

    // On the queue. The worker waits for no descriptor while this runs.
    void descriptorReady() override {
        Block handler;
        {
            std::lock_guard guard(lock);
            if (cancelled || suspendCount > 0)
                return; // an event that was on its way when the source stopped
            handler = eventHandler;
        }
        if (handler)
            handler();
        std::lock_guard guard(lock);
        if (posts && !cancelled && suspendCount == 0)
            watch();
    }
};

std::shared_ptr<VLDispatchReadSource> VLDispatchReadSource::create(int descriptor,
                                                                   std::shared_ptr<VLDispatchQueue> queue) {
    auto state = std::make_shared<State>(descriptor, queue);
    state->key = queue->addDescriptorWatcher(state);
    return std::shared_ptr<VLDispatchReadSource>(new VLDispatchReadSource(std::move(state)));
}

VLDispatchReadSource::VLDispatchReadSource(std::shared_ptr<State> state) : _state(std::move(state)) {}

VLDispatchReadSource::~VLDispatchReadSource() {
    cancel();
}

void VLDispatchReadSource::setEventHandler(Block handler) {
    std::lock_guard guard(_state->lock);
    _state->eventHandler = std::move(handler);
}

void VLDispatchReadSource::setCancelHandler(Block handler) {
    std::lock_guard guard(_state->lock);
    _state->cancelHandler = std::move(handler);
}

void VLDispatchReadSource::resume() {
    std::lock_guard guard(_state->lock);
    if (_state->suspendCount > 0 && --_state->suspendCount == 0 && !_state->cancelled)
        _state->watch();
}

void VLDispatchReadSource::suspend() {
    std::lock_guard guard(_state->lock);
    if (++_state->suspendCount == 1)
        _state->unwatch();
}

void VLDispatchReadSource::cancel() {
    Block cancelHandler;
    {
        std::lock_guard guard(_state->lock);
        if (_state->cancelled)
            return;
        _state->cancelled = true;
        _state->unwatch();
        _state->eventHandler = nullptr;
        cancelHandler = std::move(_state->cancelHandler);
    }
    _state->queue->removeDescriptorWatcher(_state->key);
    if (cancelHandler)
        _state->queue->async(std::move(cancelHandler));
}

bool VLDispatchReadSource::isCancelled() const {
    std::lock_guard guard(_state->lock);
    return _state->cancelled;
}
