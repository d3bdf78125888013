#include "Core/Runtime/VLPerformanceMonitor.h"

#include "Core/Engine/JS/VLJSContext.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Runtime/Rendering/VLRenderingLoop.h"
#include "Core/Runtime/VLJavaScriptMemory.h"
#include "Core/Runtime/VLRuntime.h"
#include "Platform/Foundation/VLClock.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Foundation/VLMainQueueTimer.h"

#include <chrono>
#include <vector>

namespace {

constexpr double kSampleInterval = 1.0;
constexpr double kSampleLeeway = 0.1;
constexpr uint64_t kMemoryInterval = 5'000'000'000;

std::function<void()> mainQueueTimer(double interval, double leeway, std::function<void()> fire) {
    std::shared_ptr<VLMainQueueTimer> timer = VLMainQueue::repeating(
        std::chrono::duration<double>(interval), std::chrono::duration<double>(leeway), std::move(fire));
    return [timer] { timer->cancel(); };
}

// What the monitor reads of the runtime's JavaScript thread: nothing without one.
struct ThreadReading {
    uint64_t cpuTime = 0;
    uint64_t wakeUps = 0;

    explicit ThreadReading(const VLRuntime& runtime) {
        if (const std::shared_ptr<VLRunLoopThread>& thread = runtime.engine()->runLoop()->thread()) {
            cpuTime = thread->cpuTimeMicroseconds();
            wakeUps = thread->wakeUpCount();
        }
    }
};

} // namespace

std::shared_ptr<VLPerformanceMonitor> VLPerformanceMonitor::create(const std::shared_ptr<VLRuntime>& runtime,
                                                                   std::shared_ptr<VLClock> clock,
                                                                   TimerFactory timerFactory) {
    return std::shared_ptr<VLPerformanceMonitor>(
        new VLPerformanceMonitor(runtime, clock ? std::move(clock) : VLClock::shared(),
                                 timerFactory ? std::move(timerFactory) : TimerFactory(mainQueueTimer)));
}

VLPerformanceMonitor::VLPerformanceMonitor(const std::shared_ptr<VLRuntime>& runtime,
                                           std::shared_ptr<VLClock> clock, TimerFactory timerFactory)
    : _runtime(runtime), _clock(std::move(clock)), _timerFactory(std::move(timerFactory)) {}

VLPerformanceMonitor::~VLPerformanceMonitor() {
    if (_cancelTimer)
        _cancelTimer();
}

VLPerformanceObserverToken VLPerformanceMonitor::addObserverWithHandler(Handler handler) {
    VLPerformanceObserverToken token = std::make_shared<char>();
    _observers.emplace(token, std::move(handler));
    if (_observers.size() == 1)
        start();
    return token;
}

void VLPerformanceMonitor::removeObserver(const VLPerformanceObserverToken& token) {
    if (!token || _observers.erase(token) == 0)
        return;
    if (_observers.empty())
        stop();
}

void VLPerformanceMonitor::start() {
    std::shared_ptr<VLRuntime> runtime = _runtime.lock();
    if (!runtime)
        return;
    const std::shared_ptr<VLRenderingLoop> loop = runtime->renderingLoop();
    loop->setRecordsStatistics(true);
    loop->takeStatistics();
    const ThreadReading thread(*runtime);
    _lastTime = _clock->nanoseconds();
    _lastCPUTime = thread.cpuTime;
    _lastWakeUpCount = thread.wakeUps;
    measureMemory(_lastTime);
    _cancelTimer = _timerFactory(kSampleInterval, kSampleLeeway, [weakSelf = weak_from_this()] {
        if (std::shared_ptr<VLPerformanceMonitor> self = weakSelf.lock())
            self->sample();
    });
}

void VLPerformanceMonitor::sample() {
    std::shared_ptr<VLRuntime> runtime = _runtime.lock();
    if (!runtime) {
        stop();
        return;
    }
    const std::shared_ptr<VLRenderingLoop> loop = runtime->renderingLoop();
    const VLRenderingStatistics statistics = loop->takeStatistics();
    const uint64_t now = _clock->nanoseconds();
    const ThreadReading thread(*runtime);
    VLPerformanceSample sample;
    sample.interval = double(now - _lastTime) / 1e9;
    if (sample.interval > 0) {
        sample.framesPerSecond = double(statistics.presentedFrames) / sample.interval;
        sample.ticksPerSecond = double(statistics.frames) / sample.interval;
        if (thread.cpuTime >= _lastCPUTime)
            sample.cpuUsage = double(thread.cpuTime - _lastCPUTime) / 1e6 / sample.interval;
        if (thread.wakeUps >= _lastWakeUpCount)
            sample.wakeUpsPerSecond = double(thread.wakeUps - _lastWakeUpCount) / sample.interval;
    }
    sample.targetFramesPerSecond = loop->targetFPS();
    if (statistics.frames > 0)
        sample.averageFrameTime = statistics.totalFrameTime / double(statistics.frames) * 1000;
    sample.maximumFrameTime = statistics.maximumFrameTime * 1000;
    sample.slowFrames = statistics.slowFrames;
    sample.suspended = runtime->isSuspended();
    sample.renderingPaused = runtime->isRenderingPaused();
    sample.javaScriptMemory = _javaScriptMemory;
    sample.canvasMemory = _canvasMemory;

    _lastTime = now;
    _lastCPUTime = thread.cpuTime;
    _lastWakeUpCount = thread.wakeUps;
    if (now - _lastMemoryTime >= kMemoryInterval)
        measureMemory(now);

    std::vector<Handler> handlers;
    for (const auto& [token, handler] : _observers)
        handlers.push_back(handler);
    for (const Handler& handler : handlers)
        handler(sample);
}

void VLPerformanceMonitor::measureMemory(uint64_t now) {
    std::shared_ptr<VLRuntime> runtime = _runtime.lock();
    if (!runtime || _measuringMemory || runtime->isTerminated())
        return;
    _measuringMemory = true;
    _lastMemoryTime = now;
    runtime->engine()->runLoop()->performBlock([weakSelf = weak_from_this(),
                                                weakRuntime = std::weak_ptr(runtime)] {
        std::shared_ptr<VLRuntime> runtime = weakRuntime.lock();
        if (!runtime)
            return;
        VLJSContext* context = runtime->engine()->context();
        const int64_t javaScript = VLJavaScriptMemoryOfContext(context ? context->globalContext() : nullptr);
        const uint64_t canvas = runtime->renderingLoop()->renderingMemorySize();
        VLMainQueue::async([weakSelf, javaScript, canvas] {
            std::shared_ptr<VLPerformanceMonitor> self = weakSelf.lock();
            if (!self)
                return;
            self->_measuringMemory = false;
            self->_javaScriptMemory =
                javaScript >= 0 ? std::optional<uint64_t>(uint64_t(javaScript)) : std::nullopt;
            self->_canvasMemory = canvas;
        });
    });
}

void VLPerformanceMonitor::stop() {
    if (_cancelTimer) {
        _cancelTimer();
        _cancelTimer = nullptr;
    }
    if (std::shared_ptr<VLRuntime> runtime = _runtime.lock())
        runtime->renderingLoop()->setRecordsStatistics(false);
}
