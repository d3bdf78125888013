#include "Supports/SystemStatus/VLSystemStatusMonitor.h"

#include "Core/Engine/Log/VLLog.h"
#include "Platform/Foundation/VLClock.h"
#include "Platform/Foundation/VLDelayScheduler.h"
#include "Platform/Foundation/VLDispatchQueue.h"
#include "Platform/Foundation/VLWeakObservers.h"
#include "Platform/WindowServer/VLWSRunningApplication.h"
#include "Supports/SystemStatus/VLMemoryPressureSource.h"
#include "Supports/SystemStatus/VLNetlinkPathMonitor.h"
#include "Supports/SystemStatus/VLPowerSupplyEventSource.h"
#include "Supports/SystemStatus/VLSMCHwmonTransport.h"
#include "Supports/SystemStatus/VLSystemStatusObserver.h"
#include "Supports/SystemStatus/VLSystemStatusProcessorReader.h"
#include "Supports/SystemStatus/VLSystemStatusReading.h"
#include "Supports/SystemStatus/VLSystemStatusSampler.h"

#include <algorithm>
#include <future>
#include <limits>
#include <mutex>

namespace {

constexpr const char* kTag = "VLSystemStatusMonitor";
// How long a read keeps the monitor sampling, and how old counters may be for a reading to start from.
constexpr double kReadWindow = 2.0;
constexpr double kInterval = 1.0;
constexpr double kReadSoonDelay = 0.1;
constexpr double kReadingSpacing = 0.15;
constexpr double kPathWait = 0.25;
constexpr double kNever = -std::numeric_limits<double>::infinity();

std::mutex sharedLock; // guards sharedMonitor; any thread
std::shared_ptr<VLSystemStatusMonitor> sharedMonitor;

} // namespace

std::shared_ptr<VLSystemStatusMonitor> VLSystemStatusMonitor::sharedInstance() {
    std::lock_guard lock(sharedLock);
    if (!sharedMonitor)
        sharedMonitor = create();
    return sharedMonitor;
}

void VLSystemStatusMonitor::setShared(std::shared_ptr<VLSystemStatusMonitor> monitor) {
    std::lock_guard lock(sharedLock);
    sharedMonitor = std::move(monitor);
}

std::shared_ptr<VLSystemStatusMonitor> VLSystemStatusMonitor::create(Configuration configuration) {
    std::shared_ptr<VLSystemStatusMonitor> monitor(new VLSystemStatusMonitor(std::move(configuration)));
    monitor->followSleep();
    return monitor;
}

VLSystemStatusMonitor::VLSystemStatusMonitor(Configuration configuration)
    : _configuration(std::move(configuration)), _queue(VLDispatchQueue::create("app.velto.system-status")),
      _pathQueue(VLDispatchQueue::create("app.velto.system-status.path")), _lastRead(kNever),
      _lastReadingAt(kNever), _baselineAt(kNever) {
    std::shared_ptr<VLSMCTransport> smc = _configuration.smc;
    if (!smc)
        smc = std::make_shared<VLSMCHwmonTransport>(_configuration.root);
    _sampler = std::make_unique<VLSystemStatusSampler>(_configuration.root, std::move(smc));
    _bootTime = VLSystemStatusProcessorReader(_sampler->files()).bootTime();
}

VLSystemStatusMonitor::~VLSystemStatusMonitor() {
    _sleepObservers.clear();
    if (_pathMonitor)
        _pathMonitor->cancel();
    for (const auto& source : _changeSources)
        source->stop();
}

// Sleep

void VLSystemStatusMonitor::followSleep() {
    std::weak_ptr<VLSystemStatusMonitor> weakSelf = weak_from_this();
    VLNotificationCenter& center = VLNotificationCenter::defaultCenter();
    for (const auto& change : {std::pair(VLWSWorkspaceWillSleepNotification, true),
                               std::pair(VLWSWorkspaceDidWakeNotification, false)}) {
        _sleepObservers.push_back(center.addObserver(
            change.first, nullptr, [weakSelf, asleep = change.second](const VLNotification&) {
                if (std::shared_ptr<VLSystemStatusMonitor> self = weakSelf.lock())
                    self->setSystemAsleep(asleep);
            }));
    }
}

void VLSystemStatusMonitor::setSystemAsleep(bool asleep) {
    const bool changed = _lock.lockUsingBlock([&] { return std::exchange(_systemAsleep, asleep) != asleep; });
    if (changed)
        VLNotificationCenter::defaultCenter().post(VLSystemStatusSystemSleepDidChangeNotification, this);
}

bool VLSystemStatusMonitor::isSystemAsleep() const {
    return _lock.lockUsingBlock([&] { return _systemAsleep; });
}

bool VLSystemStatusMonitor::isSampling() const {
    return _lock.lockUsingBlock([&] { return _sampling; });
}

// Time

double VLSystemStatusMonitor::now() const {
    return (_configuration.clock ? _configuration.clock : VLClock::shared())->seconds();
}

