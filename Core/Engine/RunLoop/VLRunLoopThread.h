#pragma once

#include <glib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class VLRunLoopObserver;

// A thread that iterates a GLib main context of its own until it is stopped, and measures how busy it
// is. The context becomes the thread's default context before anything else runs there, so whatever
// attaches GLib sources to the thread-default context (JavaScriptCore's timers and deferred work among
// them) is served by this loop. Work reaches the thread through post(), in FIFO order.
//
// Made with create() and started once (by VLRunLoop, which owns it in practice). The identity and
// measurement fields are written by the thread itself and may be read from any thread.
class VLRunLoopThread : public std::enable_shared_from_this<VLRunLoopThread> {
public:
    using Block = std::function<void()>;

    static std::shared_ptr<VLRunLoopThread> create(std::string name);
    ~VLRunLoopThread();
    VLRunLoopThread(const VLRunLoopThread&) = delete;
    VLRunLoopThread& operator=(const VLRunLoopThread&) = delete;

    // The calling thread's object when it is a VLRunLoopThread, else null.
    static std::shared_ptr<VLRunLoopThread> current();

    // Launches the thread; later calls do nothing (a thread runs once).
    void start();
    // For a thread that serves the whole process and is never stopped: waitUntilAllFinished() does not
    // wait for it. Before start().
    void setLivesWithProcess() { _livesWithProcess = true; }

    // Waits until every launched run-loop thread of the process has ended and let go of what it held;
    // false on time-out. For the end of a process (tests), so that nothing is torn down behind exit.
    static bool waitUntilAllFinished(std::chrono::nanoseconds timeout);

    // The name given at creation.
    const std::string& name() const { return _name; }
    // The thread's full operating-system-level name (under 64 bytes); the kernel itself keeps 15 bytes.
    std::string systemName() const;

    bool isExecuting() const { return _executing.load(); }
    bool isFinished() const { return _finished.load(); }
    bool isCancelled() const { return _cancelled.load(); }
    void cancel() { _cancelled.store(true); }
    bool isCurrent() const;

    // The kernel thread id (gettid). Before the thread has recorded it, waits up to 1 s for the start;
    // 0 after a time-out or when the thread finished without recording one.
    uint64_t threadIdentifier() const;
    // How many times the loop woke up from waiting for work.
    uint64_t wakeUpCount() const { return _wakeUpCount.load(std::memory_order_relaxed); }
    // Uptime (ns) since which the thread has worked without a pause; 0 while it waits and after it ended.
    uint64_t busySince() const { return _busySince.load(std::memory_order_relaxed); }
    // What CPU-time sampling needs on Linux in place of a Mach thread port: the thread's CPU-time clock
    // (pthread_getcpuclockid), for clock_gettime. Empty until the thread has started; meaningless once
    // it has finished.
    std::optional<clockid_t> cpuTimeClock() const;
    // The CPU time the thread has used, in microseconds; 0 before it started and once it has finished
    // (its clock is then never read, since another thread may have its identity).
    uint64_t cpuTimeMicroseconds() const;

    // Renames this thread; does nothing unless called on it. The name is cut on whole characters to under
    // 64 bytes and kept here and in the thread-local copy; the kernel gets its first 15 bytes.
    void updateThreadName(std::string_view name);

    // The loop's context; owned by this object.
    GMainContext* context() const { return _context; }

    // Queues the block behind the blocks queued before it and wakes the loop; any thread. Returns false,
    // dropping the block, once the thread has ended. Blocks still queued when it ends are dropped too.
    bool post(Block block);

    // Whether posted blocks wait to run; any thread.
    bool hasQueuedBlocks();

    // Ends the loop when the work running now returns; what is still queued is dropped. On this thread.
    void stop() { _stopRequested = true; }

    // Fires the observer each time the loop is about to wait for work, until it is invalidated. Blocks
    // that the observer posts here run before the loop sleeps. On this thread.
    void addBeforeWaitingObserver(std::shared_ptr<VLRunLoopObserver> observer);

    // Waits until the thread has ended; false on time-out. Never call it on this thread.
    bool waitUntilFinished(std::chrono::nanoseconds timeout) const;

private:
    explicit VLRunLoopThread(std::string name);

    void main();
    void recordIdentity();
    void runQueuedBlocks();
    void closeQueue();
    void markFinished();
    // Whether any observer fired.
    bool runBeforeWaitingObservers();

    static gint pollMeasuringBusyTime(GPollFD* descriptors, guint count, gint timeout);
    static GSourceFuncs queueSourceFunctions;

    const std::string _name;
    GMainContext* const _context;
    GSource* _queueSource;

    // Posted blocks: any thread, under _queueLock. Closed (and emptied) when the thread ends.
    std::mutex _queueLock;
    std::deque<Block> _queue;
    bool _queueClosed = false;

    // Written by the thread, read anywhere.
    std::atomic<uint64_t> _threadIdentifier{0};
    std::atomic<int64_t> _cpuTimeClock;
    std::atomic<uint64_t> _busySince{0};
    std::atomic<uint64_t> _wakeUpCount{0};
    std::atomic<bool> _launched{false};
    std::atomic<bool> _executing{false};
    std::atomic<bool> _finished{false};
    std::atomic<bool> _cancelled{false};
    bool _stopRequested = false;                                             // the thread's own
    bool _livesWithProcess = false;                                          // set before the start
    std::vector<std::shared_ptr<VLRunLoopObserver>> _beforeWaitingObservers; // the thread's own

    // Guards _started, _systemName and the setting of _finished (held while the CPU clock is read);
    // _stateChanged signals start and end.
    mutable std::mutex _stateLock;
    mutable std::condition_variable _stateChanged;
    bool _started = false;
    std::string _systemName;
};
