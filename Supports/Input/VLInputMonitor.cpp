#include "Supports/Input/VLInputMonitor.h"

#include "Core/Engine/Log/VLLog.h"
#include "Core/Engine/Support/VLDOMMouseButton.h"
#include "Platform/Foundation/VLClock.h"
#include "Platform/Foundation/VLDelayScheduler.h"
#include "Platform/Foundation/VLGlobalQueue.h"
#include "Platform/Foundation/VLUserDefaults.h"
#include "Platform/WindowServer/VLWSEvent.h"
#include "Platform/WindowServer/VLWSKeyTaps.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWindowServer.h"
#include "Supports/Input/VLInputObserver.h"

#include <algorithm>
#include <atomic>
#include <mutex>

namespace {

constexpr const char* kInputMonitorTag = "VLInputMonitor";
constexpr const char* kAskedForKeyAccessKey = "VLInputMonitorAskedForKeyAccess";
// Left, right and other button down, up and dragged, mouse moved and the wheel.
constexpr uint64_t kMouseEventMask = 0xe4000fe;
constexpr double kAccessPollInterval = 2.0;
constexpr double kLongestTapRetry = 60.0;
constexpr uint64_t kKeyFlushGridNanoseconds = 100'000'000;

// Guards the process's monitor; any thread.
std::mutex sharedInputMonitorLock;
std::shared_ptr<VLInputMonitor> sharedInputMonitor;

// The last tap made with access granted failed; read from any thread.
std::atomic<bool> VLInputKeyTapFailed{false};

// The kind of a mouse event, or -1 for one the monitor does not report.
int64_t inputMouseKind(VLWSEventType type) {
    switch (type) {
    case VLWSEventType::LeftMouseDown:
    case VLWSEventType::RightMouseDown:
    case VLWSEventType::OtherMouseDown:
        return VLInputMouseEvent::ButtonDown;
    case VLWSEventType::LeftMouseUp:
    case VLWSEventType::RightMouseUp:
    case VLWSEventType::OtherMouseUp:
        return VLInputMouseEvent::ButtonUp;
    case VLWSEventType::MouseMoved:
    case VLWSEventType::LeftMouseDragged:
    case VLWSEventType::RightMouseDragged:
    case VLWSEventType::OtherMouseDragged:
        return VLInputMouseEvent::Move;
    case VLWSEventType::ScrollWheel:
        return VLInputMouseEvent::Wheel;
    default:
        return -1;
    }
}

// The event's place in top-left global coordinates. A global event's location is the screen's; a local
// one's is its window's, and without the window the pointer's is taken.
VLPoint inputEventLocation(const VLWSEvent& event, bool local) {
    VLPoint screen = event.locationInWindow();
    if (local) {
        std::shared_ptr<VLWSWindow> window = event.window();
        if (!window)
            return VLInputMonitor::pointerLocation();
        screen = window->convertPointToScreen(screen);
    }
    return VLWindowServer::shared()->snapshot()->flip(VLRect(screen, {0, 0})).origin;
}

} // namespace

// The process's monitor

std::shared_ptr<VLInputMonitor> VLInputMonitor::sharedInstance() {
    std::lock_guard lock(sharedInputMonitorLock);
    if (!sharedInputMonitor)
        sharedInputMonitor = std::make_shared<VLInputMonitor>();
    return sharedInputMonitor;
}

void VLInputMonitor::setShared(std::shared_ptr<VLInputMonitor> monitor) {
    std::lock_guard lock(sharedInputMonitorLock);
    sharedInputMonitor = std::move(monitor);
}

VLInputMonitor::~VLInputMonitor() {
    if (_keyAccessTimer)
        _keyAccessTimer->cancel();
    if (_globalMouseMonitor) {
        VLWSEvent::removeMonitor(_globalMouseMonitor);
        VLWSEvent::removeMonitor(_localMouseMonitor);
    }
    if (_keyTap)
        _keyTap->invalidate();
}

// Access

VLPoint VLInputMonitor::pointerLocation() {
    return VLWindowServer::shared()->inputState().pointerLocation();
}

bool VLInputMonitor::hasKeyAccess() {
    return VLWindowServer::shared()->keyTaps().access() == VLWSListenAccess::Granted;
}

bool VLInputMonitor::canCountKeys() {
    return hasKeyAccess() && !VLInputKeyTapFailed.load();
}

bool VLInputMonitor::hasAskedForKeyAccess() {
    return VLUserDefaults::standard().boolForKey(kAskedForKeyAccessKey);
}

