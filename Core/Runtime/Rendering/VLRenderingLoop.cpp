#include "Core/Runtime/Rendering/VLRenderingLoop.h"

#include "Core/Engine/Log/VLLog.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/Support/VLProduct.h"
#include "Core/Runtime/Rendering/VLFrameSource.h"
#include "Core/Runtime/Rendering/VLFrameSourceFactory.h"
#include "Core/Runtime/Rendering/VLScreenUpdate.h"
#include "Platform/Foundation/VLClock.h"
#include "Platform/Foundation/VLDelayScheduler.h"
#include "Platform/Foundation/VLDispatchQueue.h"
#include "Platform/WindowServer/VLDisplayProvider.h"

#include <algorithm>
#include <string>

namespace {

constexpr const char* kTag = "VLRenderingLoop";
constexpr double kFirstWatchInterval = 1.0;
constexpr double kLongestWatchInterval = 30.0;
// A source is quiet after three frame periods without a callback, and never sooner than this.
constexpr uint64_t kShortestSilence = 500'000'000;
constexpr uint64_t kThreeSeconds = 3'000'000'000;

} // namespace

std::shared_ptr<VLRenderingLoop> VLRenderingLoop::create(const std::shared_ptr<VLRunLoop>& runLoop) {
    std::shared_ptr<VLRenderingLoop> loop(new VLRenderingLoop(runLoop));
    loop->installObservers();
    return loop;
}

VLRenderingLoop::VLRenderingLoop(const std::shared_ptr<VLRunLoop>& runLoop)
    : _runLoop(runLoop), _clock(VLClock::shared()), _scheduler(VLDelayScheduler::shared()),
      _displayProvider(VLDisplayProvider::shared()), _sourceFactory(VLFrameSourceFactory::shared()),
      _displayLinkQueue(VLDispatchQueue::create(std::string(kVLReverseDomainPrefix) + ".display-link")),
      _displayID(_displayProvider->mainDisplayID()) {}

VLRenderingLoop::~VLRenderingLoop() {
    _screenObserver.reset();
    if (_wakeObserver)
        _wakeObserver->invalidate();
    if (_watchCheck)
        _watchCheck->cancel();
    // Whoever still holds the source (a tick in flight) must not keep it ticking.
    if (std::shared_ptr<VLFrameSource> source = exchangeSource(nullptr))
        source->invalidate();
}

void VLRenderingLoop::installObservers() {
    std::weak_ptr<VLRenderingLoop> weak = weak_from_this();
    if (std::shared_ptr<VLRunLoop> runLoop = _runLoop.lock()) {
        _wakeObserver = runLoop->addBeforeWaitingObserver([weak] {
            if (std::shared_ptr<VLRenderingLoop> loop = weak.lock()) {
                loop->wakeIfNeeded();
                loop->holdWorkWhileAFrameIsNeeded();
            }
        });
    }
    _screenObserver = VLNotificationCenter::defaultCenter().addObserver(
        VLScreenParametersDidChangeNotification, nullptr, [weak](const VLNotification&) {
            std::shared_ptr<VLRenderingLoop> loop = weak.lock();
            if (std::shared_ptr<VLFrameSource> source = loop ? loop->currentSource() : nullptr)
                source->adoptRefreshRate();
        });
}

void VLRenderingLoop::setPendingWorkMaker(std::function<PendingWork()> begin) {
    _beginPendingWork = std::move(begin);
}

// Ports and presentables.

void VLRenderingLoop::addPort(std::shared_ptr<VLRenderingPort> port) {
    if (!hasManualStarted())
        start();
    performOnJavaScriptThread(
        [port = std::move(port)](VLRenderingLoop& loop) { loop._ports.push_back(port); });
}

void VLRenderingLoop::removePort(const std::shared_ptr<VLRenderingPort>& port) {
    performOnJavaScriptThread([port](VLRenderingLoop& loop) {
        std::erase(loop._ports, port);
        ++loop._portsVersion;
    });
}

void VLRenderingLoop::removeAllPorts() {
    performOnJavaScriptThread([](VLRenderingLoop& loop) {
        loop._ports.clear();
        ++loop._portsVersion;
    });
}

void VLRenderingLoop::registerPresentable(const std::shared_ptr<VLRenderingPresentable>& presentable) {
    if (!hasManualStarted())
        start();
    performOnJavaScriptThread([weakPresentable = std::weak_ptr(presentable)](VLRenderingLoop& loop) {
        std::shared_ptr<VLRenderingPresentable> presentable = weakPresentable.lock();
        if (!presentable)
            return;
        const bool known = std::any_of(loop._presentables.begin(), loop._presentables.end(),
                                       [&](const auto& entry) { return entry.lock() == presentable; });
        if (!known)
            loop._presentables.push_back(weakPresentable);
    });
}

