#pragma once

#include "Core/Runtime/Rendering/VLRenderingMemoryReporting.h"
#include "Core/Runtime/Rendering/VLRenderingPort.h"
#include "Core/Runtime/Rendering/VLRenderingPresentable.h"
#include "Core/Runtime/Rendering/VLRenderingStatistics.h"
#include "Platform/Foundation/VLNotificationCenter.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class VLClock;
class VLDelayScheduler;
class VLDelayedBlock;
class VLDispatchQueue;
class VLDisplayProvider;
class VLFrameSource;
class VLFrameSourceFactory;
class VLRunLoop;
class VLRunLoopObserver;

// The frame clock of one runtime. A frame source calls back at the display's rate; each relevant
// callback becomes at most one tick posted to the runtime's JavaScript thread, which ticks the ports
// (phase 0, then phase 1), presents the presentables and flushes the batched screen updates. Two ticks
// in a row with nothing to do stop the source; it starts again before the JavaScript thread next
// sleeps with a frame needed. A watchdog replaces a source that stops calling back. The loop also caps
// the frame rate, pauses while the runtime is suspended, records frame statistics and sums the GPU
// memory of its reporters.
//
// Nothing starts it but its first port or presentable. Its clock, delay scheduler, display provider and
// frame-source factory are the process's, taken when it is made.
//
// Threads: ports, presentables, ticks and the frame-need test belong to the JavaScript thread; the
// source's life (start, stop, pause, resume, idle stop, display following, watchdog) to the loop's own
// queue; callbacks arrive on the source's thread. start(), pause() and stop() wait for the queue, so
// they must not be called from a source callback. The rest may be called from any thread.
class VLRenderingLoop final : public std::enable_shared_from_this<VLRenderingLoop> {
public:
    // Installs the wake observer on the run loop (the runtime's JavaScript thread).
    static std::shared_ptr<VLRenderingLoop> create(const std::shared_ptr<VLRunLoop>& runLoop);
    ~VLRenderingLoop();
    VLRenderingLoop(const VLRenderingLoop&) = delete;
    VLRenderingLoop& operator=(const VLRenderingLoop&) = delete;

    // Starts the loop when it has no source, then adds the port on the JavaScript thread, held
    // strongly. A port added twice is ticked twice.
    void addPort(std::shared_ptr<VLRenderingPort> port);
    // On the JavaScript thread: every occurrence of the port / every port.
    void removePort(const std::shared_ptr<VLRenderingPort>& port);
    void removeAllPorts();
    // Starts the loop when it has no source, then adds the presentable on the JavaScript thread, held
    // weakly: it leaves once it is gone.
    void registerPresentable(const std::shared_ptr<VLRenderingPresentable>& presentable);
    // The presentables still alive. JavaScript thread.
    std::vector<std::shared_ptr<VLRenderingPresentable>> presentables();

    // Whether a source exists.
    bool hasManualStarted() const;
    // Makes and runs a source, unless one exists, the loop is stopped or the run loop has ended.
    void start();
    // Stops the source; then, on the JavaScript thread, finishes every presentable and flushes.
    void pause();
    // Runs the source again, if there is one.
    void resume();
    // Final: the source goes and nothing ticks any more.
    void stop();

    uint32_t displayID() const { return _displayID.load(); }
    // A new display makes the source follow it, or replaces the source.
    void setDisplayID(uint32_t displayID);
    // The host's cap; 60 at first.
    uint32_t preferredFPS() const { return _preferredFPS.load(); }
    void setPreferredFPS(uint32_t preferredFPS);
    // The content's cap; 0 (none) at first.
    uint32_t contentPreferredFPS() const { return _contentPreferredFPS.load(); }
    void setContentPreferredFPS(uint32_t preferredFPS);
    // The source's rate (60 without one), or the cap when it divides that rate.
    uint32_t targetFPS() const;

    bool recordsStatistics() const { return _recordsStatistics.load(); }
    void setRecordsStatistics(bool records) { _recordsStatistics.store(records); }
    // What was recorded since the last call.
    VLRenderingStatistics takeStatistics();

    // What the loop holds while a frame is needed, so that a waiter for the end of a runtime's work (a
    // tool's settled screenshot) also waits for the layout and drawing it asked for. Made by `begin`,
    // which the runtime gives; any thread, before the loop's first port.
    using PendingWork = std::shared_ptr<void>;
    void setPendingWorkMaker(std::function<PendingWork()> begin);