bool VLInputMonitor::canPromptForKeyAccess() {
    return VLWindowServer::shared()->keyTaps().access() == VLWSListenAccess::Unknown;
}

void VLInputMonitor::askForKeyAccess() {
    VLUserDefaults::standard().setObject(kAskedForKeyAccessKey, true);
    VLLogInfo(kInputMonitorTag, "Asking for Input Monitoring to count key presses");
    // The system's request can block.
    VLGlobalQueue::async([server = VLWindowServer::shared()] { server->keyTaps().requestAccess(); });
}

// Observers

void VLInputMonitor::addTo(ObserverTable& table, const std::shared_ptr<VLInputObserver>& observer) {
    const std::vector<std::shared_ptr<VLInputObserver>> observers = live(table);
    if (observer && std::find(observers.begin(), observers.end(), observer) == observers.end())
        table.push_back(observer);
}

void VLInputMonitor::removeFrom(ObserverTable& table, const std::shared_ptr<VLInputObserver>& observer) {
    std::erase_if(table, [&](const std::weak_ptr<VLInputObserver>& held) {
        std::shared_ptr<VLInputObserver> live = held.lock();
        return !live || live == observer;
    });
}

std::vector<std::shared_ptr<VLInputObserver>> VLInputMonitor::live(ObserverTable& table) {
    std::vector<std::shared_ptr<VLInputObserver>> observers;
    std::erase_if(table, [&](const std::weak_ptr<VLInputObserver>& held) {
        std::shared_ptr<VLInputObserver> observer = held.lock();
        if (!observer)
            return true;
        observers.push_back(std::move(observer));
        return false;
    });
    return observers;
}

void VLInputMonitor::addMouseObserver(const std::shared_ptr<VLInputObserver>& observer) {
    addTo(_mouseObservers, observer);
    updateMouseMonitoring();
}

void VLInputMonitor::removeMouseObserver(const std::shared_ptr<VLInputObserver>& observer) {
    removeFrom(_mouseObservers, observer);
    updateMouseMonitoring();
}

void VLInputMonitor::addKeyObserver(const std::shared_ptr<VLInputObserver>& observer, bool mayAsk) {
    addTo(_keyObservers, observer);
    if (mayAsk)
        addTo(_askingKeyObservers, observer);
    updateKeyMonitoring();
}

void VLInputMonitor::removeKeyObserver(const std::shared_ptr<VLInputObserver>& observer) {
    removeFrom(_keyObservers, observer);
    removeFrom(_askingKeyObservers, observer);
    updateKeyMonitoring();
}

// The mouse

void VLInputMonitor::updateMouseMonitoring() {
    const bool wanted = !live(_mouseObservers).empty();
    if (wanted && !_globalMouseMonitor) {
        std::weak_ptr<VLInputMonitor> weakSelf = weak_from_this();
        _globalMouseMonitor = VLWSEvent::addGlobalMonitorForEventsMatchingMask(
            kMouseEventMask, [weakSelf](const VLWSEvent& event) {
                if (std::shared_ptr<VLInputMonitor> self = weakSelf.lock())
                    self->handleMouseEvent(event, false);
            });
        _localMouseMonitor = VLWSEvent::addLocalMonitorForEventsMatchingMask(
            kMouseEventMask, [weakSelf](const VLWSEvent& event) -> std::optional<VLWSEvent> {
                if (std::shared_ptr<VLInputMonitor> self = weakSelf.lock())
                    self->handleMouseEvent(event, true);
                return event;
            });
        VLLogInfo(kInputMonitorTag, "Started watching the mouse");
    } else if (!wanted && _globalMouseMonitor) {
        VLWSEvent::removeMonitor(std::exchange(_globalMouseMonitor, nullptr));
        VLWSEvent::removeMonitor(std::exchange(_localMouseMonitor, nullptr));
        VLLogInfo(kInputMonitorTag, "Stopped watching the mouse");
    }
}

void VLInputMonitor::handleMouseEvent(const VLWSEvent& event, bool local) {
    const int64_t kind = inputMouseKind(event.type());
    if (kind < 0)
        return;
    VLInputMouseEvent record{.kind = kind, .location = inputEventLocation(event, local)};
    if (kind == VLInputMouseEvent::ButtonDown || kind == VLInputMouseEvent::ButtonUp)
        record.button = VLDOMMouseButton(event.buttonNumber());
    if (kind == VLInputMouseEvent::Wheel) {
        record.deltaX = event.deltaX();
        record.deltaY = event.deltaY();
    }
    const std::vector<std::shared_ptr<VLInputObserver>> observers = live(_mouseObservers);
    if (observers.empty()) {
        updateMouseMonitoring();
        return;
    }
    for (const auto& observer : observers)
        observer->inputMonitorDidReceiveMouseEvent(record);
}

