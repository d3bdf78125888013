#include "Platform/Foundation/VLDispatchQueue.h"

#include "Platform/Foundation/VLMainQueueHolding.h"
#include "Platform/Foundation/VLPostAndWait.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <pthread.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

// Everything the worker needs lives here rather than in the queue object, so that a worker detached
// by a destructor running on it can finish draining after the queue object is gone.
struct VLDispatchQueue::State {
    explicit State(std::string label) : label(std::move(label)) {}
    ~State() {
        if (epoll >= 0)
            ::close(epoll);
        if (wakeEvent >= 0)
            ::close(wakeEvent);
    }

    // Written before the worker starts, read-only afterwards: any thread may read them.
    const std::string label;
    std::weak_ptr<VLDispatchQueue> owner;

    // Everything below is guarded by `mutex`; the worker waits on `workArrived` for work or for the end.
    mutable std::mutex mutex;
    std::condition_variable workArrived;
    std::deque<Block> pending;
    // Keyed by deadline; a multimap keeps blocks with equal deadlines in insertion order.
    std::multimap<Clock::time_point, Block> timers;
    bool stopping = false;
    std::unordered_map<const void*, void*> specifics;

    // Once a read source watches a descriptor: the epoll set the worker sleeps in, with an eventfd (key 0)
    // that wakes it for new blocks, and the watchers by key. Made once, closed with the state.
    int epoll = -1;
    int wakeEvent = -1;
    bool sleepsInEpoll = false;
    std::unordered_map<uint64_t, std::weak_ptr<DescriptorWatcher>> watchers;
    uint64_t lastWatcherKey = 0;

    // Caller holds `mutex`. How to wake the worker once the mutex is let go (wake()).
    bool wakesByEvent() const { return sleepsInEpoll; }
    void wake(bool byEvent) {
        if (byEvent) {
            const uint64_t one = 1;
            [[maybe_unused]] const ssize_t written = ::write(wakeEvent, &one, sizeof(one));
        } else {
            workArrived.notify_one();
        }
    }

    // The worker, `lock` held on entry and on return: sleeps in the epoll set until a block comes, a
    // delayed block falls due or a watched descriptor is ready, then tells the ready ones' watchers.
    void waitForDescriptors(std::unique_lock<std::mutex>& lock);

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

void VLDispatchQueue::State::waitForDescriptors(std::unique_lock<std::mutex>& lock) {
    timespec timeout{};
    const timespec* limit = nullptr;
    if (!timers.empty()) {
        const auto delay = std::max(timers.begin()->first - Clock::now(), Clock::duration::zero());
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(delay);
        timeout.tv_sec = seconds.count();
        timeout.tv_nsec = std::chrono::duration_cast<std::chrono::nanoseconds>(delay - seconds).count();
        limit = &timeout;
    }
    sleepsInEpoll = true;
    lock.unlock();
    epoll_event events[16];
    int count = ::epoll_pwait2(epoll, events, 16, limit, nullptr);
    if (count < 0 && errno == ENOSYS) {
        // A kernel older than 5.11: milliseconds, rounded up so that no delayed block runs early.
        const int milliseconds =
            limit ? int(timeout.tv_sec * 1000 + (timeout.tv_nsec + 999999) / 1000000) : -1;
        count = ::epoll_wait(epoll, events, 16, milliseconds);
    }
    lock.lock();
    sleepsInEpoll = false;
    std::vector<std::shared_ptr<DescriptorWatcher>> ready;
    for (int i = 0; i < count; ++i) {
        // epoll_event is packed on this architecture: take the key by value, never by reference.
        const uint64_t key = events[i].data.u64;
        if (key == 0) {
            uint64_t posted;
            [[maybe_unused]] const ssize_t drained = ::read(wakeEvent, &posted, sizeof(posted));
        } else if (auto found = watchers.find(key); found != watchers.end()) {
            if (auto watcher = found->second.lock())
                ready.push_back(std::move(watcher));
        }
    }
    if (ready.empty())
        return;
    lock.unlock();
    for (const auto& watcher : ready)
        watcher->descriptorReady();
    ready.clear(); // what the watchers let go of goes before the lock is taken again
    lock.lock();
}

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
        if (state->epoll >= 0)
            state->waitForDescriptors(lock);
        else if (state->timers.empty())
            state->workArrived.wait(lock);
        else
            state->workArrived.wait_until(lock, state->timers.begin()->first);
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
    bool byEvent;
    {
        std::lock_guard lock(_state->mutex);
        _state->stopping = true;
        byEvent = _state->wakesByEvent();
    }
    _state->wake(byEvent);
    if (_worker.get_id() == std::this_thread::get_id())
        _worker.detach();
    else
        _worker.join();
}

const std::string& VLDispatchQueue::label() const {
    return _state->label;
}

void VLDispatchQueue::async(Block block) {
    // What the caller held for the main queue goes first: this block may post there after it.
    VLMainQueueHolding::handOver();
    bool byEvent;
    {
        std::lock_guard lock(_state->mutex);
        _state->pending.push_back(std::move(block));
        byEvent = _state->wakesByEvent();
    }
    _state->wake(byEvent);
}

void VLDispatchQueue::sync(const Block& block) {
    if (isCurrent()) {
        block();
        return;
    }
    VLPostAndWait([this](Block wrapped) { async(std::move(wrapped)); }, block);
}

void VLDispatchQueue::enqueueAt(Clock::time_point deadline, Block block) {
    VLMainQueueHolding::handOver();
    bool byEvent;
    {
        std::lock_guard lock(_state->mutex);
        _state->timers.emplace(deadline, std::move(block));
        byEvent = _state->wakesByEvent();
    }
    _state->wake(byEvent);
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

uint64_t VLDispatchQueue::addDescriptorWatcher(std::weak_ptr<DescriptorWatcher> watcher) {
    bool madeSet = false;
    uint64_t key;
    {
        std::lock_guard lock(_state->mutex);
        if (_state->epoll < 0) {
            const int epoll = ::epoll_create1(EPOLL_CLOEXEC);
            const int wakeEvent = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
            epoll_event event{};
            event.events = EPOLLIN;
            event.data.u64 = 0;
            if (epoll >= 0 && wakeEvent >= 0 && ::epoll_ctl(epoll, EPOLL_CTL_ADD, wakeEvent, &event) == 0) {
                _state->epoll = epoll;
                _state->wakeEvent = wakeEvent;
                madeSet = true;
            } else {
                // Out of descriptors: the queue goes on waiting on its condition, and sources on it fall
                // back to posting their handler.
                if (epoll >= 0)
                    ::close(epoll);
                if (wakeEvent >= 0)
                    ::close(wakeEvent);
            }
        }
        key = ++_state->lastWatcherKey;
        _state->watchers.emplace(key, std::move(watcher));
    }
    // The worker may sleep on its condition: from its next wait on, it sleeps in the set.
    if (madeSet)
        _state->workArrived.notify_one();
    return key;
}

void VLDispatchQueue::removeDescriptorWatcher(uint64_t key) {
    std::lock_guard lock(_state->mutex);
    _state->watchers.erase(key);
}

int VLDispatchQueue::descriptorSet() const {
    std::lock_guard lock(_state->mutex);
    return _state->epoll;
}