std::shared_ptr<VLDelayedBlock> VLSystemStatusMonitor::after(double seconds, std::function<void()> block) {
    std::shared_ptr<VLDelayScheduler> scheduler =
        _configuration.scheduler ? _configuration.scheduler : VLDelayScheduler::shared();
    // A manual scheduler runs the block on the thread that moves its clock: it joins the queue from there.
    return scheduler->after(seconds, _queue, [weakQueue = std::weak_ptr(_queue), block = std::move(block)] {
        std::shared_ptr<VLDispatchQueue> queue = weakQueue.lock();
        if (queue && queue->isCurrent())
            block();
        else if (queue)
            queue->async(block);
    });
}

std::function<void()> VLSystemStatusMonitor::weakly(void (VLSystemStatusMonitor::*method)()) {
    return [weakSelf = weak_from_this(), method] {
        if (std::shared_ptr<VLSystemStatusMonitor> self = weakSelf.lock())
            ((*self).*method)();
    };
}

void VLSystemStatusMonitor::flush() {
    _queue->sync([] {});
}

// Reading and observers

std::shared_ptr<const VLSystemStatusReading> VLSystemStatusMonitor::read() {
    std::shared_ptr<const VLSystemStatusReading> latest = _lock.lockUsingBlock([&] {
        _lastRead = now();
        return _sampling || _queue->isCurrent() ? _latest : nullptr;
    });
    if (latest || _queue->isCurrent())
        return latest;
    auto promise = std::make_shared<std::promise<std::shared_ptr<const VLSystemStatusReading>>>();
    std::future<std::shared_ptr<const VLSystemStatusReading>> reading = promise->get_future();
    _queue->async([self = shared_from_this(), promise] {
        if (self->isSampling()) {
            promise->set_value(self->_lock.lockUsingBlock([&] { return self->_latest; }));
            return;
        }
        self->_startWaiters.push_back([promise](const auto& reading) { promise->set_value(reading); });
        self->start();
    });
    return reading.get();
}

void VLSystemStatusMonitor::addObserver(const std::shared_ptr<VLSystemStatusObserver>& observer) {
    _queue->async([weakSelf = weak_from_this(), weakObserver = std::weak_ptr(observer)] {
        std::shared_ptr<VLSystemStatusMonitor> self = weakSelf.lock();
        std::shared_ptr<VLSystemStatusObserver> observer = weakObserver.lock();
        if (!self || !observer)
            return;
        VLAddWeakObserver(self->_observers, weakObserver);
        if (!self->isSampling()) {
            // A start tells the live observers its reading.
            self->start();
            return;
        }
        std::shared_ptr<const VLSystemStatusReading> latest =
            self->_lock.lockUsingBlock([&] { return self->_latest; });
        if (latest && observer->systemStatusObserverIsLive())
            observer->systemStatusMonitorDidRead(latest);
    });
}

void VLSystemStatusMonitor::removeObserver(const std::shared_ptr<VLSystemStatusObserver>& observer) {
    _queue->async([weakSelf = weak_from_this(), weakObserver = std::weak_ptr(observer)] {
        if (std::shared_ptr<VLSystemStatusMonitor> self = weakSelf.lock())
            VLRemoveWeakObserver(self->_observers, weakObserver);
    });
}

void VLSystemStatusMonitor::tell(const std::shared_ptr<const VLSystemStatusReading>& reading) {
    std::vector<std::weak_ptr<VLSystemStatusObserver>> snapshot = _observers;
    for (const auto& held : snapshot) {
        std::shared_ptr<VLSystemStatusObserver> observer = held.lock();
        if (observer && observer->systemStatusObserverIsLive())
            observer->systemStatusMonitorDidRead(reading);
    }
}

bool VLSystemStatusMonitor::isWanted() {
    std::erase_if(_observers, [](const auto& held) { return held.expired(); });
    for (const auto& held : _observers) {
        std::shared_ptr<VLSystemStatusObserver> observer = held.lock();
        if (observer && observer->systemStatusObserverIsLive())
            return true;
    }
    const double lastRead = _lock.lockUsingBlock([&] { return _lastRead; });
    return now() - lastRead < kReadWindow;
}

// Starting and stopping

void VLSystemStatusMonitor::start() {
    if (_starting || isSampling())
        return;
    _starting = true;
    ++_session;
    VLLogInfo(kTag, "Reading the system status");
    startPathMonitor();
    startNotifications();
    _sampler->smc().open();
    takeBaseline();
    _waitingForPath = true;
    _pathWait = after(kPathWait, weakly(&VLSystemStatusMonitor::endPathWait));
}

void VLSystemStatusMonitor::endPathWait() {
    if (!std::exchange(_waitingForPath, false))
        return;
    if (_pathWait)
        _pathWait->cancel();
    _pathWait = nullptr;
    takeReading([this](const std::shared_ptr<const VLSystemStatusReading>& reading) {
        _starting = false;
        _timer = after(kInterval, weakly(&VLSystemStatusMonitor::tick));
        _lock.lockUsingBlock([&] { _sampling = true; });
        std::vector<ReadingHandler> waiters = std::move(_startWaiters);
        _startWaiters.clear();
        for (const ReadingHandler& waiter : waiters)
            waiter(reading);
        tell(reading);
    });
}

