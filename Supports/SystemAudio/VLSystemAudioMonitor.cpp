#include "Supports/SystemAudio/VLSystemAudioMonitor.h"

#include "Core/Engine/Log/VLLog.h"
#include "Core/Launcher/Services/VLSystemAudioMonitorContract.h"
#include "Core/Launcher/Services/VLSystemAudioSource.h"
#include "Platform/Foundation/VLClock.h"
#include "Platform/Foundation/VLDelayScheduler.h"
#include "Platform/Foundation/VLDelayedBlock.h"
#include "Platform/Foundation/VLDispatchQueue.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/Foundation/VLUserDefaults.h"
#include "Platform/Foundation/VLWeakObservers.h"
#include "Supports/SystemAudio/VLPulseAudioCaptureBackend.h"
#include "Supports/SystemAudio/VLSystemAudioCapture.h"
#include "Supports/SystemAudio/VLSystemAudioCodeIdentity.h"
#include "Supports/SystemAudio/VLSystemAudioObserver.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr const char* kSystemAudioTag = "VLSystemAudioMonitor";
constexpr const char* kCapturedSoundRequirementKey = "VLSystemAudioMonitorCapturedSoundRequirement";
constexpr double kSystemAudioTimerInterval = 0.25;
constexpr double kSystemAudioReadWindow = 2.0;
constexpr double kOthersTail = 3.0;
constexpr double kFailedStartPause = 10.0;
constexpr double kDeniedAge = 3.0;
constexpr double kLongestDeniedRetryInterval = 80.0;
constexpr double kStallTime = 2.0;
constexpr double kActiveTime = 1.0;
constexpr float kSoundPeak = 0.001f;

std::mutex sharedSystemAudioLock; // guards sharedSystemAudioMonitor; any thread
std::shared_ptr<VLSystemAudioMonitor> sharedSystemAudioMonitor;

} // namespace

std::shared_ptr<VLSystemAudioMonitor> VLSystemAudioMonitor::sharedInstance() {
    std::lock_guard lock(sharedSystemAudioLock);
    if (!sharedSystemAudioMonitor)
        sharedSystemAudioMonitor = create();
    return sharedSystemAudioMonitor;
}

void VLSystemAudioMonitor::setShared(std::shared_ptr<VLSystemAudioMonitor> monitor) {
    std::lock_guard lock(sharedSystemAudioLock);
    sharedSystemAudioMonitor = std::move(monitor);
}

std::shared_ptr<VLSystemAudioMonitor> VLSystemAudioMonitor::create(Configuration configuration) {
    return std::shared_ptr<VLSystemAudioMonitor>(new VLSystemAudioMonitor(std::move(configuration)));
}

VLSystemAudioMonitor::VLSystemAudioMonitor(Configuration configuration)
    : _configuration(std::move(configuration)),
      _backend(_configuration.backend ? _configuration.backend
                                      : std::make_shared<VLPulseAudioCaptureBackend>()),
      _queue(VLDispatchQueue::create("app.velto.system-audio")) {}

VLSystemAudioMonitor::~VLSystemAudioMonitor() {
    // Nothing of the backend may call into this monitor once it is gone.
    if (_capture)
        _backend->stopCapture();
    if (_backendWatching)
        _backend->stopWatching();
    if (_timer)
        _timer->cancel();
}

// Time and helpers

const VLClock& VLSystemAudioMonitor::clock() const {
    return _configuration.clock ? *_configuration.clock : *VLClock::shared();
}

double VLSystemAudioMonitor::now() const {
    return clock().seconds();
}

