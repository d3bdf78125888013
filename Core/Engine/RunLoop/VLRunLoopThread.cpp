#include "Core/Engine/RunLoop/VLRunLoopThread.h"

#include "Core/Engine/RunLoop/VLRunLoopObserver.h"
#include "Core/Engine/RunLoop/VLUptime.h"
#include "Core/Engine/Support/VLCrashRecorder.h"
#include "Platform/Foundation/VLComposedCharacters.h"
#include "Platform/Foundation/VLMainQueueHolding.h"

#include <condition_variable>
#include <mutex>
#include <pthread.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace {

// The VLRunLoopThread whose body runs on the calling thread. The poll function reads it, since GLib
// gives poll functions no user data.
thread_local VLRunLoopThread* tCurrentThread = nullptr;

constexpr int64_t kNoCPUTimeClock = INT64_MIN;
constexpr size_t kThreadNameLimit = 64;       // logical names stay under this many bytes
constexpr size_t kSystemThreadNameLimit = 16; // what the kernel keeps, with the NUL

// Threads launched and not yet ended, with everything their bodies held released.
struct RunningThreads {
    std::mutex lock;
    std::condition_variable changed;
    size_t count = 0;

    void add() {
        std::lock_guard guard(lock);
        ++count;
    }
    void remove() {
        std::lock_guard guard(lock);
        --count;
        changed.notify_all();
    }
};

RunningThreads& runningThreads() {
    static RunningThreads* threads = new RunningThreads(); // outlives every detached thread
    return *threads;
}

struct QueueSource {
    GSource source;
    VLRunLoopThread* thread;
};

} // namespace

// prepare and check: ready while blocks are queued; dispatch runs them. The source never lets the
// loop time out by itself: posting wakes the context.
GSourceFuncs VLRunLoopThread::queueSourceFunctions = {
    [](GSource* source, gint* timeout) -> gboolean {
        *timeout = -1;
        return reinterpret_cast<QueueSource*>(source)->thread->hasQueuedBlocks();
    },
    [](GSource* source) -> gboolean {
        return reinterpret_cast<QueueSource*>(source)->thread->hasQueuedBlocks();
    },
    [](GSource* source, GSourceFunc, gpointer) -> gboolean {
        reinterpret_cast<QueueSource*>(source)->thread->runQueuedBlocks();
        return G_SOURCE_CONTINUE;
    },
    nullptr,
    nullptr,
    nullptr,
};

std::shared_ptr<VLRunLoopThread> VLRunLoopThread::create(std::string name) {
    return std::shared_ptr<VLRunLoopThread>(new VLRunLoopThread(std::move(name)));
}

VLRunLoopThread::VLRunLoopThread(std::string name)
    : _name(std::move(name)), _context(g_main_context_new()), _cpuTimeClock(kNoCPUTimeClock) {
    g_main_context_set_poll_func(_context, pollMeasuringBusyTime);
    _queueSource = g_source_new(&queueSourceFunctions, sizeof(QueueSource));
    reinterpret_cast<QueueSource*>(_queueSource)->thread = this;
    g_source_set_name(_queueSource, "VLRunLoopThread queue");
    g_source_attach(_queueSource, _context);
}

VLRunLoopThread::~VLRunLoopThread() {
    g_source_destroy(_queueSource);
    g_source_unref(_queueSource);
    g_main_context_unref(_context);
}

std::shared_ptr<VLRunLoopThread> VLRunLoopThread::current() {
    return tCurrentThread ? tCurrentThread->shared_from_this() : nullptr;
}

bool VLRunLoopThread::isCurrent() const {
    return tCurrentThread == this;
}

void VLRunLoopThread::start() {
    if (_launched.exchange(true)) {
        return;
    }
    try {
        // The body keeps the object alive while it runs; nothing joins the thread, so the last owner
        // may let go of it anywhere, the thread itself included.
        const bool counted = !_livesWithProcess;
        if (counted)
            runningThreads().add();
        std::thread([self = shared_from_this(), counted]() mutable {
            self->main();
            self.reset();
            if (counted)
                runningThreads().remove();
        }).detach();
    } catch (const std::system_error&) {
        if (!_livesWithProcess)
            runningThreads().remove();
        closeQueue();
        markFinished();
    }
}

bool VLRunLoopThread::waitUntilAllFinished(std::chrono::nanoseconds timeout) {
    RunningThreads& threads = runningThreads();
    std::unique_lock guard(threads.lock);
    return threads.changed.wait_for(guard, timeout, [&] { return threads.count == 0; });
}

void VLRunLoopThread::main() {
    g_main_context_push_thread_default(_context);
    tCurrentThread = this;
    _executing.store(true);
    updateThreadName(_name);
    recordIdentity();
    _busySince.store(VLUptimeNanoseconds(), std::memory_order_relaxed);
    {
        std::lock_guard lock(_stateLock);
        _started = true;
    }
    _stateChanged.notify_all();
    VLCrashRecorderThreadDidStart();

    // What one turn posts to the main queue wakes the main thread once.
    VLMainQueueHolding::begin();
    while (!_stopRequested) {
        _busySince.store(VLUptimeNanoseconds(), std::memory_order_relaxed);
        g_main_context_iteration(_context, TRUE);
        VLMainQueueHolding::handOver();
    }
    VLMainQueueHolding::end();

    _busySince.store(0, std::memory_order_relaxed);
    closeQueue();
    VLCrashRecorderThreadWillExit(_threadIdentifier.load());
    tCurrentThread = nullptr;
    g_main_context_pop_thread_default(_context);
    _executing.store(false);
    markFinished();
}

