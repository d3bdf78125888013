#include "Platform/WindowServer/VLWindowServer.h"

#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/WindowServer/VLWSOcclusion.h"
#include "Platform/WindowServer/VLWSWindow.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <set>
#include <unistd.h>

namespace {

// Guards the process's server; any thread.
std::mutex sharedServerLock;
std::shared_ptr<VLWindowServer> sharedServer;

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
    publish();
}

VLWindowServer::~VLWindowServer() = default;

std::shared_ptr<VLWindowServer> VLWindowServer::shared() {
    std::lock_guard lock(sharedServerLock);
    if (!sharedServer)
        sharedServer = std::make_shared<VLWindowServer>();
    return sharedServer;
}

void VLWindowServer::setShared(std::shared_ptr<VLWindowServer> server) {
    std::lock_guard lock(sharedServerLock);
    sharedServer = std::move(server);
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
    // Numbers are never reused in the process, not even by the fresh servers of tests.
    static std::atomic<int64_t> nextWindowNumber{1};
    _windows.push_back(window);
    return nextWindowNumber++;
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

void VLWindowServer::placeInOrder(VLWSWindow* window, bool front) {
    removeFromOrder(window);
    const int32_t level = window->level();
    // In front of the first window of its level or below; or behind the last of its level or above.
    auto position = front ? std::find_if(_order.begin(), _order.end(),
                                         [&](VLWSWindow* other) { return other->level() <= level; })
                          : std::find_if(_order.begin(), _order.end(),
                                         [&](VLWSWindow* other) { return other->level() < level; });
    _order.insert(position, window);
}

void VLWindowServer::removeFromOrder(VLWSWindow* window) {
    std::erase(_order, window);
}

std::vector<VLWSWindow*> VLWindowServer::frontToBack() const {
    std::vector<VLWSWindow*> windows;
    // A window's visible children lie just above it, the latest in front.
    auto append = [&](auto& self, VLWSWindow* window) -> void {
        for (auto child = window->_children.rbegin(); child != window->_children.rend(); ++child)
            if ((*child)->_orderedIn)
                self(self, *child);
        windows.push_back(window);
    };
    for (VLWSWindow* window : _order)
        append(append, window);
    return windows;
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
    const std::vector<VLWSWindow*> ordered = frontToBack();
    std::vector<VLWSOcclusionInput> inputs;
    for (VLWSWindow* window : ordered)
        inputs.push_back({window->frame(), window->isOpaque() && window->alphaValue() >= 1});
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
    for (VLWSWindow* window : ordered)
        describe(window, true);
    for (VLWSWindow* window : applicationWindows())
        if (std::find(ordered.begin(), ordered.end(), window) == ordered.end())
            describe(window, false);

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
    auto next = std::make_shared<const VLWSSnapshot>(_displays, std::move(online), std::move(entries));
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