std::shared_ptr<VLDelayedBlock> VLSystemAudioMonitor::after(double seconds, std::function<void()> block) {
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

void VLSystemAudioMonitor::performOnQueue(void (VLSystemAudioMonitor::*method)()) {
    _queue->async([weakSelf = weak_from_this(), method] {
        if (std::shared_ptr<VLSystemAudioMonitor> self = weakSelf.lock())
            ((*self).*method)();
    });
}

void VLSystemAudioMonitor::flush() {
    _queue->sync([] {});
}

bool VLSystemAudioMonitor::isWatching() const {
    return _watching;
}

bool VLSystemAudioMonitor::isCapturing() const {
    return _capturing;
}

std::set<pid_t> VLSystemAudioMonitor::ownProcessIdentifiers() const {
    std::set<pid_t> identifiers = relatedProcessIdentifiers();
    identifiers.insert(getpid());
    return identifiers;
}

const std::string& VLSystemAudioMonitor::codeRequirement() const {
    return _configuration.codeRequirement ? *_configuration.codeRequirement
                                          : VLSystemAudioCodeIdentity::current();
}

bool VLSystemAudioMonitor::hasCapturedSound() const {
    VLUserDefaults& defaults =
        _configuration.defaults ? *_configuration.defaults : VLUserDefaults::standard();
    const VLValue stored = defaults.objectForKey(kCapturedSoundRequirementKey);
    return stored.isString() && stored.stringValue() == codeRequirement();
}

// Snapshots, frames and state, on any thread

std::optional<VLData> VLSystemAudioMonitor::restrictedFrameOfFrame(const VLData& frame) {
    VLSystemAudioSnapshot snapshot;
    if (!VLSystemAudioSnapshotFromFrame(frame, snapshot))
        return std::nullopt;
    VLSystemAudioCoarsenSnapshot(snapshot);
    return VLSystemAudioFrameFromSnapshot(snapshot);
}

void VLSystemAudioMonitor::readSnapshot(VLSystemAudioSnapshot& snapshot) const {
    _snapshots.read(snapshot);
}

bool VLSystemAudioMonitor::readRestrictedSnapshot(VLSystemAudioSnapshot& snapshot) const {
    if (!source() || !_hasRestrictedSnapshot)
        return false;
    _restrictedSnapshots.read(snapshot);
    return true;
}

VLData VLSystemAudioMonitor::currentFrame() const {
    VLSystemAudioSnapshot snapshot;
    _snapshots.read(snapshot);
    return VLSystemAudioFrameFromSnapshot(snapshot);
}

bool VLSystemAudioMonitor::isActive() const {
    std::lock_guard lock(_lock);
    return _active;
}

bool VLSystemAudioMonitor::seemsDenied() const {
    std::lock_guard lock(_lock);
    return _seemsDenied;
}

void VLSystemAudioMonitor::setSeemsDenied(bool denied) {
    {
        std::lock_guard lock(_lock);
        if (std::exchange(_seemsDenied, denied) == denied)
            return;
    }
    if (denied)
        VLLogDefault(kSystemAudioTag,
                     "Only silence while other apps play sound: System Audio Recording seems off");
    VLMainQueue::async(
        [] { VLNotificationCenter::defaultCenter().post(VLManagerSystemAudioAccessDidChangeNotification); });
}

void VLSystemAudioMonitor::noteReadMayAsk(bool mayAsk) {
    const double at = now();
    _lastRead = at;
    if (mayAsk)
        _lastAskingRead = at;
    if (!_watching)
        performOnQueue(&VLSystemAudioMonitor::update);
}

void VLSystemAudioMonitor::addObserver(const std::shared_ptr<VLSystemAudioObserver>& observer, bool mayAsk) {
    _queue->async([weakSelf = weak_from_this(), weakObserver = std::weak_ptr(observer), mayAsk] {
        std::shared_ptr<VLSystemAudioMonitor> self = weakSelf.lock();
        if (!self || weakObserver.expired())
            return;
        VLAddWeakObserver(self->_observers, weakObserver);
        if (mayAsk)
            VLAddWeakObserver(self->_askingObservers, weakObserver);
        else
            VLRemoveWeakObserver(self->_askingObservers, weakObserver);
        VLAddWeakObserver(self->_untoldObservers, weakObserver);
        self->update();
    });
}

void VLSystemAudioMonitor::removeObserver(const std::shared_ptr<VLSystemAudioObserver>& observer) {
    _queue->async([weakSelf = weak_from_this(), weakObserver = std::weak_ptr(observer)] {
        std::shared_ptr<VLSystemAudioMonitor> self = weakSelf.lock();
        if (!self)
            return;
        for (auto* observers : {&self->_observers, &self->_askingObservers, &self->_untoldObservers})
            VLRemoveWeakObserver(*observers, weakObserver);
        self->update();
    });
}

void VLSystemAudioMonitor::recheckAccess() {
    if (std::shared_ptr<VLSystemAudioSource> current = source()) {
        current->systemAudioAccessShouldBeRechecked();
        return;
    }
    performOnQueue(&VLSystemAudioMonitor::recheck);
}

std::set<pid_t> VLSystemAudioMonitor::relatedProcessIdentifiers() const {
    std::lock_guard lock(_lock);
    return _relatedProcessIdentifiers;
}

void VLSystemAudioMonitor::setRelatedProcessIdentifiers(const std::set<pid_t>& identifiers) {
    {
        std::lock_guard lock(_lock);
        _relatedProcessIdentifiers = identifiers;
    }
    performOnQueue(&VLSystemAudioMonitor::reloadProcesses);
}

std::shared_ptr<VLSystemAudioSource> VLSystemAudioMonitor::source() const {
    std::lock_guard lock(_lock);
    return _source;
}

void VLSystemAudioMonitor::setSource(std::shared_ptr<VLSystemAudioSource> source) {
    const bool cleared = !source;
    {
        std::lock_guard lock(_lock);
        _source = std::move(source);
    }
    _hasRestrictedSnapshot = false;
    _queue->async([weakSelf = weak_from_this(), cleared] {
        std::shared_ptr<VLSystemAudioMonitor> self = weakSelf.lock();
        if (!self)
            return;
        self->stopCapture();
        self->stopWatching();
        if (cleared)
            self->_snapshots.clear();
        self->_sourceWanted = self->_sourceMayAsk = false;
        self->update();
    });
}

void VLSystemAudioMonitor::receiveFrame(const VLData& frame, const std::optional<VLData>& restrictedFrame,
                                        bool active, bool seemsDenied) {
    VLSystemAudioSnapshot snapshot;
    if (VLSystemAudioSnapshotFromFrame(frame, snapshot))
        _snapshots.write(snapshot);
    if (restrictedFrame && VLSystemAudioSnapshotFromFrame(*restrictedFrame, snapshot)) {
        _restrictedSnapshots.write(snapshot);
        _hasRestrictedSnapshot = true;
    }
    setSeemsDenied(seemsDenied);
    _queue->async([weakSelf = weak_from_this(), active] {
        std::shared_ptr<VLSystemAudioMonitor> self = weakSelf.lock();
        if (!self)
            return;
        self->_sourceActive = active;
        if (self->source() && self->_sourceWanted)
            self->applyActive(active);
    });
}

// The rules, on the queue

void VLSystemAudioMonitor::update() {
    if (std::shared_ptr<VLSystemAudioSource> current = source()) {
        updateSource(current);
        return;
    }
    const double at = now();
    if (!isWantedAsking(false, at)) {
        stopCapture();
        stopWatching();
        updateActive(at);
        return;
    }
    startWatching();
    const bool othersRecent = _othersPlaying || (_othersStoppedAt > 0 && at - _othersStoppedAt < kOthersTail);
    const bool mayCapture = hasCapturedSound() || isWantedAsking(true, at);
    if (othersRecent && mayCapture) {
        if (_capture)
            checkCapture(at);
        else if (_captureFailedAt == 0 || at - _captureFailedAt > kFailedStartPause)
            startCapture();
    } else {
        stopCapture();
    }
    updateActive(at);
}

bool VLSystemAudioMonitor::isWantedAsking(bool asking, double at) {
    for (const auto& held : asking ? _askingObservers : _observers) {
        std::shared_ptr<VLSystemAudioObserver> observer = held.lock();
        if (observer && observer->systemAudioObserverIsLive())
            return true;
    }
    const double read = asking ? _lastAskingRead.load() : _lastRead.load();
    return read != 0 && at - read < kSystemAudioReadWindow;
}

void VLSystemAudioMonitor::armTimer() {
    if (_timer)
        return;
    _timer = after(kSystemAudioTimerInterval, [weakSelf = weak_from_this()] {
        if (std::shared_ptr<VLSystemAudioMonitor> self = weakSelf.lock())
            self->timerDidFire();
    });
}

void VLSystemAudioMonitor::timerDidFire() {
    if (!_timer)
        return;
    _timer = nullptr;
    update();
    if (_watching)
        armTimer();
}

void VLSystemAudioMonitor::cancelTimer() {
    if (_timer)
        std::exchange(_timer, nullptr)->cancel();
}

void VLSystemAudioMonitor::startWatching() {
    if (_watching)
        return;
    _watching = true;
    VLLogInfo(kSystemAudioTag, "Watching for sound");
    armTimer();
    std::weak_ptr<VLSystemAudioMonitor> weakSelf = weak_from_this();
    std::weak_ptr<VLDispatchQueue> weakQueue = _queue;
    // The backend tells on its own thread; the rules run on the queue.
    auto onQueue = [weakSelf, weakQueue](void (VLSystemAudioMonitor::*method)()) {
        return [weakSelf, weakQueue, method] {
            if (std::shared_ptr<VLDispatchQueue> queue = weakQueue.lock())
                queue->async([weakSelf, method] {
                    if (std::shared_ptr<VLSystemAudioMonitor> self = weakSelf.lock())
                        ((*self).*method)();
                });
        };
    };
    _backendWatching = true;
    _backend->startWatching(
        {onQueue(&VLSystemAudioMonitor::reloadProcesses), onQueue(&VLSystemAudioMonitor::serviceDidRestart)});
    reloadProcesses();
}

void VLSystemAudioMonitor::stopWatching() {
    if (!_watching)
        return;
    _watching = false;
    cancelTimer();
    if (!std::exchange(_backendWatching, false))
        return; // the source's poll
    _backend->stopWatching();
    _otherProcesses.clear();
    _othersPlaying = false;
    _othersStartedAt = _othersStoppedAt = 0;
    VLLogInfo(kSystemAudioTag, "Stopped watching for sound");
}

void VLSystemAudioMonitor::serviceDidRestart() {
    VLLogDefault(kSystemAudioTag, "Core Audio restarted: watching and capturing again");
    if (_capture && !_backend->captureIsKnown())
        stopCapture();
    stopWatching();
    performOnQueue(&VLSystemAudioMonitor::update);
}

void VLSystemAudioMonitor::reloadProcesses() {
    if (!_backendWatching || source())
        return;
    const std::set<pid_t> own = ownProcessIdentifiers();
    std::set<pid_t> ownPlaying;
    _otherProcesses.clear();
    for (const VLSystemAudioCaptureBackend::Process& process : _backend->processes()) {
        if (own.contains(process.pid))
            ownPlaying.insert(process.pid);
        else
            _otherProcesses.push_back(process);
    }
    excludeFromTap(ownPlaying);
    updateOthersPlaying();
}

void VLSystemAudioMonitor::updateOthersPlaying() {
    if (!_backendWatching)
        return;
    const bool playing = std::any_of(_otherProcesses.begin(), _otherProcesses.end(),
                                     [](const auto& process) { return process.runningOutput; });
    if (playing == _othersPlaying)
        return;
    _othersPlaying = playing;
    if (playing) {
        _othersStartedAt = now();
        _othersStoppedAt = 0;
    } else {
        _othersStoppedAt = now();
    }
    update();
}

void VLSystemAudioMonitor::excludeFromTap(const std::set<pid_t>& processes) {
    if (!_capture ||
        std::includes(_tapExcluded.begin(), _tapExcluded.end(), processes.begin(), processes.end()))
        return;
    std::set<pid_t> excluded = _tapExcluded;
    excluded.insert(processes.begin(), processes.end());
    if (const int status = _backend->changeExclusions(excluded); status != 0) {
        VLLogDefault(kSystemAudioTag, "Can't change the process tap (%d): capturing again", status);
        restartCapture();
        return;
    }
    _tapExcluded = std::move(excluded);
}

void VLSystemAudioMonitor::startCapture() {
    const std::set<pid_t> own = ownProcessIdentifiers();
    auto capture = std::make_unique<VLSystemAudioCapture>(_backend->nominalRate());
    VLSystemAudioCapture* running = capture.get();
    const VLClock* clock = &this->clock();
    VLSystemAudioSnapshotBuffer* snapshots = &_snapshots;
    // The backend's IO thread: nothing here allocates, locks or counts references.
    auto samples = [running, clock, snapshots](const float* values, size_t frames, unsigned channels) {
        if (running->retired.load(std::memory_order_relaxed) || channels == 0)
            return;
        const uint64_t at = clock->nanoseconds();
        running->callbackAt.store(at, std::memory_order_relaxed);
        float peak = 0;
        for (size_t index = 0; index < frames * channels; ++index)
            peak = std::max(peak, std::fabs(values[index]));
        if (peak > kSoundPeak)
            running->soundAt.store(at, std::memory_order_relaxed);
        running->analyzer.process(values, frames, channels, *snapshots);
    };
    const VLSystemAudioCaptureBackend::StartResult result = _backend->startCapture(own, samples);
    if (result.status == 0) {
        _capture = std::move(capture);
        _capturing = true;
        _tapExcluded = own;
        _captureStartedAt = now();
        _captureFailedAt = 0;
        VLLogInfo(kSystemAudioTag, "Capturing at %.0f Hz", _capture->analyzer.sampleRate());
        return;
    }
    switch (result.failedStep) {
    case VLSystemAudioCaptureBackend::Step::Tap:
        VLLogDefault(kSystemAudioTag, "Can't make the process tap: %d", result.status);
        break;
    case VLSystemAudioCaptureBackend::Step::Device:
        VLLogDefault(kSystemAudioTag, "Can't make the aggregate device: %d", result.status);
        stopCapture();
        break;
    case VLSystemAudioCaptureBackend::Step::Start:
        VLLogDefault(kSystemAudioTag, "Can't start the capture: %d", result.status);
        _capture = std::move(capture);
        stopCapture();
        break;
    }
    _captureFailedAt = now();
}

void VLSystemAudioMonitor::stopCapture() {
    if (_capture) {
        if (!_backend->captureIsKnown()) {
            VLLogDefault(kSystemAudioTag,
                         "Core Audio doesn't know the capture's device anymore: forgetting it");
            _capture->retired = true;
        }
        // Once the backend has stopped, the IO thread no longer runs the capture: it can go.
        _backend->stopCapture();
    }
    _tapExcluded.clear();
    _recheckWhenOld = false;
    if (_capture) {
        _capture.reset();
        _capturing = false;
        _snapshots.clear();
        VLLogInfo(kSystemAudioTag, "Stopped capturing");
    }
}

void VLSystemAudioMonitor::restartCapture() {
    stopCapture();
    startCapture();
}

void VLSystemAudioMonitor::checkCapture(double at) {
    const uint64_t callbackAt = _capture->callbackAt.load(std::memory_order_relaxed);
    if (callbackAt != 0 && _othersPlaying && at - _othersStartedAt > kStallTime &&
        at - double(callbackAt) / 1e9 > kStallTime) {
        VLLogDefault(kSystemAudioTag, "The capture stopped getting samples: watching and capturing again");
        stopCapture();
        stopWatching();
        update();
        return;
    }
    const double rate = _backend->nominalRate();
    if (rate > 0 && std::fabs(rate - _capture->analyzer.sampleRate()) > 1.0) {
        VLLogInfo(kSystemAudioTag, "The sample rate changed to %.0f Hz: capturing again", rate);
        restartCapture();
        return;
    }
    if (_capture->analyzer.heardSound()) {
        _recheckWhenOld = false;
        if (!hasCapturedSound()) {
            VLUserDefaults& defaults =
                _configuration.defaults ? *_configuration.defaults : VLUserDefaults::standard();
            defaults.setObject(kCapturedSoundRequirementKey, VLValue(codeRequirement()));
        }
        _deniedRetryInterval = 10.0;
        setSeemsDenied(false);
    }
    if (hasCapturedSound())
        return;
    const double age = at - _captureStartedAt;
    if (_othersPlaying && age > kDeniedAge)
        setSeemsDenied(true);
    if (!seemsDenied())
        return;
    if (_recheckWhenOld && age >= kDeniedAge) {
        VLLogInfo(kSystemAudioTag, "Checking System Audio Recording again");
        restartCapture();
    } else if (age > _deniedRetryInterval) {
        _deniedRetryInterval = std::min(_deniedRetryInterval * 2, kLongestDeniedRetryInterval);
        restartCapture();
    }
}

void VLSystemAudioMonitor::recheck() {
    const double startedAt = _captureStartedAt;
    update();
    if (seemsDenied() && _capture && _captureStartedAt == startedAt) {
        const double at = now();
        if (at - _captureStartedAt >= kDeniedAge) {
            VLLogInfo(kSystemAudioTag, "Checking System Audio Recording again");
            restartCapture();
            updateActive(at);
        } else {
            _recheckWhenOld = true;
        }
    }
    _deniedRetryInterval = 10.0;
}

void VLSystemAudioMonitor::updateActive(double at) {
    bool active = false;
    if (_capture) {
        const uint64_t soundAt = _capture->soundAt.load(std::memory_order_relaxed);
        if (soundAt != 0)
            active = at - double(soundAt) / 1e9 < kActiveTime;
        else if (at - _captureStartedAt < kActiveTime)
            return; // too young to tell
    }
    applyActive(active);
}

void VLSystemAudioMonitor::applyActive(bool active) {
    bool changed;
    {
        std::lock_guard lock(_lock);
        changed = std::exchange(_active, active) != active;
    }
    std::vector<std::weak_ptr<VLSystemAudioObserver>> recipients = changed ? _observers : _untoldObservers;
    _untoldObservers.clear();
    for (const auto& held : recipients) {
        std::shared_ptr<VLSystemAudioObserver> observer = held.lock();
        if (observer && observer->systemAudioObserverIsLive())
            observer->systemAudioMonitorActiveDidChange(active);
    }
}

void VLSystemAudioMonitor::updateSource(const std::shared_ptr<VLSystemAudioSource>& current) {
    const double at = now();
    const bool wanted = isWantedAsking(false, at);
    bool mayAsk = false;
    if (wanted) {
        mayAsk = isWantedAsking(true, at);
        _watching = true;
        armTimer();
    } else {
        _watching = false;
        cancelTimer();
    }
    if (wanted != _sourceWanted || mayAsk != _sourceMayAsk) {
        _sourceWanted = wanted;
        _sourceMayAsk = mayAsk;
        current->systemAudioWantedDidChange(wanted, mayAsk);
    }
    applyActive(wanted && _sourceActive);
}
