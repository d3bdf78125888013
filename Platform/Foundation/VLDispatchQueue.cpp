#include "Platform/Foundation/VLDispatchQueue.h"

#include "Platform/Foundation/VLPostAndWait.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <pthread.h>
#include <unordered_map>

// Everything the worker needs lives here rather than in the queue object, so that a worker detached
// by a destructor running on it can finish draining after the queue object is gone.
struct VLDispatchQueue::State {
    explicit State(std::string label) : label(std::move(label)) {}

    // Written before the worker starts, read-only afterwards: any thread may read them.
    const std::string label;
    std::weak_ptr<VLDispatchQueue> owner;

    // Everything below is guarded by `mutex`; the worker waits on `wake` for work or for the end.
    mutable std::mutex mutex;
    std::condition_variable wake;
    std::deque<Block> pending;
    // Keyed by deadline; a multimap keeps blocks with equal deadlines in insertion order.
    std::multimap<Clock::time_point, Block> timers;
    bool stopping = false;
    std::unordered_map<const void*, void*> specifics;

    // Caller holds `mutex`.
    void promoteDueTimers(Clock::time_point now) {
        auto end = timers.upper_bound(now);
        for (auto it = timers.begin(); it != end; ++it)
            pending.push_back(std::move(it->second));
        timers.erase(timers.begin(), end);
    }
};

namespace {

// Linux keeps 15 bytes of a thread name; cut there without splitting a UTF-8 character.
std::string osThreadName(const std::string& label) {
    constexpr size_t limit = 15;
    if (label.size() <= limit)
        return label;
    size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(label[end]) & 0xC0) == 0x80)
        --end;
    return label.substr(0, end);
}

} // namespace

thread_local VLDispatchQueue::State* VLDispatchQueue::_currentState = nullptr;

// The worker's body. Blocks run, and are destroyed, without the lock held: a block may post to the
// queue or drop the queue's last reference.
void VLDispatchQueue::runWorker(std::shared_ptr<State> state) {
    _currentState = state.get();
    pthread_setname_np(pthread_self(), osThreadName(state->label).c_str());

    std::unique_lock lock(state->mutex);
    for (;;) {
        state->promoteDueTimers(Clock::now());
        if (!state->pending.empty()) {
            Block block = std::move(state->pending.front());
            state->pending.pop_front();
            lock.unlock();
            block();
            block = nullptr;
            lock.lock();
            continue;
        }
        if (state->stopping)
            break;
        if (state->timers.empty())
            state->wake.wait(lock);
        else
            state->wake.wait_until(lock, state->timers.begin()->first);
    }
    auto dropped = std::move(state->timers);
    lock.unlock();
    // `dropped` releases what the undue blocks captured here, on the worker, after the lock.
}

std::shared_ptr<VLDispatchQueue> VLDispatchQueue::create(std::string label) {
    auto state = std::make_shared<State>(std::move(label));
    std::shared_ptr<VLDispatchQueue> queue(new VLDispatchQueue(state));
    state->owner = queue;
    queue->_worker = std::thread(runWorker, state);
    return queue;
}

VLDispatchQueue::VLDispatchQueue(std::shared_ptr<State> state) : _state(std::move(state)) {}

VLDispatchQueue::~VLDispatchQueue() {
    {
        std::lock_guard lock(_state->mutex);
        _state->stopping = true;
    }
    _state->wake.notify_one();
    if (_worker.get_id() == std::this_thread::get_id())
        _worker.detach();
    else
        _worker.join();
}

const std::string& VLDispatchQueue::label() const {
    return _state->label;
}

void VLDispatchQueue::async(Block block) {
    {
        std::lock_guard lock(_state->mutex);
        _state->pending.push_back(std::move(block));
    }
    _state->wake.notify_one();
}

void VLDispatchQueue::sync(const Block& block) {
    if (isCurrent()) {
        block();
        return;
    }
    VLPostAndWait([this](Block wrapped) { async(std::move(wrapped)); }, block);
}

void VLDispatchQueue::enqueueAt(Clock::time_point deadline, Block block) {
    {
        std::lock_guard lock(_state->mutex);
        _state->timers.emplace(deadline, std::move(block));
    }
    _state->wake.notify_one();
}

bool VLDispatchQueue::isCurrent() const {
    return _currentState == _state.get();
}

std::shared_ptr<VLDispatchQueue> VLDispatchQueue::current() {
    return _currentState ? _currentState->owner.lock() : nullptr;
}

const std::string& VLDispatchQueue::currentLabel() {
    static const std::string none;
    return _currentState ? _currentState->label : none;
}

void VLDispatchQueue::setSpecific(const void* key, void* value) {
    std::lock_guard lock(_state->mutex);
    if (value)
        _state->specifics[key] = value;
    else
        _state->specifics.erase(key);
}

void* VLDispatchQueue::getSpecific(const void* key) const {
    std::lock_guard lock(_state->mutex);
    auto it = _state->specifics.find(key);
    return it == _state->specifics.end() ? nullptr : it->second;
}
