#include "Platform/Foundation/VLTimerfdQueue.h"

#include "Platform/Foundation/VLClock.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <unordered_map>
#include <vector>

namespace {

// The source that owns a context's queue: it keeps the queue alive while it is attached, and lets it go
// when the context destroys it.
struct VLTimerfdSource {
    GSource source;
    std::shared_ptr<VLTimerfdQueue>* queue;
};

// Every context's queue: any thread, under the mutex. Entries leave when their source is finalised.
std::mutex registryLock;
std::unordered_map<GMainContext*, std::weak_ptr<VLTimerfdQueue>>& registry() {
    static auto* queues = new std::unordered_map<GMainContext*, std::weak_ptr<VLTimerfdQueue>>();
    return *queues;
}

} // namespace

uint64_t VLTimerfdQueue::now() {
    // The timerfd waits in real time, whatever clock a test gave the process.
    return VLClock::system()->nanoseconds();
}

std::shared_ptr<VLTimerfdQueue> VLTimerfdQueue::forContext(GMainContext* context) {
    std::lock_guard lock(registryLock);
    if (auto found = registry().find(context); found != registry().end()) {
        if (std::shared_ptr<VLTimerfdQueue> queue = found->second.lock())
            return queue;
    }
    const int timerfd = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
    if (timerfd < 0)
        return nullptr;
    std::shared_ptr<VLTimerfdQueue> queue(new VLTimerfdQueue(context, timerfd));

    static GSourceFuncs functions = {
        nullptr,
        nullptr,
        [](GSource* source, GSourceFunc, gpointer) -> gboolean {
            // Held for the dispatch: a block may end the context's last other user.
            const std::shared_ptr<VLTimerfdQueue> queue = *reinterpret_cast<VLTimerfdSource*>(source)->queue;
            queue->dispatch();
            return G_SOURCE_CONTINUE;
        },
        [](GSource* source) {
            auto* owner = reinterpret_cast<VLTimerfdSource*>(source);
            {
                std::lock_guard lock(registryLock);
                auto found = registry().find((*owner->queue)->_context);
                if (found != registry().end() && found->second.lock() == *owner->queue)
                    registry().erase(found);
            }
            delete owner->queue;
        },
        nullptr,
        nullptr,
    };
    GSource* source = g_source_new(&functions, sizeof(VLTimerfdSource));
    reinterpret_cast<VLTimerfdSource*>(source)->queue = new std::shared_ptr<VLTimerfdQueue>(queue);
    g_source_set_name(source, "VLTimerfdQueue");
    // Below every other source: a chain of blocks due at once never keeps the loop from posted work or
    // from the engine's own timers, which are ready at the same moment.
    g_source_set_priority(source, G_PRIORITY_LOW);
    g_source_add_unix_fd(source, timerfd, G_IO_IN);
    g_source_attach(source, context);
    g_source_unref(source);
    registry()[context] = queue;
    return queue;
}

VLTimerfdQueue::VLTimerfdQueue(GMainContext* context, int timerfd) : _context(context), _timerfd(timerfd) {}

VLTimerfdQueue::~VLTimerfdQueue() {
    close(_timerfd);
}

void VLTimerfdQueue::add(uint64_t delayNanoseconds, const std::shared_ptr<VLDelayedBlock>& block) {
    Key key;
    {
        std::lock_guard lock(_lock);
        key = {now() + delayNanoseconds, _nextOrder++};
        _blocks.emplace(key, block);
        if (_blocks.begin()->first == key)
            arm();
    }
    // Outside the lock: a block cancelled meanwhile calls the canceller at once.
    block->setCanceller([weakQueue = weak_from_this(), key] {
        if (std::shared_ptr<VLTimerfdQueue> queue = weakQueue.lock())
            queue->remove(key);
    });
}

void VLTimerfdQueue::remove(Key key) {
    std::lock_guard lock(_lock);
    const bool wasFirst = !_blocks.empty() && _blocks.begin()->first == key;
    if (_blocks.erase(key) && wasFirst)
        arm();
}

void VLTimerfdQueue::arm() {
    itimerspec due{};
    if (!_blocks.empty()) {
        const uint64_t deadline = _blocks.begin()->first.first, current = now();
        // A zero it_value would disarm: what is due now is armed a nanosecond ahead.
        const uint64_t left = deadline > current ? deadline - current : 1;
        due.it_value.tv_sec = time_t(left / 1000000000u);
        due.it_value.tv_nsec = long(left % 1000000000u);
    }
    timerfd_settime(_timerfd, 0, &due, nullptr);
}

void VLTimerfdQueue::dispatch() {
    uint64_t expirations = 0;
    while (read(_timerfd, &expirations, sizeof expirations) < 0 && errno == EINTR)
        ;
    std::vector<std::shared_ptr<VLDelayedBlock>> due;
    {
        std::lock_guard lock(_lock);
        const uint64_t current = now();
        while (!_blocks.empty() && _blocks.begin()->first.first <= current) {
            due.push_back(std::move(_blocks.begin()->second));
            _blocks.erase(_blocks.begin());
        }
        // Blocks that the ones below add at 0 delay run on the next turn, behind what else is ready.
        arm();
    }
    for (const std::shared_ptr<VLDelayedBlock>& block : due)
        block->run();
}
