#include "Platform/WindowServer/VLWindowServer.h"

#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/WindowServer/VLWSAppearancePortal.h"
#include "Platform/WindowServer/VLWSDriver.h"
#include "Platform/WindowServer/VLWSEvent.h"
#include "Platform/WindowServer/VLWSGeometry.h"
#include "Platform/WindowServer/VLWSOcclusion.h"
#include "Platform/WindowServer/VLWSSleepWatcher.h"
#include "Platform/WindowServer/VLWSWindow.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <set>
#include <unistd.h>
#include <utility>

namespace {

// Guards the process's server; any thread.
std::mutex sharedServerLock;
std::shared_ptr<VLWindowServer> sharedServer;

// Numbers are never reused in the process, not even by the fresh servers of tests, and other processes'
// windows draw from the same supply.
int64_t nextWindowNumber() {
    static std::atomic<int64_t> next{1};
    return next++;
}

bool areValidScreens(const std::vector<VLWSScreen>& screens) {
    std::set<uint32_t> ids;
    int mains = 0;
    for (const auto& screen : screens) {
        if (!screen.isValid() || !ids.insert(screen.displayID).second)
            return false;
        mains += screen.isMain;
    }
    for (const auto& screen : screens)
        if (screen.mirrorOf != 0 && (screen.mirrorOf == screen.displayID || !ids.count(screen.mirrorOf)))
            return false;
    return mains <= 1;
}

} // namespace

VLWindowServer::VLWindowServer() : _displays{VLWSScreen::defaultScreen()} {
    // Readers on other threads learn the applications and the frontmost one before the notification.
    _workspace.setChangeHandler([this] { publish(); });
    publish();
}

VLWindowServer::~VLWindowServer() = default;

std::shared_ptr<VLWindowServer> VLWindowServer::shared() {
    std::lock_guard lock(sharedServerLock);
    if (!sharedServer) {
        sharedServer = std::make_shared<VLWindowServer>();
        sharedServer->watchSystemSleep();
    }
    return sharedServer;
}

void VLWindowServer::setShared(std::shared_ptr<VLWindowServer> server) {
    std::lock_guard lock(sharedServerLock);
    sharedServer = std::move(server);
}

void VLWindowServer::watchSystemSleep() {
    VLMainQueue::async([weakServer = weak_from_this()] {
        std::shared_ptr<VLWindowServer> server = weakServer.lock();
        if (!server)
            return;
        server->_sleepWatcher = VLWSSleepWatcher::start([weakServer](bool sleeping) {
            if (std::shared_ptr<VLWindowServer> server = weakServer.lock())
                sleeping ? server->_workspace.willSleep() : server->_workspace.didWake();
        });
        // Without a session bus GIO would launch one of its own: a headless machine has no desktop.
        const char* sessionBus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
        server->_appearancePortal =
            VLWSAppearancePortal::start(sessionBus ? sessionBus : "", [weakServer](bool dark) {
                if (std::shared_ptr<VLWindowServer> server = weakServer.lock())
                    server->_appearance.setAppearance(dark ? VLWSAppearance::Name::DarkAqua
                                                           : VLWSAppearance::Name::Aqua);
            });
    });
}

// Screens

bool VLWindowServer::setScreens(std::vector<VLWSScreen> screens) {
    if (!areValidScreens(screens))
        return false;
    auto main =
        std::find_if(screens.begin(), screens.end(), [](const VLWSScreen& screen) { return screen.isMain; });
    if (main == screens.end() && !screens.empty())
        (main = screens.begin())->isMain = true;
    if (main != screens.end())
        std::rotate(screens.begin(), main, main + 1);
    if (screens == _displays)
        return true;
    _displays = std::move(screens);
    publish();
    VLMainQueue::async([weak = weak_from_this()] {
        if (auto server = weak.lock())
            server->screensChanged();
    });
    scheduleOcclusionUpdate();
    return true;
}

void VLWindowServer::screensChanged() {
    VLNotificationCenter::defaultCenter().post(VLScreenParametersDidChangeNotification,
                                               static_cast<const VLDisplayProvider*>(this));
    for (const auto& window : VLWSWindow::held(_windows))
        window->updateScreen();
}

void VLWindowServer::setOnlineDisplayOrder(std::optional<std::vector<uint32_t>> displayIDs) {
    _onlineOrder = std::move(displayIDs);
    publish();
}

void VLWindowServer::setOnlineDisplayListFails(bool fails) {
    _onlineListFails = fails;
    publish();
}

std::optional<VLWSScreen> VLWindowServer::screenForFrame(const VLRect& frame) const {
    std::optional<VLWSScreen> best;
    double bestArea = 0;
    const auto current = snapshot();
    for (const auto& screen : current->screens()) {
        const VLRect common = screen.frame.intersection(frame);
        const double area = common.width() * common.height();
        if (area > bestArea) {
            best = screen;
            bestArea = area;
        }
    }
    return best;
}

