#include "Supports/WindowList/VLWindowListMonitor.h"

#include "Core/Engine/Log/VLLog.h"
#include "Core/Runtime/Rendering/VLFrameSourceFactory.h"
#include "Platform/Foundation/VLClock.h"
#include "Platform/Foundation/VLDelayScheduler.h"
#include "Platform/Foundation/VLDelayedBlock.h"
#include "Platform/Foundation/VLDispatchQueue.h"
#include "Platform/Foundation/VLGlobalQueue.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Foundation/VLWeakObservers.h"
#include "Platform/WindowServer/VLDisplayProvider.h"
#include "Platform/WindowServer/VLWSEvent.h"
#include "Platform/WindowServer/VLWindowServer.h"
#include "Supports/WindowList/VLWindowListObserver.h"

#include <unistd.h>

#include <algorithm>
#include <map>

namespace {

constexpr const char* kWindowListTag = "VLWindowListMonitor";
constexpr double kActiveInterval = 0.1;
constexpr double kIdleInterval = 1.0;
constexpr double kPressGrace = 0.3;
constexpr double kFrameReadSpacing = 0.88 / 60;
constexpr double kFadeFollowUpDelay = 0.016666666;
constexpr double kPointerSlop = 8;
constexpr size_t kMostPressedWindows = 4;
constexpr int32_t kMostReadsInFlight = 3;
constexpr double kMinimumDescribedAlpha = 0.5;
constexpr uint64_t kLeftPressMask = (uint64_t(1) << uint64_t(VLWSEventType::LeftMouseDown)) |
                                    (uint64_t(1) << uint64_t(VLWSEventType::LeftMouseUp));

std::mutex sharedWindowListLock; // guards sharedWindowListMonitor; any thread
std::shared_ptr<VLWindowListMonitor> sharedWindowListMonitor;

// The processes whose windows are never listed; any thread.
struct VLWindowListRelatedSet {
    std::mutex lock;
    std::set<pid_t> identifiers;
};

VLWindowListRelatedSet& windowListRelated() {
    static VLWindowListRelatedSet* related = new VLWindowListRelatedSet(); // outlives every caller at exit
    return *related;
}

bool windowListContains(const std::vector<uint32_t>& ids, uint32_t id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

} // namespace

// The process's monitor and its related processes

std::shared_ptr<VLWindowListMonitor> VLWindowListMonitor::sharedInstance() {
    std::lock_guard lock(sharedWindowListLock);
    if (!sharedWindowListMonitor)
        sharedWindowListMonitor = create();
    return sharedWindowListMonitor;
}

void VLWindowListMonitor::setShared(std::shared_ptr<VLWindowListMonitor> monitor) {
    std::lock_guard lock(sharedWindowListLock);
    sharedWindowListMonitor = std::move(monitor);
}

std::shared_ptr<VLWindowListMonitor> VLWindowListMonitor::create(ReadExecutor readExecutor) {
    return std::shared_ptr<VLWindowListMonitor>(new VLWindowListMonitor(std::move(readExecutor)));
}

VLWindowListMonitor::VLWindowListMonitor(ReadExecutor readExecutor)
    : _readExecutor(readExecutor ? std::move(readExecutor) : ReadExecutor(&VLGlobalQueue::async)),
      _queue(VLDispatchQueue::create("app.velto.window-list")), _ownPID(getpid()) {}

VLWindowListMonitor::~VLWindowListMonitor() {
    if (_timer)
        _timer->cancel();
    if (_displayLink)
        _displayLink->invalidate();
    if (_pressMonitors)
        VLMainQueue::async([monitors = _pressMonitors] {
            VLWSEvent::removeMonitor(monitors->global);
            VLWSEvent::removeMonitor(monitors->local);
        });
}

std::set<pid_t> VLWindowListMonitor::relatedProcessIdentifiers() {
    VLWindowListRelatedSet& related = windowListRelated();
    std::lock_guard lock(related.lock);
    return related.identifiers;
}

void VLWindowListMonitor::setRelatedProcessIdentifiers(const std::set<pid_t>& identifiers) {
    VLWindowListRelatedSet& related = windowListRelated();
    std::lock_guard lock(related.lock);
    related.identifiers = identifiers;
}

// Helpers

double VLWindowListMonitor::now() {
    return VLClock::shared()->seconds();
}

std::shared_ptr<VLDelayedBlock> VLWindowListMonitor::after(double seconds, std::function<void()> block) {
    // A manual scheduler runs the block on the thread that moves its clock: it joins the queue from there.
    return VLDelayScheduler::shared()->after(seconds, _queue,
                                             [weakQueue = std::weak_ptr(_queue), block = std::move(block)] {
                                                 std::shared_ptr<VLDispatchQueue> queue = weakQueue.lock();
                                                 if (queue && queue->isCurrent())
                                                     block();
                                                 else if (queue)
                                                     queue->async(block);
                                             });
}

void VLWindowListMonitor::performOnQueue(std::function<void(VLWindowListMonitor&)> work) {
    _queue->async([weakSelf = weak_from_this(), work = std::move(work)] {
        if (std::shared_ptr<VLWindowListMonitor> self = weakSelf.lock())
            work(*self);
    });
}

void VLWindowListMonitor::flush() {
    _queue->sync([] {});
}

std::optional<VLWindowListMonitor::List>
VLWindowListMonitor::readWindows(VLWindowListReader::Translucency* translucency) {
    std::shared_ptr<const VLWSSnapshot> snapshot = VLWindowServer::shared()->snapshot();
    if (!snapshot)
        return std::nullopt;
    return _reader.read(*snapshot, _ownPID, relatedProcessIdentifiers(), translucency);
}

// Observers and readers

void VLWindowListMonitor::addObserver(const std::shared_ptr<VLWindowListObserver>& observer) {
    performOnQueue([weakObserver = std::weak_ptr(observer)](VLWindowListMonitor& self) {
        if (!weakObserver.expired())
            VLAddWeakObserver(self._observers, weakObserver);
        self.update();
    });
}

void VLWindowListMonitor::removeObserver(const std::shared_ptr<VLWindowListObserver>& observer) {
    performOnQueue([weakObserver = std::weak_ptr(observer)](VLWindowListMonitor& self) {
        VLRemoveWeakObserver(self._observers, weakObserver);
        self.update();
    });
}

std::vector<std::shared_ptr<VLWindowListObserver>> VLWindowListMonitor::liveObservers() {
    std::vector<std::shared_ptr<VLWindowListObserver>> live;
    std::erase_if(_observers, [&](const std::weak_ptr<VLWindowListObserver>& held) {
        std::shared_ptr<VLWindowListObserver> observer = held.lock();
        if (!observer || observer->windowListObserverIsStopped())
            return true;
        live.push_back(std::move(observer));
        return false;
    });
    return live;
}

VLWindowListMonitor::List VLWindowListMonitor::windows() {
    {
        std::lock_guard lock(_lock);
        if (_latest)
            return *_latest;
    }
    std::optional<List> read = readWindows(nullptr);
    std::lock_guard lock(_lock);
    if (read)
        _lastRead = std::make_shared<const List>(std::move(*read));
    return _lastRead ? *_lastRead : List();
}

// The schedule

void VLWindowListMonitor::update() {
    const std::vector<std::shared_ptr<VLWindowListObserver>> live = liveObservers();
    if (live.empty()) {
        stop();
        return;
    }
    if (!_started) {
        start();
        read(true);
    }
    const double time = now();
    const bool active = std::any_of(
        live.begin(), live.end(), [](const auto& observer) { return !observer->windowListObserverIsIdle(); });
    _idle = !active;

    const bool buttonDown = VLWindowServer::shared()->inputState().isLeftButtonDown();
    if (_mouseDown && !buttonDown) {
        _mouseDown = false;
        _fastUntil = time + kPressGrace;
    }
    if (buttonDown) {
        _fastUntil = time + kPressGrace;
        if (!_pressLookedUp) {
            _pressLookedUp = true;
            _pressLookupTime = now();
            std::vector<uint32_t> ids = windowIDsAtPointer();
            std::erase_if(_lingeringWindowIDs, [&](uint32_t id) { return windowListContains(ids, id); });
            ids.insert(ids.end(), _lingeringWindowIDs.begin(), _lingeringWindowIDs.end());
            _pressedWindowIDs = std::move(ids);
        }
    } else if (_pressLookedUp && time >= _fastUntil) {
        _pressLookedUp = false;
        _pressedWindowIDs.clear();
        _lingeringWindowIDs.clear();
        read();
    }
    if (!_lingeringWindowIDs.empty() && time >= _lingeringUntil) {
        std::erase_if(_pressedWindowIDs,
                      [&](uint32_t id) { return windowListContains(_lingeringWindowIDs, id); });
        _lingeringWindowIDs.clear();
    }

    const double interval = active ? kActiveInterval : kIdleInterval;
    readEveryFrame(active && !_pressedWindowIDs.empty() && (buttonDown || time < _fastUntil));
    if (interval != _interval)
        setTimerInterval(interval);
}

void VLWindowListMonitor::setTimerInterval(double interval) {
    _interval = interval;
    _publishedInterval = interval;
    armTimer(now() + interval);
}

void VLWindowListMonitor::armTimer(double deadline) {
    if (_timer)
        _timer->cancel();
    _timerDeadline = deadline;
    const uint64_t generation = ++_timerGeneration;
    _timer = after(deadline - now(), [weakSelf = weak_from_this(), generation] {
        if (std::shared_ptr<VLWindowListMonitor> self = weakSelf.lock();
            self && self->_timerGeneration == generation)
            self->timerDidFire();
    });
}

void VLWindowListMonitor::timerDidFire() {
    ++_ticks;
    // It repeats on its own grid, whenever the queue got to the tick; ticks missed are not made up.
    const double time = now();
    double next = _timerDeadline + _interval;
    if (next <= time)
        next = time + _interval;
    armTimer(next);
    if (!_displayLink)
        read();
    update();
}

void VLWindowListMonitor::start() {
    _started = true;
    _interval = 0;
    VLNotificationCenter& center = VLNotificationCenter::defaultCenter();
    for (const char* name :
         {VLWSWorkspaceActiveSpaceDidChangeNotification, VLWSWorkspaceDidActivateApplicationNotification,
          VLWSWorkspaceDidLaunchApplicationNotification, VLWSWorkspaceDidTerminateApplicationNotification,
          VLWSWorkspaceDidHideApplicationNotification, VLWSWorkspaceDidUnhideApplicationNotification,
          VLScreenParametersDidChangeNotification}) {
        _notificationTokens.push_back(center.addObserver(
            name, nullptr, [weakSelf = weak_from_this()](const VLNotification& notification) {
                const auto* application =
                    notification.userInfoValue<VLWSRunningApplication>(VLWSWorkspaceApplicationKey);
                std::shared_ptr<VLWindowListMonitor> self = weakSelf.lock();
                if (!self)
                    return;
                self->performOnQueue([name = notification.name(),
                                      pid = application ? application->processIdentifier : 0](auto& monitor) {
                    monitor.notificationArrived(name, pid);
                });
            }));
    }
    _pressMonitors = std::make_shared<PressMonitors>();
    VLMainQueue::async([monitors = _pressMonitors, weakSelf = weak_from_this()] {
        const auto report = [weakSelf](const VLWSEvent& event) {
            if (std::shared_ptr<VLWindowListMonitor> self = weakSelf.lock())
                self->mouseButtonWentDown(event.type() == VLWSEventType::LeftMouseDown, event.timestamp());
        };
        monitors->global = VLWSEvent::addGlobalMonitorForEventsMatchingMask(kLeftPressMask, report);
        monitors->local = VLWSEvent::addLocalMonitorForEventsMatchingMask(
            kLeftPressMask, [report](const VLWSEvent& event) -> std::optional<VLWSEvent> {
                report(event);
                return event;
            });
    });
    VLLogInfo(kWindowListTag, "Started watching other apps' windows");
}

void VLWindowListMonitor::stop() {
    if (!_started)
        return;
    _started = false;
    ++_timerGeneration;
    if (_timer)
        std::exchange(_timer, nullptr)->cancel();
    _mouseDown = false;
    _interval = 0;
    _publishedInterval = 0;
    _fastUntil = 0;
    _pressLookedUp = false;
    _pressedWindowIDs.clear();
    _lingeringWindowIDs.clear();
    _translucentWindows.clear();
    readEveryFrame(false);
    VLMainQueue::async([monitors = std::exchange(_pressMonitors, nullptr)] {
        VLWSEvent::removeMonitor(monitors->global);
        VLWSEvent::removeMonitor(monitors->local);
    });
    VLNotificationCenter& center = VLNotificationCenter::defaultCenter();
    for (const auto& token : std::exchange(_notificationTokens, {}))
        center.removeObserver(token);
    {
        std::lock_guard lock(_lock);
        _latest = nullptr;
    }
    _reader.forgetAll();
    VLLogInfo(kWindowListTag, "Stopped watching other apps' windows");
}

void VLWindowListMonitor::notificationArrived(const std::string& name, pid_t processIdentifier) {
    if (!_started)
        return;
    if (name == VLWSWorkspaceDidLaunchApplicationNotification)
        _reader.forgetUnknownProcess(processIdentifier);
    else if (name == VLWSWorkspaceDidTerminateApplicationNotification)
        _reader.forgetProcess(processIdentifier);
    read();
}

// Full reads

void VLWindowListMonitor::read(bool quiet) {
    VLWindowListReader::Translucency translucency;
    std::optional<List> list = readWindows(&translucency);
    followTranslucencyChange(translucency);
    _translucentWindows = std::move(translucency);
    if (!list)
        return;
    _appliedSequence = _readSequence;
    if (!quiet) {
        publish(*list);
        return;
    }
    auto shared = std::make_shared<const List>(std::move(*list));
    std::lock_guard lock(_lock);
    _latest = shared;
    _lastRead = shared;
}

void VLWindowListMonitor::followTranslucencyChange(const VLWindowListReader::Translucency& translucency) {
    // Windows fading in or out are read again a frame later; windows that went away are not.
    const bool changed = std::any_of(translucency.begin(), translucency.end(), [&](const auto& window) {
        auto previous = _translucentWindows.find(window.first);
        return previous == _translucentWindows.end() || previous->second != window.second;
    });
    if (!changed || _fadeReadScheduled)
        return;
    _fadeReadScheduled = true;
    after(kFadeFollowUpDelay, [weakSelf = weak_from_this()] {
        std::shared_ptr<VLWindowListMonitor> self = weakSelf.lock();
        if (!self)
            return;
        self->_fadeReadScheduled = false;
        if (self->_started && !self->_displayLink && !self->_idle)
            self->read();
    });
}

void VLWindowListMonitor::publish(const List& list) {
    auto shared = std::make_shared<const List>(list);
    bool differed = false;
    {
        std::lock_guard lock(_lock);
        const std::shared_ptr<const List>& previous = _latest ? _latest : _lastRead;
        differed = !previous || *previous != list;
        _latest = shared;
        _lastRead = shared;
    }
    if (!differed)
        return;
    for (const auto& held : _observers)
        if (std::shared_ptr<VLWindowListObserver> observer = held.lock())
            observer->windowListMonitorDidChange(*this);
}

// Presses

void VLWindowListMonitor::mouseButtonWentDown(bool down, double time) {
    if (time <= 0)
        time = now();
    performOnQueue([down, time](VLWindowListMonitor& self) { self.pressReported(down, time); });
}

void VLWindowListMonitor::pressReported(bool down, double time) {
    if (!_started)
        return;
    if (down && time > _pressLookupTime) {
        _mouseDown = true;
        if (_pressLookedUp) {
            // A new press within the last one's grace keeps following its windows until that grace ends.
            if (_fastUntil > now() && !_pressedWindowIDs.empty()) {
                const size_t count = std::min(kMostPressedWindows, _pressedWindowIDs.size());
                _lingeringWindowIDs.assign(_pressedWindowIDs.begin(), _pressedWindowIDs.begin() + count);
                _lingeringUntil = _fastUntil;
            }
            _pressLookedUp = false;
        }
    } else if (!down) {
        _mouseDown = false;
        _fastUntil = now() + kPressGrace;
    }
    update();
}

std::vector<uint32_t> VLWindowListMonitor::windowIDsAtPointer() {
    const VLPoint pointer = VLWindowServer::shared()->inputState().pointerLocation();
    std::shared_ptr<const List> latest;
    {
        std::lock_guard lock(_lock);
        latest = _latest;
    }
    std::vector<uint32_t> ids;
    if (!latest)
        return ids;
    for (const VLWindowListEntry& entry : *latest) {
        if (VLRectContainsPoint(entry.frame().insetBy(-kPointerSlop, -kPointerSlop), pointer))
            ids.push_back(entry.windowID());
        if (VLRectContainsPoint(entry.frame(), pointer) || ids.size() == kMostPressedWindows)
            break;
    }
    return ids;
}

// Per-frame reading

void VLWindowListMonitor::readEveryFrame(bool on) {
    if (on && !_displayLink) {
        const uint32_t mainDisplay = VLWindowServer::shared()->mainDisplayID();
        // The display link's thread only sets the flag and hands one frame at a time to the queue.
        auto handler = [pending = _frameReadPending, weakSelf = weak_from_this()](const auto&, bool) {
            if (pending->exchange(true))
                return;
            if (std::shared_ptr<VLWindowListMonitor> self = weakSelf.lock())
                self->performOnQueue([](VLWindowListMonitor& monitor) { monitor.displayFrameArrived(); });
        };
        std::shared_ptr<VLFrameSource> source =
            VLFrameSourceFactory::shared()->makeFrameSource(mainDisplay, handler);
        if (source && source->start())
            _displayLink = std::move(source);
        else if (source)
            source->invalidate();
    } else if (!on && _displayLink) {
        std::exchange(_displayLink, nullptr)->invalidate();
    }
    _readingEveryFrame = _displayLink != nullptr;
}

void VLWindowListMonitor::displayFrameArrived() {
    _frameReadPending->store(false);
    const double time = now();
    if (_displayLink && time - _lastFrameRead >= kFrameReadSpacing) {
        _lastFrameRead = time;
        readPressedWindows();
    }
    update();
}

void VLWindowListMonitor::readPressedWindows() {
    if (_readsInFlight.load() >= kMostReadsInFlight)
        return;
    ++_readsInFlight;
    const uint64_t sequence = ++_readSequence;
    _readExecutor([weakSelf = weak_from_this(), ids = _pressedWindowIDs, sequence] {
        const std::vector<int64_t> numbers(ids.begin(), ids.end());
        std::vector<VLWSWindowListEntry> descriptions =
            VLWindowServer::shared()->snapshot()->windowDescriptions(numbers);
        if (std::shared_ptr<VLWindowListMonitor> self = weakSelf.lock())
            self->performOnQueue([ids, descriptions = std::move(descriptions), sequence](auto& monitor) {
                --monitor._readsInFlight;
                monitor.applyPressedWindows(ids, descriptions, sequence);
            });
    });
}

void VLWindowListMonitor::applyPressedWindows(const std::vector<uint32_t>& windowIDs,
                                              const std::vector<VLWSWindowListEntry>& descriptions,
                                              uint64_t sequence) {
    // Out of order, after a full read, or for other windows: stale.
    if (!_displayLink || windowIDs != _pressedWindowIDs || sequence <= _appliedSequence)
        return;
    _appliedSequence = sequence;
    std::map<uint32_t, VLRect> kept;
    for (const auto& description : descriptions)
        if (description.isOnScreen && description.alpha >= kMinimumDescribedAlpha &&
            description.bounds.isFinite())
            kept[uint32_t(description.number)] = description.bounds;
    if (kept.size() < windowIDs.size()) {
        std::erase_if(_pressedWindowIDs, [&](uint32_t id) { return !kept.contains(id); });
        read();
        return;
    }
    std::shared_ptr<const List> latest;
    {
        std::lock_guard lock(_lock);
        latest = _latest;
    }
    if (!latest)
        return;
    List next = *latest;
    bool changed = false;
    for (VLWindowListEntry& entry : next) {
        auto found = kept.find(entry.windowID());
        if (found != kept.end() && !(found->second == entry.frame())) {
            entry = entry.withFrame(found->second);
            changed = true;
        }
    }
    if (changed)
        publish(next);
}