std::vector<std::shared_ptr<VLRenderingPresentable>> VLRenderingLoop::presentables() {
    std::vector<std::shared_ptr<VLRenderingPresentable>> alive;
    for (const auto& entry : _presentables)
        if (std::shared_ptr<VLRenderingPresentable> presentable = entry.lock())
            alive.push_back(std::move(presentable));
    return alive;
}

// The source's life.

bool VLRenderingLoop::hasManualStarted() const {
    return currentSource() != nullptr;
}

void VLRenderingLoop::start() {
    if (hasManualStarted() || _stopped.load() || !isRunLoopRunning())
        return;
    _displayLinkQueue->sync([this] {
        if (hasManualStarted() || _stopped.load())
            return;
        std::shared_ptr<VLFrameSource> source = makeDisplayLink();
        if (!source)
            return;
        exchangeSource(std::move(source));
        if (!_paused.load())
            runDisplayLink();
    });
}

void VLRenderingLoop::pause() {
    _displayLinkQueue->sync([this] {
        _paused.store(true);
        if (std::shared_ptr<VLFrameSource> source = currentSource())
            source->stop();
    });
    performOnJavaScriptThread([](VLRenderingLoop& loop) {
        loop.forEachPresentable([](VLRenderingPresentable& presentable) { presentable.finish(); });
        VLScreenUpdateFlush();
    });
}

void VLRenderingLoop::resume() {
    _displayLinkQueue->async([weak = weak_from_this()] {
        std::shared_ptr<VLRenderingLoop> loop = weak.lock();
        if (!loop)
            return;
        loop->_paused.store(false);
        loop->_idle.store(false);
        loop->_idleFrames.store(0);
        if (loop->hasManualStarted())
            loop->runDisplayLink();
    });
}

void VLRenderingLoop::stop() {
    _displayLinkQueue->sync([this] {
        _stopped.store(true);
        if (std::shared_ptr<VLFrameSource> source = exchangeSource(nullptr))
            source->invalidate();
    });
}

void VLRenderingLoop::setDisplayID(uint32_t displayID) {
    if (_displayID.exchange(displayID) == displayID)
        return;
    _displayLinkQueue->async([weak = weak_from_this()] {
        if (std::shared_ptr<VLRenderingLoop> loop = weak.lock())
            loop->followDisplay();
    });
}

void VLRenderingLoop::setPreferredFPS(uint32_t preferredFPS) {
    _preferredFPS.store(preferredFPS);
    applyFrameRateCap();
}

void VLRenderingLoop::setContentPreferredFPS(uint32_t preferredFPS) {
    _contentPreferredFPS.store(preferredFPS);
    applyFrameRateCap();
}

uint32_t VLRenderingLoop::frameRateCap() const {
    const uint32_t host = _preferredFPS.load();
    const uint32_t content = _contentPreferredFPS.load();
    if (host == 0)
        return content;
    if (content == 0)
        return host;
    return std::min(host, content);
}

void VLRenderingLoop::applyFrameRateCap() {
    std::lock_guard lock(_displayLinkLock);
    if (_displayLink)
        _displayLink->setPreferredFPS(frameRateCap());
}

uint32_t VLRenderingLoop::targetFPS() const {
    std::shared_ptr<VLFrameSource> source = currentSource();
    return VLFrameSource::rateForCap(source ? source->updatesPerSecond() : 60, frameRateCap());
}

std::shared_ptr<VLFrameSource> VLRenderingLoop::currentSource() const {
    std::lock_guard lock(_displayLinkLock);
    return _displayLink;
}

std::shared_ptr<VLFrameSource> VLRenderingLoop::exchangeSource(std::shared_ptr<VLFrameSource> source) {
    std::lock_guard lock(_displayLinkLock);
    if (source)
        source->setPreferredFPS(frameRateCap());
    std::swap(source, _displayLink);
    return source;
}

bool VLRenderingLoop::isRunLoopRunning() const {
    std::shared_ptr<VLRunLoop> runLoop = _runLoop.lock();
    return runLoop && runLoop->isRunning();
}

void VLRenderingLoop::performOnJavaScriptThread(std::function<void(VLRenderingLoop&)> block) {
    if (std::shared_ptr<VLRunLoop> runLoop = _runLoop.lock()) {
        runLoop->performBlock([weak = weak_from_this(), block = std::move(block)] {
            if (std::shared_ptr<VLRenderingLoop> loop = weak.lock())
                block(*loop);
        });
    }
}

// The loop's queue.

std::shared_ptr<VLFrameSource> VLRenderingLoop::makeDisplayLink() {
    return _sourceFactory->makeFrameSource(
        _displayID.load(),
        [weak = weak_from_this()](const std::shared_ptr<VLFrameSource>& source, bool relevant) {
            if (std::shared_ptr<VLRenderingLoop> loop = weak.lock())
                loop->displayDidUpdate(source, relevant);
        });
}