double VLWindowServer::primaryScale() const {
    auto current = snapshot();
    return current->screens().empty() ? 1 : current->screens().front().backingScaleFactor;
}

// The application's windows

int64_t VLWindowServer::addWindow(VLWSWindow* window) {
    _windows.push_back(window);
    return nextWindowNumber();
}

void VLWindowServer::removeWindow(VLWSWindow* window) {
    std::erase(_windows, window);
    removeFromOrder(window);
    if (_keyWindow == window)
        _keyWindow = nullptr;
    if (_mainWindow == window)
        _mainWindow = nullptr;
}

std::vector<VLWSWindow*> VLWindowServer::applicationWindows() const {
    std::vector<VLWSWindow*> windows;
    std::copy_if(_windows.begin(), _windows.end(), std::back_inserter(windows),
                 [](VLWSWindow* window) { return !window->_released; });
    return windows;
}

std::vector<std::shared_ptr<VLWSWindow>> VLWindowServer::windows() const {
    return VLWSWindow::held(applicationWindows());
}

std::vector<std::shared_ptr<VLWSWindow>> VLWindowServer::orderedWindows() const {
    return VLWSWindow::held(frontToBack());
}

std::shared_ptr<VLWSWindow> VLWindowServer::windowWithNumber(int64_t windowNumber) const {
    auto found = std::find_if(_windows.begin(), _windows.end(), [&](VLWSWindow* window) {
        return window->windowNumber() == windowNumber && !window->_released;
    });
    return found == _windows.end() ? nullptr : VLWSWindow::held(*found);
}

std::shared_ptr<VLWSWindow> VLWindowServer::keyWindow() const {
    return VLWSWindow::held(_keyWindow);
}

std::shared_ptr<VLWSWindow> VLWindowServer::mainWindow() const {
    return VLWSWindow::held(_mainWindow);
}

// Z-order

int32_t VLWindowServer::Stacked::level() const {
    return window ? window->level() : foreign->level;
}

VLRect VLWindowServer::Stacked::frame() const {
    return window ? window->frame() : foreign->frame;
}

void VLWindowServer::placeInOrder(VLWSWindow* window, bool front) {
    removeFromOrder(window);
    const int32_t level = window->level();
    // In front of the first window of its level or below; or behind the last of its level or above.
    auto position = front ? std::find_if(_order.begin(), _order.end(),
                                         [&](const Stacked& other) { return other.level() <= level; })
                          : std::find_if(_order.begin(), _order.end(),
                                         [&](const Stacked& other) { return other.level() < level; });
    _order.insert(position, Stacked{window, nullptr});
}

void VLWindowServer::removeFromOrder(VLWSWindow* window) {
    std::erase_if(_order, [&](const Stacked& entry) { return entry.window == window; });
}

std::vector<VLWSWindow*> VLWindowServer::frontToBack() const {
    std::vector<VLWSWindow*> windows;
    for (const Stacked& entry : stack())
        if (entry.window)
            windows.push_back(entry.window);
    return windows;
}

std::vector<VLWindowServer::Stacked> VLWindowServer::stack() const {
    std::vector<Stacked> stacked;
    // A window's visible children lie just above it, the latest in front.
    auto append = [&](auto& self, VLWSWindow* window) -> void {
        for (auto child = window->_children.rbegin(); child != window->_children.rend(); ++child)
            if ((*child)->_orderedIn)
                self(self, *child);
        stacked.push_back({window, nullptr});
    };
    for (const Stacked& entry : _order) {
        if (entry.window)
            append(append, entry.window);
        else if (!_workspace.isHidden(entry.foreign->ownerPID))
            stacked.push_back(entry);
    }
    return stacked;
}

VLWindowServer::MouseTarget VLWindowServer::mouseTargetAt(VLPoint screenLocation) const {
    if (!screenLocation.isFinite())
        return {};
    for (const Stacked& entry : stack()) {
        if (!VLMouseInRect(screenLocation, entry.frame(), false))
            continue;
        if (entry.foreign)
            return {nullptr, entry.foreign->number};
        if (!entry.window->ignoresMouseEvents())
            return {VLWSWindow::held(entry.window), 0};
    }
    return {};
}

// Other processes' windows

std::vector<VLWSForeignWindow> VLWindowServer::foreignWindows() const {
    std::vector<VLWSForeignWindow> windows;
    for (const Stacked& entry : _order)
        if (entry.foreign)
            windows.push_back(*entry.foreign);
    return windows;
}

