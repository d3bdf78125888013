#pragma once

#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/WindowServer/VLWSWindowListEntry.h"
#include "Supports/WindowList/VLWindowListEntry.h"
#include "Supports/WindowList/VLWindowListReader.h"

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

class VLDelayedBlock;
class VLDispatchQueue;
class VLFrameSource;
class VLWSEventMonitor;
class VLWindowListObserver;

// The process-wide list of other applications' on-screen windows, for widgets allowed to see them. It
// polls the window server's list (every 0.1 s while an observer is active, every 1 s while all are
// idle) and tells its observers when the list differs. While the left button presses windows (a drag or
// a resize), it reads just those windows on every display frame, at most once per 0.88/60 s and 3 reads
// at a time, and goes back to polling 0.3 s after the release. It runs only while an observer is
// registered. Windows of related processes (the content host's) are never listed.
//
// All state lives on the queue "app.velto.window-list"; observers are held weakly and asked and told
// there. The published list is read under a lock from any thread. Every delay goes through the process's
// delay scheduler and clock.
class VLWindowListMonitor final : public std::enable_shared_from_this<VLWindowListMonitor> {
public:
    using List = std::vector<VLWindowListEntry>;
    using ReadExecutor = std::function<void(std::function<void()>)>;

    static std::shared_ptr<VLWindowListMonitor> sharedInstance();
    // For tests: the monitor that sharedInstance() answers from now on; nullptr makes a new one at next use.
    static void setShared(std::shared_ptr<VLWindowListMonitor> monitor);
    // `readExecutor` runs the per-frame reads off the queue; nothing: the global queue.
    static std::shared_ptr<VLWindowListMonitor> create(ReadExecutor readExecutor = nullptr);
    ~VLWindowListMonitor();
    VLWindowListMonitor(const VLWindowListMonitor&) = delete;
    VLWindowListMonitor& operator=(const VLWindowListMonitor&) = delete;

    // Any thread. The processes whose windows are skipped; setting an empty set clears it.
    static std::set<pid_t> relatedProcessIdentifiers();
    static void setRelatedProcessIdentifiers(const std::set<pid_t>& identifiers);

    // Any thread.
    void addObserver(const std::shared_ptr<VLWindowListObserver>& observer);
    void removeObserver(const std::shared_ptr<VLWindowListObserver>& observer);
    // The published list while running; otherwise a read on the calling thread, else the last list read.
    List windows();

    // For tests and benchmarks: returns once what was queued before the call has run; the schedule.
    void flush();
    bool isStarted() const { return _started; }
    double interval() const { return _publishedInterval; }
    bool readsEveryFrame() const { return _readingEveryFrame; }
    // Timer ticks so far.
    uint64_t tickCount() const { return _ticks; }

private:
    explicit VLWindowListMonitor(ReadExecutor readExecutor);

    static double now();
    std::shared_ptr<VLDelayedBlock> after(double seconds, std::function<void()> block);
    void performOnQueue(std::function<void(VLWindowListMonitor&)> work);
    // A full read of the current snapshot; nothing when void.
    std::optional<List> readWindows(VLWindowListReader::Translucency* translucency);

    // On the queue.
    std::vector<std::shared_ptr<VLWindowListObserver>> liveObservers();
    void update();
    void start();
    void stop();
    void setTimerInterval(double interval);
    void armTimer(double deadline);
    void timerDidFire();
    void read(bool quiet = false);
    void publish(const List& list);
    void followTranslucencyChange(const VLWindowListReader::Translucency& translucency);
    void notificationArrived(const std::string& name, pid_t processIdentifier);
    // Main thread: a left press or release seen by the event monitors.
    void mouseButtonWentDown(bool down, double time);
    // On the queue.
    void pressReported(bool down, double time);
    std::vector<uint32_t> windowIDsAtPointer();
    void readEveryFrame(bool on);
    void displayFrameArrived();
    void readPressedWindows();
    void applyPressedWindows(const std::vector<uint32_t>& windowIDs,
                             const std::vector<VLWSWindowListEntry>& descriptions, uint64_t sequence);

    const ReadExecutor _readExecutor;
    const std::shared_ptr<VLDispatchQueue> _queue;
    const pid_t _ownPID;
    VLWindowListReader _reader;

    // The queue's.
    std::vector<std::weak_ptr<VLWindowListObserver>> _observers;
    std::shared_ptr<VLDelayedBlock> _timer;
    double _timerDeadline = 0;
    uint64_t _timerGeneration = 0; // a tick of an older timer that reached the queue is ignored
    double _interval = 0;
    double _fastUntil = 0;
    std::vector<std::shared_ptr<VLNotificationCenter::Observer>> _notificationTokens;
    bool _idle = false;
    bool _mouseDown = false;
    std::vector<uint32_t> _pressedWindowIDs;
    bool _pressLookedUp = false;
    double _pressLookupTime = 0;
    std::vector<uint32_t> _lingeringWindowIDs; // empty when none
    double _lingeringUntil = 0;
    double _lastFrameRead = 0;
    VLWindowListReader::Translucency _translucentWindows;
    bool _fadeReadScheduled = false;
    uint64_t _readSequence = 0;
    uint64_t _appliedSequence = 0;
    std::shared_ptr<VLFrameSource> _displayLink;
    // The global and the local monitor of left presses. The holder is the queue's; what it holds is
    // made and removed on the main queue.
    struct PressMonitors {
        std::shared_ptr<VLWSEventMonitor> global, local;
    };
    std::shared_ptr<PressMonitors> _pressMonitors;

    // Any thread.
    std::atomic<int32_t> _readsInFlight{0};
    // Shared with the display link's handler, which sets it on its own thread.
    const std::shared_ptr<std::atomic<bool>> _frameReadPending = std::make_shared<std::atomic<bool>>(false);
    std::atomic<bool> _started{false};
    std::atomic<bool> _readingEveryFrame{false};
    std::atomic<double> _publishedInterval{0};
    std::atomic<uint64_t> _ticks{0};

    std::mutex _lock; // guards _latest and _lastRead; any thread
    std::shared_ptr<const List> _latest;
    std::shared_ptr<const List> _lastRead;
};