void VLRenderingLoop::runDisplayLink() {
    _lastCallbackTime.store(_clock->nanoseconds());
    startOrReplaceDisplayLink();
    watchDisplayLink();
}

void VLRenderingLoop::startOrReplaceDisplayLink() {
    std::shared_ptr<VLFrameSource> source = currentSource();
    if (!source || source->start())
        return;
    VLLogDefault(kTag, "The display link didn't start, replacing it");
    if (!replaceDisplayLink())
        VLLogDefault(kTag, "The new display link didn't start either, trying again later");
}

// Keeps the old source when no new one can be made: it may yet come back.
bool VLRenderingLoop::replaceDisplayLink() {
    std::shared_ptr<VLFrameSource> source = makeDisplayLink();
    if (!source)
        return false;
    if (std::shared_ptr<VLFrameSource> old = exchangeSource(source))
        old->invalidate();
    return source->start();
}

void VLRenderingLoop::followDisplay() {
    std::shared_ptr<VLFrameSource> current = currentSource();
    if (!current || current->followDisplay(_displayID.load()))
        return;
    const bool wasRunning = current->isRunning();
    std::shared_ptr<VLFrameSource> source = makeDisplayLink();
    if (!source)
        return;
    exchangeSource(source);
    current->invalidate();
    if (wasRunning && !source->start())
        VLLogDefault(kTag, "The display link on the new display didn't start, trying again later");
}

void VLRenderingLoop::watchDisplayLink() {
    if (_watching)
        return;
    _watching = true;
    _watchCheck = _scheduler->after(_watchInterval, _displayLinkQueue, [weak = weak_from_this()] {
        // On the queue already unless a test's scheduler runs it elsewhere.
        if (std::shared_ptr<VLRenderingLoop> loop = weak.lock())
            loop->_displayLinkQueue->sync([&] { loop->checkDisplayLink(); });
    });
}

void VLRenderingLoop::checkDisplayLink() {
    _watching = false;
    if (_stopped.load() || _paused.load() || _idle.load() || !hasManualStarted()) {
        _watchInterval = kFirstWatchInterval;
        return;
    }
    const uint64_t now = _clock->nanoseconds();
    const uint64_t last = _lastCallbackTime.load();
    const uint64_t silence = now > last ? now - last : 0;
    const uint32_t target = std::max<uint32_t>(targetFPS(), 1);
    const uint64_t threshold =
        std::max<uint64_t>(kShortestSilence, static_cast<uint32_t>(kThreeSeconds / target));
    if (silence >= threshold) {
        if (!_displayProvider->isAsleep(_displayID.load())) {
            _lastCallbackTime.store(now);
            const int started = replaceDisplayLink();
            const double seconds = static_cast<double>(silence) / 1e9;
            if (_watchInterval > kFirstWatchInterval)
                VLLogInfo(kTag,
                          "The display link is still quiet after %.1f s, replaced it again (started: %d)",
                          seconds, started);
            else
                VLLogDefault(kTag,
                             "The display link hasn't called back for %.1f s, replaced it (started: %d)",
                             seconds, started);
        }
        _watchInterval = std::min(_watchInterval * 2, kLongestWatchInterval);
    } else {
        if (_watchInterval > kFirstWatchInterval)
            VLLogInfo(kTag, "The display link calls back again");
        _watchInterval = kFirstWatchInterval;
    }
    watchDisplayLink();
}

// The source's callback thread.

void VLRenderingLoop::displayDidUpdate(const std::shared_ptr<VLFrameSource>& source, bool relevant) {
    _lastCallbackTime.store(_clock->nanoseconds());
    if (!relevant)
        return;
    std::shared_ptr<VLRunLoop> runLoop = _runLoop.lock();
    // At most one tick queued or running: a busy JavaScript thread gets fewer ticks, never a backlog.
    if (!runLoop || !runLoop->isRunning() || _frameInFlight.exchange(true))
        return;
    const bool recording = _recordsStatistics.load();
    const uint64_t start = recording ? _clock->nanoseconds() : 0;
    runLoop->performBlock([weak = weak_from_this(), source, recording, start] {
        std::shared_ptr<VLRenderingLoop> loop = weak.lock();
        if (!loop)
            return;
        const bool presented = loop->onRendering(*source);
        loop->_frameInFlight.store(false);
        if (recording)
            loop->recordFrame(static_cast<double>(loop->_clock->nanoseconds() - start) / 1e9, presented);
        loop->stopIfIdle();
    });
}

// The JavaScript thread.