void VLSystemStatusMonitor::stop() {
    _lock.lockUsingBlock([&] { _sampling = false; });
    VLLogInfo(kTag, "Stopped reading the system status");
    ++_session;
    for (std::shared_ptr<VLDelayedBlock>* delayed : {&_timer, &_readingDelay}) {
        if (*delayed)
            (*delayed)->cancel();
        *delayed = nullptr;
    }
    _readingInFlight = false;
    stopNotifications();
    stopPathMonitor();
    _sampler->smc().close();
}

void VLSystemStatusMonitor::tick() {
    if (!_timer)
        return;
    if (!isWanted()) {
        stop();
        return;
    }
    _timer = after(kInterval, weakly(&VLSystemStatusMonitor::tick));
    readAndTell();
}

void VLSystemStatusMonitor::readSoon() {
    if (_readSoonScheduled || !_timer)
        return;
    _readSoonScheduled = true;
    after(kReadSoonDelay, [weakSelf = weak_from_this()] {
        std::shared_ptr<VLSystemStatusMonitor> self = weakSelf.lock();
        if (!self)
            return;
        self->_readSoonScheduled = false;
        if (self->_timer)
            self->readAndTell();
    });
}

void VLSystemStatusMonitor::readAndTell() {
    // A reading under way will be told.
    if (_readingInFlight)
        return;
    takeReading([this](const std::shared_ptr<const VLSystemStatusReading>& reading) { tell(reading); });
}

// Readings

void VLSystemStatusMonitor::takeBaseline() {
    const double at = now();
    _sampler->baseline(at);
    _baselineAt = at;
}

void VLSystemStatusMonitor::takeReading(ReadingHandler handler) {
    _readingInFlight = true;
    const double at = now();
    if (at - std::max(_baselineAt, _lastReadingAt) > kReadWindow)
        takeBaseline();
    const double wait = kReadingSpacing - (at - std::max(_baselineAt, _lastReadingAt));
    if (wait <= 0) {
        finishReading(handler);
        return;
    }
    // The handlers given here refer to the monitor, which the delayed block keeps only weakly.
    _readingDelay =
        after(wait, [weakSelf = weak_from_this(), session = _session, handler = std::move(handler)] {
            std::shared_ptr<VLSystemStatusMonitor> self = weakSelf.lock();
            if (self && self->_session == session)
                self->finishReading(handler);
        });
}

void VLSystemStatusMonitor::finishReading(const ReadingHandler& handler) {
    _readingInFlight = false;
    _readingDelay = nullptr;
    const double at = now();
    _lastReadingAt = at;
    auto reading = std::make_shared<VLSystemStatusReading>();
    reading->generation = ++_generation;
    reading->bootTime = _bootTime;
    const VLSystemStatusPath path = _lock.lockUsingBlock([&] { return _path; });
    _sampler->fill(*reading, at, path);
    _lock.lockUsingBlock([&] { _latest = reading; });
    handler(reading);
}

// Change notifications and the network path

void VLSystemStatusMonitor::startNotifications() {
    if (_configuration.makeChangeSources) {
        _changeSources = _configuration.makeChangeSources();
    } else {
        _changeSources.push_back(std::make_unique<VLMemoryPressureSource>(_configuration.root));
        _changeSources.push_back(std::make_unique<VLPowerSupplyEventSource>());
    }
    for (const auto& source : _changeSources)
        source->start(_queue, weakly(&VLSystemStatusMonitor::readSoon));
}

void VLSystemStatusMonitor::stopNotifications() {
    for (const auto& source : _changeSources)
        source->stop();
    _changeSources.clear();
}

void VLSystemStatusMonitor::startPathMonitor() {
    const uint64_t generation = _lock.lockUsingBlock([&] {
        _hasPath = false;
        return ++_pathGeneration;
    });
    _pathMonitor = _configuration.makePathMonitor
                       ? _configuration.makePathMonitor()
                       : std::make_unique<VLNetlinkPathMonitor>(_configuration.root);
    _pathMonitor->start(_pathQueue,
                        [weakSelf = weak_from_this(), generation](const VLSystemStatusPath& path) {
                            if (std::shared_ptr<VLSystemStatusMonitor> self = weakSelf.lock())
                                self->pathDidUpdate(path, generation);
                        });
}

void VLSystemStatusMonitor::stopPathMonitor() {
    if (_pathMonitor)
        _pathMonitor->cancel();
    _pathMonitor = nullptr;
    _lock.lockUsingBlock([&] {
        _hasPath = false;
        ++_pathGeneration;
        _path = VLSystemStatusPath();
    });
}

void VLSystemStatusMonitor::pathDidUpdate(const VLSystemStatusPath& path, uint64_t generation) {
    bool first = false, changed = false;
    {
        std::lock_guard lock(_lock);
        if (generation != _pathGeneration)
            return;
        first = !_hasPath;
        changed = !first && path != _path;
        _path = path;
        _hasPath = true;
    }
    if (first)
        _queue->async(weakly(&VLSystemStatusMonitor::endPathWait));
    else if (changed)
        _queue->async(weakly(&VLSystemStatusMonitor::readSoon));
}
