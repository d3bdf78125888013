#include "Platform/Foundation/VLMainQueue.h"

#include "Platform/Foundation/VLMainQueueHolding.h"
#include "Platform/Foundation/VLMainQueueTimer.h"
#include "Platform/Foundation/VLPostAndWait.h"

#include <glib.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <unistd.h>

namespace {

// The blocks waiting for the main thread, and the one GLib source on the default context that
// brings them there. Any thread adds blocks; only the main thread takes and runs them.
class MainQueueState {
public:
    static MainQueueState& shared() {
        // Never destroyed: threads may still post while the process exits.
        static MainQueueState* state = new MainQueueState();
        return *state;
    }

    void add(VLMainQueue::Block block) {
        std::lock_guard lock(_mutex);
        _pending.push_back(std::move(block));
        updateReadyTime();
    }

    void addAt(gint64 deadline, VLMainQueue::Block block) {
        std::lock_guard lock(_mutex);
        _timers.emplace(deadline, std::move(block));
        updateReadyTime();
    }

    uint64_t blocksRun() const { return _blocksRun; }

private:
    static GSourceFuncs sourceFuncs;

    // Guarded by `_mutex`.
    std::mutex _mutex;
    std::deque<VLMainQueue::Block> _pending;
    // Monotonic deadlines in microseconds (GLib's clock); equal deadlines keep insertion order.
    std::multimap<gint64, VLMainQueue::Block> _timers;
    // Attached once to the default context; its ready time says when the main thread is needed.
    GSource* _source;
    uint64_t _blocksRun = 0; // the main thread's

    MainQueueState() {
        _source = g_source_new(&sourceFuncs, sizeof(GSource));
        g_source_set_name(_source, "VLMainQueue");
        g_source_set_priority(_source, G_PRIORITY_DEFAULT);
        g_source_set_ready_time(_source, -1);
        g_source_attach(_source, g_main_context_default());
    }

    // Caller holds `_mutex`. Setting the ready time wakes the context when another thread iterates it.
    void updateReadyTime() {
        gint64 readyTime = -1;
        if (!_pending.empty())
            readyTime = 0;
        else if (!_timers.empty())
            readyTime = _timers.begin()->first;
        g_source_set_ready_time(_source, readyTime);
    }

    // Main thread. Runs the blocks present when it starts, so that blocks posting further blocks
    // cannot keep the context from serving its other sources.
    void drain() {
        size_t count;
        {
            std::lock_guard lock(_mutex);
            auto due = _timers.upper_bound(g_get_monotonic_time());
            for (auto it = _timers.begin(); it != due; ++it)
                _pending.push_back(std::move(it->second));
            _timers.erase(_timers.begin(), due);
            count = _pending.size();
        }
        for (; count > 0; --count) {
            VLMainQueue::Block block;
            {
                std::lock_guard lock(_mutex);
                block = std::move(_pending.front());
                _pending.pop_front();
            }
            ++_blocksRun;
            block();
        }
        std::lock_guard lock(_mutex);
        updateReadyTime();
    }

    static gboolean dispatch(GSource*, GSourceFunc, gpointer) {
        shared().drain();
        return G_SOURCE_CONTINUE;
    }
};

GSourceFuncs MainQueueState::sourceFuncs = {nullptr, nullptr, &MainQueueState::dispatch,
                                            nullptr, nullptr, nullptr};

} // namespace

bool VLMainQueue::isCurrent() {
    // Asked on every post and every sync: each thread asks the kernel once.
    thread_local const bool isMainThread = gettid() == getpid();
    return isMainThread;
}

void VLMainQueue::async(Block block) {
    if (!VLMainQueueHolding::hold(block))
        MainQueueState::shared().add(std::move(block));
}

uint64_t VLMainQueue::blocksRun() {
    return MainQueueState::shared().blocksRun();
}

void VLMainQueue::sync(const Block& block) {
    if (isCurrent()) {
        block();
        return;
    }
    VLPostAndWait([](Block wrapped) { async(std::move(wrapped)); }, block);
}

void VLMainQueue::afterMicroseconds(int64_t delay, Block block) {
    atMonotonicMicroseconds(g_get_monotonic_time() + std::max<int64_t>(delay, 0), std::move(block));
}

void VLMainQueue::atMonotonicMicroseconds(int64_t deadline, Block block) {
    // A block held before this one must not run after it.
    VLMainQueueHolding::handOver();
    MainQueueState::shared().addAt(deadline, std::move(block));
}

std::shared_ptr<VLMainQueueTimer> VLMainQueue::repeatingMicroseconds(int64_t interval, int64_t leeway,
                                                                     Block block) {
    std::shared_ptr<VLMainQueueTimer> timer(
        new VLMainQueueTimer(std::max<int64_t>(interval, 1), std::max<int64_t>(leeway, 0), std::move(block)));
    timer->schedule(g_get_monotonic_time() + timer->_interval);
    return timer;
}

bool VLMainQueue::runUntil(const std::function<bool()>& predicate, std::chrono::milliseconds timeout) {
    if (!isCurrent())
        return predicate();
    GMainContext* context = g_main_context_default();
    const gint64 deadline = g_get_monotonic_time() + timeout.count() * 1000;
    // Wakes the loop now and then, for predicates on state that changes without a dispatch here.
    GSource* tick = g_timeout_source_new(5);
    g_source_set_callback(
        tick, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr, nullptr);
    g_source_attach(tick, context);
    bool held;
    while (!(held = predicate()) && g_get_monotonic_time() < deadline)
        g_main_context_iteration(context, TRUE);
    g_source_destroy(tick);
    g_source_unref(tick);
    return held;
}