bool VLRenderingLoop::onRendering(const VLFrameSource& source) {
    if (!source.isRunning())
        return false;
    tickPorts();
    bool presented = false;
    forEachPresentable(
        [&](VLRenderingPresentable& presentable) { presented = presentable.present() || presented; });
    VLScreenUpdateFlush();
    if (presented || needsFrame())
        _idleFrames.store(0);
    else
        _idleFrames.fetch_add(1);
    return presented;
}

void VLRenderingLoop::tickPorts() {
    for (int64_t phase = 0; phase <= 1; ++phase) {
        // A port added by an earlier tick waits for the next phase; one removed by it is skipped.
        const uint64_t version = _portsVersion;
        _portsInPhase.assign(_ports.begin(), _ports.end());
        for (const std::shared_ptr<VLRenderingPort>& port : _portsInPhase) {
            const bool removed =
                _portsVersion != version && std::find(_ports.begin(), _ports.end(), port) == _ports.end();
            if (!removed && port->renderingPhase() == phase)
                port->handleRenderingTick();
        }
        _portsInPhase.clear();
    }
}

void VLRenderingLoop::forEachPresentable(const std::function<void(VLRenderingPresentable&)>& block) {
    const std::vector<std::weak_ptr<VLRenderingPresentable>> entries = _presentables;
    for (const auto& entry : entries)
        if (std::shared_ptr<VLRenderingPresentable> presentable = entry.lock())
            block(*presentable);
    std::erase_if(_presentables, [](const auto& entry) { return entry.expired(); });
}

bool VLRenderingLoop::needsFrame() {
    if (VLScreenUpdateIsHeld())
        return true;
    for (const std::shared_ptr<VLRenderingPort>& port : _ports)
        if (port->needsRenderingTick())
            return true;
    for (const auto& entry : _presentables)
        if (std::shared_ptr<VLRenderingPresentable> presentable = entry.lock();
            presentable && presentable->needsPresenting())
            return true;
    return false;
}

void VLRenderingLoop::holdWorkWhileAFrameIsNeeded() {
    if (!_beginPendingWork || _paused.load() || _stopped.load() || !needsFrame()) {
        _frameWork.reset();
        return;
    }
    if (!_frameWork)
        _frameWork = _beginPendingWork();
}

void VLRenderingLoop::stopIfIdle() {
    if (_idleFrames.load() < 2 || _idle.exchange(true))
        return;
    _displayLinkQueue->async([weak = weak_from_this()] {
        std::shared_ptr<VLRenderingLoop> loop = weak.lock();
        std::shared_ptr<VLFrameSource> source = loop ? loop->currentSource() : nullptr;
        if (!source || !loop->_idle.load())
            return;
        source->stop();
        // Work that arrived during the hand-over starts the source again at once.
        loop->performOnJavaScriptThread([](VLRenderingLoop& loop) { loop.wakeIfNeeded(); });
    });
}

void VLRenderingLoop::wakeIfNeeded() {
    if (!_idle.load() || !needsFrame())
        return;
    _idleFrames.store(0);
    if (!_idle.exchange(false))
        return;
    _lastCallbackTime.store(_clock->nanoseconds());
    _displayLinkQueue->async([weak = weak_from_this()] {
        std::shared_ptr<VLRenderingLoop> loop = weak.lock();
        if (loop && !loop->_idle.load() && !loop->_paused.load() && loop->hasManualStarted())
            loop->runDisplayLink();
    });
}

void VLRenderingLoop::recordFrame(double duration, bool presented) {
    const uint32_t target = targetFPS();
    std::lock_guard lock(_statisticsLock);
    ++_statistics.frames;
    if (presented)
        ++_statistics.presentedFrames;
    if (target != 0 && duration > 1.0 / target)
        ++_statistics.slowFrames;
    _statistics.totalFrameTime += duration;
    _statistics.maximumFrameTime = std::max(_statistics.maximumFrameTime, duration);
}

VLRenderingStatistics VLRenderingLoop::takeStatistics() {
    std::lock_guard lock(_statisticsLock);
    return std::exchange(_statistics, {});
}

// Memory.

void VLRenderingLoop::addMemoryReporter(const std::shared_ptr<VLRenderingMemoryReporting>& reporter) {
    std::lock_guard lock(_memoryReportersLock);
    _memoryReporters.push_back(reporter);
}

uint64_t VLRenderingLoop::renderingMemorySize() {
    std::vector<std::shared_ptr<VLRenderingMemoryReporting>> reporters;
    {
        std::lock_guard lock(_memoryReportersLock);
        for (const auto& entry : _memoryReporters)
            if (std::shared_ptr<VLRenderingMemoryReporting> reporter = entry.lock())
                reporters.push_back(std::move(reporter));
        std::erase_if(_memoryReporters, [](const auto& entry) { return entry.expired(); });
    }
    uint64_t total = 0;
    for (const auto& reporter : reporters)
        total += reporter->renderingMemorySize();
    return total;
}