    // Held weakly; no duplicate check.
    void addMemoryReporter(const std::shared_ptr<VLRenderingMemoryReporting>& reporter);
    // The sum over the reporters still alive; forgets the others.
    uint64_t renderingMemorySize();

private:
    explicit VLRenderingLoop(const std::shared_ptr<VLRunLoop>& runLoop);
    void installObservers();

    // The source, under _displayLinkLock.
    std::shared_ptr<VLFrameSource> currentSource() const;
    // Installs a source with the current cap and answers the old one.
    std::shared_ptr<VLFrameSource> exchangeSource(std::shared_ptr<VLFrameSource> source);
    // The frame-rate cap of the host and the content together; 0 for none.
    uint32_t frameRateCap() const;
    void applyFrameRateCap();
    bool isRunLoopRunning() const;
    // At once on the JavaScript thread, else posted; the loop is held weakly.
    void performOnJavaScriptThread(std::function<void(VLRenderingLoop&)> block);

    // The loop's queue.
    std::shared_ptr<VLFrameSource> makeDisplayLink();
    void runDisplayLink();
    void startOrReplaceDisplayLink();
    bool replaceDisplayLink();
    void followDisplay();
    void watchDisplayLink();
    void checkDisplayLink();

    // The source's callback thread.
    void displayDidUpdate(const std::shared_ptr<VLFrameSource>& source, bool relevant);

    // The JavaScript thread.
    bool onRendering(const VLFrameSource& source);
    void tickPorts();
    void forEachPresentable(const std::function<void(VLRenderingPresentable&)>& block);
    bool needsFrame();
    // Before the JavaScript thread sleeps: holds pending work while a frame is needed and the loop runs.
    void holdWorkWhileAFrameIsNeeded();
    void stopIfIdle();
    void wakeIfNeeded();
    void recordFrame(double duration, bool presented);

    const std::weak_ptr<VLRunLoop> _runLoop;
    const std::shared_ptr<VLClock> _clock;
    const std::shared_ptr<VLDelayScheduler> _scheduler;
    const std::shared_ptr<VLDisplayProvider> _displayProvider;
    const std::shared_ptr<VLFrameSourceFactory> _sourceFactory;

    std::vector<std::shared_ptr<VLRenderingPort>> _ports; // JavaScript thread
    uint64_t _portsVersion = 0;                           // JavaScript thread; counts the changes of _ports
    std::vector<std::shared_ptr<VLRenderingPort>> _portsInPhase; // JavaScript thread; kept for its memory
    std::vector<std::weak_ptr<VLRenderingPresentable>> _presentables; // JavaScript thread
    std::function<PendingWork()> _beginPendingWork; // set before the loop runs, then read-only
    PendingWork _frameWork;                         // JavaScript thread

    mutable std::mutex _displayLinkLock; // guards _displayLink and the cap sent to it; any thread
    std::shared_ptr<VLFrameSource> _displayLink;
    const std::shared_ptr<VLDispatchQueue> _displayLinkQueue;

    std::atomic<bool> _paused{false};
    std::atomic<bool> _stopped{false};
    std::atomic<bool> _idle{false};
    std::atomic<uint32_t> _idleFrames{0};
    std::atomic<bool> _frameInFlight{false};
    std::atomic<uint64_t> _lastCallbackTime{0}; // nanoseconds of _clock

    // The watchdog: _displayLinkQueue only.
    bool _watching = false;
    double _watchInterval = 1.0;
    std::shared_ptr<VLDelayedBlock> _watchCheck;

    std::shared_ptr<VLRunLoopObserver> _wakeObserver;

    std::mutex _memoryReportersLock; // guards _memoryReporters; any thread
    std::vector<std::weak_ptr<VLRenderingMemoryReporting>> _memoryReporters;

    std::atomic<uint32_t> _displayID;
    std::atomic<uint32_t> _preferredFPS{60};
    std::atomic<uint32_t> _contentPreferredFPS{0};

    std::atomic<bool> _recordsStatistics{false};
    std::mutex _statisticsLock; // guards _statistics; any thread
    VLRenderingStatistics _statistics;

    std::shared_ptr<VLNotificationCenter::Observer> _screenObserver;
};
