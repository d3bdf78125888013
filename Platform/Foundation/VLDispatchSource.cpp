#include "Platform/Foundation/VLDispatchSource.h"

#include "Platform/Foundation/VLComposedCharacters.h"
#include "Platform/Foundation/VLDispatchQueue.h"

#include <pthread.h>
#include <sys/epoll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <map>
#include <mutex>
#include <thread>

struct VLDispatchSource::State {
    State(uint64_t identifier, int fileDescriptor, uint32_t events, std::shared_ptr<VLDispatchQueue> queue,
          Handler handler)
        : identifier(identifier), fileDescriptor(fileDescriptor), events(events), queue(std::move(queue)),
          handler(std::move(handler)) {}

    const uint64_t identifier;
    const int fileDescriptor;
    const uint32_t events;
    const std::shared_ptr<VLDispatchQueue> queue;
    // Held while the handler runs and while the source is cancelled, so that cancel() returns only
    // once no handler runs elsewhere; recursive, so that a handler may cancel its own source.
    std::recursive_mutex handlerLock;
    Handler handler; // under handlerLock
    std::atomic<bool> cancelled{false};
};

namespace {

constexpr const char* kLabel = "app.velto.dispatch-sources";

// The one epoll set and the thread that waits on it. Never destroyed: the thread is detached and may
// still wait while the process exits.
class Watcher {
public:
    static Watcher& shared() {
        static Watcher* watcher = new Watcher();
        return *watcher;
    }

    bool valid() const { return _epoll >= 0; }
    uint64_t nextIdentifier() { return _nextIdentifier.fetch_add(1) + 1; }

    bool add(const std::shared_ptr<VLDispatchSource::State>& state) {
        {
            std::lock_guard lock(_lock);
            _sources[state->identifier] = state;
        }
        epoll_event event{};
        event.events = state->events | EPOLLONESHOT;
        event.data.u64 = state->identifier;
        if (::epoll_ctl(_epoll, EPOLL_CTL_ADD, state->fileDescriptor, &event) == 0)
            return true;
        forget(state->identifier);
        return false;
    }

    void rearm(const VLDispatchSource::State& state) {
        epoll_event event{};
        event.events = state.events | EPOLLONESHOT;
        event.data.u64 = state.identifier;
        ::epoll_ctl(_epoll, EPOLL_CTL_MOD, state.fileDescriptor, &event);
    }

    void remove(const VLDispatchSource::State& state) {
        ::epoll_ctl(_epoll, EPOLL_CTL_DEL, state.fileDescriptor, nullptr);
        forget(state.identifier);
    }

private:
    Watcher() : _epoll(::epoll_create1(EPOLL_CLOEXEC)) {
        if (_epoll >= 0)
            std::thread([this] { run(); }).detach();
    }

    void forget(uint64_t identifier) {
        std::lock_guard lock(_lock);
        _sources.erase(identifier);
    }

    void run() {
        pthread_setname_np(pthread_self(), VLStringShortenedBelowByteCount(kLabel, 16).c_str());
        epoll_event events[16];
        for (;;) {
            int count = ::epoll_wait(_epoll, events, 16, -1);
            if (count < 0 && errno != EINTR)
                return;
            for (int index = 0; index < count; ++index)
                dispatch(events[index].data.u64);
        }
    }

    // Watcher thread: hands the readiness to the source's queue, where the descriptor is armed again
    // after the handler.
    void dispatch(uint64_t identifier) {
        std::shared_ptr<VLDispatchSource::State> state;
        {
            std::lock_guard lock(_lock);
            auto found = _sources.find(identifier);
            if (found != _sources.end())
                state = found->second.lock();
        }
        if (!state || state->cancelled.load())
            return;
        state->queue->async([state, this] {
            using Handler = VLDispatchSource::Handler;
            std::lock_guard handlerLock(state->handlerLock);
            if (state->cancelled.load())
                return;
            // A copy, since the handler may cancel the source, which lets go of the source's own.
            Handler handler = state->handler;
            handler();
            if (!state->cancelled.load())
                rearm(*state);
        });
    }

    const int _epoll;
    std::atomic<uint64_t> _nextIdentifier{0};
    std::mutex _lock; // guards _sources; any thread
    std::map<uint64_t, std::weak_ptr<VLDispatchSource::State>> _sources;
};

} // namespace

std::shared_ptr<VLDispatchSource> VLDispatchSource::create(int fileDescriptor, uint32_t events,
                                                           std::shared_ptr<VLDispatchQueue> queue,
                                                           Handler handler) {
    Watcher& watcher = Watcher::shared();
    if (fileDescriptor < 0 || !queue || !watcher.valid()) {
        if (fileDescriptor >= 0)
            ::close(fileDescriptor);
        return nullptr;
    }
    auto state = std::make_shared<State>(watcher.nextIdentifier(), fileDescriptor, events, std::move(queue),
                                         std::move(handler));
    if (!watcher.add(state)) {
        ::close(fileDescriptor);
        return nullptr;
    }
    return std::shared_ptr<VLDispatchSource>(new VLDispatchSource(std::move(state)));
}

VLDispatchSource::~VLDispatchSource() {
    cancel();
}

void VLDispatchSource::cancel() {
    std::lock_guard handlerLock(_state->handlerLock);
    if (_state->cancelled.exchange(true))
        return;
    Watcher::shared().remove(*_state);
    ::close(_state->fileDescriptor);
    // What the handler captured goes with the source, not with the last posted run.
    _state->handler = nullptr;
}

bool VLDispatchSource::isCancelled() const {
    return _state->cancelled.load();
}