// Keys

void VLInputMonitor::updateKeyMonitoring() {
    if (live(_keyObservers).empty()) {
        cancelKeyAccessCheck();
        stopKeyTap();
        return;
    }
    if (_keyTap)
        return;
    if (hasKeyAccess()) {
        startKeyTap();
        return;
    }
    VLInputKeyTapFailed = false;
    _keyTapFailures = 0;
    if (!live(_askingKeyObservers).empty() && !hasAskedForKeyAccess())
        askForKeyAccess();
    checkKeyAccessLater(kAccessPollInterval);
}

void VLInputMonitor::startKeyTap() {
    std::weak_ptr<VLInputMonitor> weakSelf = weak_from_this();
    _keyTap = VLWindowServer::shared()->keyTaps().createTap(
        [weakSelf](VLWSKeyTap::Happening happening, const VLWSEvent* event) {
            if (std::shared_ptr<VLInputMonitor> self = weakSelf.lock())
                self->keyTapHeard(happening == VLWSKeyTap::Happening::DisabledByTimeout, event);
        });
    if (_keyTap) {
        VLInputKeyTapFailed = false;
        _keyTapFailures = 0;
        cancelKeyAccessCheck();
        _keyTap->setEnabled(true);
        VLLogInfo(kInputMonitorTag, "Started counting key presses");
        return;
    }
    if (_keyTapFailures == 0)
        VLLogDefault(kInputMonitorTag,
                     "Could not create the key event tap with Input Monitoring on, trying again later");
    VLInputKeyTapFailed = true;
    const double delay =
        std::min(kAccessPollInterval * double(uint64_t(1) << std::min<uint64_t>(_keyTapFailures, 5)),
                 kLongestTapRetry);
    ++_keyTapFailures;
    checkKeyAccessLater(delay);
}

void VLInputMonitor::stopKeyTap() {
    if (!_keyTap)
        return;
    _keyTap->setEnabled(false);
    std::exchange(_keyTap, nullptr)->invalidate();
    _pendingKeyPresses = 0;
    VLLogInfo(kInputMonitorTag, "Stopped counting key presses");
}

void VLInputMonitor::checkKeyAccessLater(double delay) {
    if (_keyAccessTimer)
        return;
    _keyAccessTimer = VLDelayScheduler::shared()->after(delay, nullptr, [weakSelf = weak_from_this()] {
        if (std::shared_ptr<VLInputMonitor> self = weakSelf.lock()) {
            self->_keyAccessTimer = nullptr;
            self->updateKeyMonitoring();
        }
    });
}

void VLInputMonitor::cancelKeyAccessCheck() {
    if (_keyAccessTimer)
        std::exchange(_keyAccessTimer, nullptr)->cancel();
}

void VLInputMonitor::keyTapHeard(bool timedOut, const VLWSEvent* event) {
    if (timedOut) {
        if (_keyTap)
            _keyTap->setEnabled(true);
        return;
    }
    // Only presses count: key codes and characters are never read.
    if (!event || event->type() != VLWSEventType::KeyDown || event->isARepeat())
        return;
    ++_pendingKeyPresses;
    if (std::exchange(_keyFlushScheduled, true))
        return;
    const uint64_t uptime = VLClock::shared()->nanoseconds();
    const double delay = double(kKeyFlushGridNanoseconds - uptime % kKeyFlushGridNanoseconds) / 1e9;
    VLDelayScheduler::shared()->after(delay, nullptr, [weakSelf = weak_from_this()] {
        if (std::shared_ptr<VLInputMonitor> self = weakSelf.lock())
            self->flushKeyPresses();
    });
}

void VLInputMonitor::flushKeyPresses() {
    _keyFlushScheduled = false;
    const uint64_t count = std::exchange(_pendingKeyPresses, 0);
    if (count == 0)
        return;
    const std::vector<std::shared_ptr<VLInputObserver>> observers = live(_keyObservers);
    if (observers.empty()) {
        updateKeyMonitoring();
        return;
    }
    for (const auto& observer : observers)
        observer->inputMonitorDidCountKeyPresses(count);
}