int64_t VLWindowServer::addForeignWindow(VLWSForeignWindow window) {
    if (!VLWSIsValidFrame(window.frame) || std::isnan(window.alpha))
        return 0;
    window.number = nextWindowNumber();
    window.alpha = std::clamp(window.alpha, 0.0, 1.0);
    insertForeignWindow(std::make_shared<const VLWSForeignWindow>(window));
    windowsChanged();
    return window.number;
}

void VLWindowServer::insertForeignWindow(std::shared_ptr<const VLWSForeignWindow> window) {
    const int32_t level = window->level;
    auto position = std::find_if(_order.begin(), _order.end(),
                                 [&](const Stacked& other) { return other.level() <= level; });
    _order.insert(position, Stacked{nullptr, std::move(window)});
}

bool VLWindowServer::setForeignWindow(const VLWSForeignWindow& window) {
    auto found = std::find_if(_order.begin(), _order.end(), [&](const Stacked& entry) {
        return entry.foreign && entry.foreign->number == window.number;
    });
    if (found == _order.end() || !VLWSIsValidFrame(window.frame) || std::isnan(window.alpha))
        return false;
    auto changed = std::make_shared<VLWSForeignWindow>(window);
    changed->alpha = std::clamp(window.alpha, 0.0, 1.0);
    if (found->foreign->level == window.level) {
        found->foreign = std::move(changed);
    } else {
        _order.erase(found);
        insertForeignWindow(std::move(changed));
    }
    windowsChanged();
    return true;
}

bool VLWindowServer::removeForeignWindow(int64_t number) {
    const size_t removed = std::erase_if(
        _order, [&](const Stacked& entry) { return entry.foreign && entry.foreign->number == number; });
    if (removed)
        windowsChanged();
    return removed;
}

void VLWindowServer::removeForeignWindowsOf(pid_t processIdentifier) {
    if (std::erase_if(_order, [&](const Stacked& entry) {
            return entry.foreign && entry.foreign->ownerPID == processIdentifier;
        }))
        windowsChanged();
}

// Activation and events

void VLWindowServer::activate() {
    _workspace.activate(getpid());
    if (_isActive)
        return;
    _isActive = true;
    for (const auto& weak : std::exchange(_hiddenAtDeactivation, {}))
        if (auto window = weak.lock())
            window->orderFront();
    auto key = std::exchange(_keyBeforeDeactivation, {}).lock();
    auto main = std::exchange(_mainBeforeDeactivation, {}).lock();
    if (main)
        main->makeMainWindow();
    if (key)
        key->makeKeyWindow();
}

void VLWindowServer::deactivate() {
    if (!_isActive)
        return;
    _isActive = false;
    _keyBeforeDeactivation = keyWindow();
    _mainBeforeDeactivation = mainWindow();
    setKeyWindow(nullptr);
    setMainWindow(nullptr);
    for (VLWSWindow* window : frontToBack()) {
        if (!window->hidesOnDeactivate() || window->_parent)
            continue;
        _hiddenAtDeactivation.push_back(window->weak_from_this());
        window->orderOut();
    }
}

void VLWindowServer::sendEvent(const VLWSEvent& event) {
    if (auto window = event.windowNumber() > 0 ? windowWithNumber(event.windowNumber()) : nullptr)
        window->sendEvent(event);
}

VLWSDriver& VLWindowServer::driver() {
    if (!_driver)
        _driver = std::make_unique<VLWSDriver>(*this);
    return *_driver;
}

double VLWindowServer::primaryHeight() const {
    auto current = snapshot();
    return current->screens().empty() ? 0 : current->screens().front().frame.maxY();
}

// Key and main

void VLWindowServer::setKeyWindow(VLWSWindow* window) {
    handOver(_keyWindow, window, &VLWSWindowDelegate::windowDidResignKey,
             &VLWSWindowDelegate::windowDidBecomeKey);
}

void VLWindowServer::setMainWindow(VLWSWindow* window) {
    handOver(_mainWindow, window, &VLWSWindowDelegate::windowDidResignMain,
             &VLWSWindowDelegate::windowDidBecomeMain);
}

void VLWindowServer::handOver(VLWSWindow*& holder, VLWSWindow* window, VLWSWindow::Report resign,
                              VLWSWindow::Report become) {
    if (window == holder)
        return;
    auto former = VLWSWindow::held(holder);
    auto next = VLWSWindow::held(window);
    holder = window;
    if (former)
        former->report(resign, nullptr);
    if (next)
        next->report(become, nullptr);
}

void VLWindowServer::windowsChanged() {
    publish();
    scheduleOcclusionUpdate();
    if (_keyWindow && !_keyWindow->isVisible())
        setKeyWindow(nullptr);
    if (_mainWindow && !_mainWindow->isVisible())
        setMainWindow(nullptr);
}