void VLRunLoopThread::recordIdentity() {
    clockid_t clock;
    if (pthread_getcpuclockid(pthread_self(), &clock) == 0) {
        _cpuTimeClock.store(clock);
    }
    _threadIdentifier.store(static_cast<uint64_t>(gettid()));
}

void VLRunLoopThread::markFinished() {
    {
        std::lock_guard lock(_stateLock);
        _finished.store(true);
    }
    _stateChanged.notify_all();
}

std::string VLRunLoopThread::systemName() const {
    std::lock_guard lock(_stateLock);
    return _systemName;
}

uint64_t VLRunLoopThread::threadIdentifier() const {
    if (uint64_t identifier = _threadIdentifier.load()) {
        return identifier;
    }
    if (isFinished()) {
        return 0;
    }
    std::unique_lock lock(_stateLock);
    _stateChanged.wait_for(lock, std::chrono::seconds(1), [this] { return _started || _finished.load(); });
    return _threadIdentifier.load();
}

std::optional<clockid_t> VLRunLoopThread::cpuTimeClock() const {
    int64_t clock = _cpuTimeClock.load();
    if (clock == kNoCPUTimeClock) {
        return std::nullopt;
    }
    return static_cast<clockid_t>(clock);
}

uint64_t VLRunLoopThread::cpuTimeMicroseconds() const {
    // The thread marks itself finished under this lock before it exits, so it runs while we read.
    std::lock_guard lock(_stateLock);
    const std::optional<clockid_t> clock = cpuTimeClock();
    timespec time{};
    if (_finished.load() || !clock || ::clock_gettime(*clock, &time) != 0)
        return 0;
    return uint64_t(time.tv_sec) * 1000000 + uint64_t(time.tv_nsec) / 1000;
}

void VLRunLoopThread::updateThreadName(std::string_view name) {
    if (!isCurrent()) {
        return;
    }
    std::string logical = VLStringShortenedBelowByteCount(name, kThreadNameLimit);
    VLCrashRecorderSetThreadName(logical);
    pthread_setname_np(pthread_self(),
                       VLStringShortenedBelowByteCount(logical, kSystemThreadNameLimit).c_str());
    std::lock_guard lock(_stateLock);
    _systemName = std::move(logical);
}

bool VLRunLoopThread::post(Block block) {
    // Another thread may post to the main queue after what this one holds there: that goes first.
    if (!isCurrent())
        VLMainQueueHolding::handOver();
    bool wasEmpty;
    {
        std::lock_guard lock(_queueLock);
        if (_queueClosed) {
            return false;
        }
        wasEmpty = _queue.empty();
        _queue.push_back(std::move(block));
    }
    // A non-empty queue has already woken the loop, or is about to be served by it.
    if (wasEmpty) {
        g_main_context_wakeup(_context);
    }
    return true;
}

void VLRunLoopThread::addBeforeWaitingObserver(std::shared_ptr<VLRunLoopObserver> observer) {
    if (isCurrent() && observer)
        _beforeWaitingObservers.push_back(std::move(observer));
}

bool VLRunLoopThread::runBeforeWaitingObservers() {
    if (_beforeWaitingObservers.empty())
        return false;
    // By index: an observer may add another while it runs.
    for (size_t index = 0; index < _beforeWaitingObservers.size(); ++index) {
        std::shared_ptr<VLRunLoopObserver> observer = _beforeWaitingObservers[index];
        observer->fire();
    }
    std::erase_if(_beforeWaitingObservers, [](const auto& observer) { return !observer->isValid(); });
    return true;
}

bool VLRunLoopThread::hasQueuedBlocks() {
    std::lock_guard lock(_queueLock);
    return !_queue.empty();
}

// Runs the blocks that were queued when the dispatch began, so that timers and other sources get their
// turn between batches; a stop drops the rest.
void VLRunLoopThread::runQueuedBlocks() {
    size_t batch;
    {
        std::lock_guard lock(_queueLock);
        batch = _queue.size();
    }
    for (size_t index = 0; index < batch && !_stopRequested; ++index) {
        Block block;
        {
            std::lock_guard lock(_queueLock);
            if (_queue.empty()) {
                return;
            }
            block = std::move(_queue.front());
            _queue.pop_front();
        }
        block();
        VLMainQueueHolding::handOver();
    }
}

// Dropping the blocks outside the lock lets their captures post (and be refused) while they go.
void VLRunLoopThread::closeQueue() {
    std::deque<Block> dropped;
    std::lock_guard lock(_queueLock);
    _queueClosed = true;
    dropped.swap(_queue);
}

bool VLRunLoopThread::waitUntilFinished(std::chrono::nanoseconds timeout) const {
    std::unique_lock lock(_stateLock);
    return _stateChanged.wait_for(lock, timeout, [this] { return _finished.load(); });
}

gint VLRunLoopThread::pollMeasuringBusyTime(GPollFD* descriptors, guint count, gint timeout) {
    VLRunLoopThread* thread = tCurrentThread;
    if (timeout == 0 || !thread) {
        return g_poll(descriptors, count, timeout);
    }
    // The loop is about to wait: what its observers post now must run first, so only look.
    if (thread->runBeforeWaitingObservers() && thread->hasQueuedBlocks()) {
        return g_poll(descriptors, count, 0);
    }
    VLMainQueueHolding::handOver();
    thread->_busySince.store(0, std::memory_order_relaxed);
    gint result = g_poll(descriptors, count, timeout);
    thread->_wakeUpCount.fetch_add(1, std::memory_order_relaxed);
    thread->_busySince.store(VLUptimeNanoseconds(), std::memory_order_relaxed);
    return result;
}
