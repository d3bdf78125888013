#pragma once

#include "Core/Runtime/VLPerformanceSample.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class VLClock;
class VLRuntime;

// An observer's registration with a performance monitor.
using VLPerformanceObserverToken = std::shared_ptr<const void>;

// Samples one runtime while anybody watches: once a second (100 ms leeway) a VLPerformanceSample from
// the rendering loop's frame statistics, the CPU time and wake-ups of the JavaScript thread, and the
// memory figures, measured on that thread every 5 s at most.
//
// Threads: the main thread only, but for the memory measurement, which runs on the JavaScript thread and
// hands its figures back to the main queue.
class VLPerformanceMonitor final : public std::enable_shared_from_this<VLPerformanceMonitor> {
public:
    using Handler = std::function<void(const VLPerformanceSample&)>;
    // Makes a repeating timer on the main queue (interval and leeway in seconds) and answers the way to
    // cancel it.
    using TimerFactory =
        std::function<std::function<void()>(double interval, double leeway, std::function<void()> fire)>;

    // The runtime is held weakly. Tests give a clock and a timer of their own.
    static std::shared_ptr<VLPerformanceMonitor> create(const std::shared_ptr<VLRuntime>& runtime,
                                                        std::shared_ptr<VLClock> clock = nullptr,
                                                        TimerFactory timerFactory = nullptr);
    ~VLPerformanceMonitor();
    VLPerformanceMonitor(const VLPerformanceMonitor&) = delete;
    VLPerformanceMonitor& operator=(const VLPerformanceMonitor&) = delete;

    // The first observer starts the sampling.
    VLPerformanceObserverToken addObserverWithHandler(Handler handler);
    // Removing the last one stops it; unknown tokens are ignored.
    void removeObserver(const VLPerformanceObserverToken& token);

private:
    VLPerformanceMonitor(const std::shared_ptr<VLRuntime>& runtime, std::shared_ptr<VLClock> clock,
                         TimerFactory timerFactory);

    void start();
    void sample();
    void measureMemory(uint64_t now);
    void stop();

    const std::weak_ptr<VLRuntime> _runtime;
    const std::shared_ptr<VLClock> _clock;
    const TimerFactory _timerFactory;
    std::map<VLPerformanceObserverToken, Handler> _observers;
    std::function<void()> _cancelTimer;
    uint64_t _lastTime = 0;
    uint64_t _lastCPUTime = 0;
    uint64_t _lastWakeUpCount = 0;
    std::optional<uint64_t> _javaScriptMemory;
    uint64_t _canvasMemory = 0;
    uint64_t _lastMemoryTime = 0;
    bool _measuringMemory = false;
};