// Occlusion

void VLWindowServer::scheduleOcclusionUpdate() {
    if (_occlusionScheduled)
        return;
    _occlusionScheduled = true;
    VLMainQueue::async([weak = weak_from_this()] {
        if (auto server = weak.lock())
            server->updateOcclusion();
    });
}

void VLWindowServer::updateOcclusion() {
    _occlusionScheduled = false;
    const std::vector<Stacked> stacked = stack();
    std::vector<VLWSWindow*> ordered;
    std::vector<VLWSOcclusionInput> inputs;
    for (const Stacked& entry : stacked) {
        ordered.push_back(entry.window);
        if (entry.window)
            inputs.push_back({entry.frame(), entry.window->isOpaque() && entry.window->alphaValue() >= 1});
        else
            inputs.push_back({entry.frame(), entry.foreign->isOpaque && entry.foreign->alpha >= 1});
    }
    std::vector<VLRect> screens;
    const auto current = snapshot();
    for (const auto& screen : current->screens())
        screens.push_back(screen.frame);
    const std::vector<bool> visible = VLWSVisibleWindows(inputs, screens);

    std::vector<std::shared_ptr<VLWSWindow>> changed;
    for (VLWSWindow* window : _windows) {
        auto position = std::find(ordered.begin(), ordered.end(), window);
        const bool seen = position != ordered.end() && visible[size_t(position - ordered.begin())];
        const uint64_t state =
            window->_occlusionOverride.value_or(seen ? VLWSWindowOcclusionStateVisible : 0);
        if (state == window->_occlusionState)
            continue;
        window->_occlusionState = state;
        if (auto held = VLWSWindow::held(window))
            changed.push_back(std::move(held));
    }
    for (const auto& window : changed)
        window->report(&VLWSWindowDelegate::windowDidChangeOcclusionState,
                       VLWSWindowDidChangeOcclusionStateNotification);
}

// Read-outs

void VLWindowServer::publish() {
    std::vector<VLWSWindowListEntry> entries;
    const std::vector<VLWSWindow*> ordered = frontToBack();
    auto describe = [&](VLWSWindow* window, bool onScreen) {
        entries.push_back({window->windowNumber(), window->level(), getpid(), program_invocation_short_name,
                           window->title(), window->frame(), window->alphaValue(), onScreen});
    };
    auto describeForeign = [&](const VLWSForeignWindow& window, bool onScreen) {
        entries.push_back({window.number, window.level, window.ownerPID, window.ownerName, window.name,
                           window.frame, window.alpha, onScreen});
    };
    for (const Stacked& entry : stack()) {
        if (entry.window)
            describe(entry.window, true);
        else
            describeForeign(*entry.foreign, true);
    }
    for (VLWSWindow* window : applicationWindows())
        if (std::find(ordered.begin(), ordered.end(), window) == ordered.end())
            describe(window, false);
    for (const Stacked& entry : _order)
        if (entry.foreign && _workspace.isHidden(entry.foreign->ownerPID))
            describeForeign(*entry.foreign, false);

    std::optional<std::vector<uint32_t>> online;
    if (!_onlineListFails) {
        online.emplace();
        for (const auto& display : _displays)
            if (display.isOnline)
                online->push_back(display.displayID);
        if (_onlineOrder) {
            std::vector<uint32_t> known = std::move(*online);
            online.emplace();
            std::copy_if(
                _onlineOrder->begin(), _onlineOrder->end(), std::back_inserter(*online),
                [&](uint32_t id) { return std::find(known.begin(), known.end(), id) != known.end(); });
        }
    }
    const auto frontmost = _workspace.frontmostApplication();
    auto next = std::make_shared<const VLWSSnapshot>(_displays, std::move(online), std::move(entries),
                                                     _workspace.runningApplications(),
                                                     frontmost ? frontmost->processIdentifier : 0);
    std::lock_guard lock(_snapshotLock);
    _snapshot = std::move(next);
}

std::shared_ptr<const VLWSSnapshot> VLWindowServer::snapshot() const {
    std::lock_guard lock(_snapshotLock);
    return _snapshot;
}

uint32_t VLWindowServer::mainDisplayID() const {
    return snapshot()->mainDisplayID();
}

bool VLWindowServer::hasDisplay(uint32_t displayID) const {
    return snapshot()->display(displayID) != nullptr;
}

bool VLWindowServer::isAsleep(uint32_t displayID) const {
    const auto current = snapshot();
    const VLWSScreen* display = current->display(displayID);
    return display && display->isAsleep;
}

double VLWindowServer::statedRefreshRate(uint32_t displayID) const {
    const auto current = snapshot();
    const VLWSScreen* display = current->display(displayID);
    return display ? display->refreshRate : 0;
}
