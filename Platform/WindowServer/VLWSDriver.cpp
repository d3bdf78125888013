#include "Platform/WindowServer/VLWSDriver.h"

#include "Platform/WindowServer/VLWSFileDrag.h"
#include "Platform/WindowServer/VLWSLiveResize.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWSWindowLevel.h"
#include "Platform/WindowServer/VLWindowServer.h"

#include <bit>
#include <cmath>
#include <unistd.h>
#include <utility>

namespace {

constexpr int64_t buttonLimit = 32;
constexpr double doubleClickInterval = 0.5;
constexpr double doubleClickDistance = 4;

bool isButton(int64_t button) {
    return button >= 0 && button < buttonLimit;
}

uint64_t bit(int64_t button) {
    return uint64_t(1) << button;
}

VLWSEventType pressType(int64_t button, bool down) {
    if (button == 0)
        return down ? VLWSEventType::LeftMouseDown : VLWSEventType::LeftMouseUp;
    if (button == 1)
        return down ? VLWSEventType::RightMouseDown : VLWSEventType::RightMouseUp;
    return down ? VLWSEventType::OtherMouseDown : VLWSEventType::OtherMouseUp;
}

VLWSEventType dragType(int64_t button) {
    if (button == 0)
        return VLWSEventType::LeftMouseDragged;
    return button == 1 ? VLWSEventType::RightMouseDragged : VLWSEventType::OtherMouseDragged;
}

} // namespace

VLWSDriver::VLWSDriver(VLWindowServer& server) : _server(server) {}

VLWSDriver::~VLWSDriver() = default;

// Events

std::optional<VLWSEvent> VLWSDriver::make(VLWSEventType type, int64_t button, int64_t clickCount,
                                          float pressure, double dx, double dy, double dz) {
    const VLWSInputState& input = _server.inputState();
    return VLWSEvent::mouseEvent({
        .type = type,
        .location = input.mouseLocation(),
        .modifierFlags = input.modifierFlags(),
        .timestamp = _server.clock().now(),
        .eventNumber = ++_eventNumber,
        .clickCount = clickCount,
        .pressure = pressure,
        .buttonNumber = button,
        .deltaX = dx,
        .deltaY = dy,
        .deltaZ = dz,
    });
}

void VLWSDriver::post(VLWSEventType type, int64_t button, int64_t clickCount, float pressure, double dx,
                      double dy, double dz) {
    if (auto event = make(type, button, clickCount, pressure, dx, dy, dz))
        _server.router().route(*event);
}

void VLWSDriver::setButtons(uint64_t buttons) {
    _server.mutableInputState().setPressedMouseButtons(buttons);
}

// Pointer and buttons

void VLWSDriver::moveMouse(VLPoint location) {
    if (!location.isFinite())
        return;
    if (_fileDrag) {
        dragTo(location);
        return;
    }
    _server.mutableInputState().setMouseLocation(location, _server.primaryHeight());
    const uint64_t buttons = _server.inputState().pressedMouseButtons();
    if (buttons == 0) {
        post(VLWSEventType::MouseMoved, 0, 0, 0);
        return;
    }
    const int64_t lowest = std::countr_zero(buttons);
    post(dragType(lowest), lowest, 0, lowest == 0 ? 1 : 0);
}

int64_t VLWSDriver::countClicks(int64_t button) {
    const double now = _server.clock().now();
    const VLPoint location = _server.inputState().mouseLocation();
    const bool again = _lastPress.button == button && now - _lastPress.time <= doubleClickInterval &&
                       std::hypot(location.x - _lastPress.location.x, location.y - _lastPress.location.y) <=
                           doubleClickDistance;
    _lastPress = {button, now, location, again ? _lastPress.clickCount + 1 : 1};
    return _lastPress.clickCount;
}

void VLWSDriver::mouseDown(int64_t button, int64_t clickCount) {
    const uint64_t buttons = _server.inputState().pressedMouseButtons();
    if (!isButton(button) || (buttons & bit(button)) || _fileDrag || clickCount < 0)
        return;
    const int64_t counted = countClicks(button);
    if (clickCount > 0)
        _lastPress.clickCount = clickCount;
    setButtons(buttons | bit(button));
    post(pressType(button, true), button, clickCount > 0 ? clickCount : counted, 1);
}

void VLWSDriver::mouseUp(int64_t button, int64_t clickCount) {
    const uint64_t buttons = _server.inputState().pressedMouseButtons();
    if (!isButton(button) || !(buttons & bit(button)) || _fileDrag || clickCount < 0)
        return;
    setButtons(buttons & ~bit(button));
    const int64_t count =
        clickCount > 0 ? clickCount : (_lastPress.button == button ? _lastPress.clickCount : 1);
    post(pressType(button, false), button, count, 0);
}

void VLWSDriver::click(VLPoint location, int64_t button, int64_t clickCount) {
    if (!location.isFinite() || !isButton(button))
        return;
    moveMouse(location);
    mouseDown(button, clickCount);
    mouseUp(button, clickCount);
}

void VLWSDriver::drag(VLPoint from, VLPoint to, int steps, int64_t button) {
    if (!from.isFinite() || !to.isFinite() || !isButton(button) || steps < 1)
        return;
    moveMouse(from);
    mouseDown(button);
    for (int i = 1; i <= steps; ++i) {
        const double t = double(i) / steps;
        moveMouse({from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t});
    }
    mouseUp(button);
}

void VLWSDriver::scroll(double deltaX, double deltaY, double deltaZ) {
    if (!std::isfinite(deltaX) || !std::isfinite(deltaY) || !std::isfinite(deltaZ))
        return;
    post(VLWSEventType::ScrollWheel, 0, 0, 0, deltaX, deltaY, deltaZ);
}

void VLWSDriver::setModifierFlags(uint64_t flags) {
    _server.mutableInputState().setModifierFlags(flags);
}

// Keys

void VLWSDriver::postKey(VLWSEventType type, uint16_t keyCode, std::string characters, uint64_t modifiers,
                         bool isARepeat) {
    VLWSInputState& input = _server.mutableInputState();
    const uint64_t held = input.modifierFlags();
    input.setModifierFlags(held | modifiers);
    auto event = VLWSEvent::keyEvent({
        .type = type,
        .location = input.mouseLocation(),
        .modifierFlags = held | modifiers,
        .timestamp = _server.clock().now(),
        .characters = std::move(characters),
        .isARepeat = isARepeat,
        .keyCode = keyCode,
    });
    if (event)
        _server.router().route(*event);
    input.setModifierFlags(held);
}

void VLWSDriver::keyDown(uint16_t keyCode, std::string characters, uint64_t modifiers, bool isARepeat) {
    postKey(VLWSEventType::KeyDown, keyCode, std::move(characters), modifiers, isARepeat);
}

void VLWSDriver::keyUp(uint16_t keyCode, std::string characters, uint64_t modifiers) {
    postKey(VLWSEventType::KeyUp, keyCode, std::move(characters), modifiers, false);
}

void VLWSDriver::typeKey(uint16_t keyCode, std::string characters, uint64_t modifiers) {
    keyDown(keyCode, characters, modifiers);
    keyUp(keyCode, std::move(characters), modifiers);
}

void VLWSDriver::setListenAccess(VLWSListenAccess access) {
    _server.keyTaps().setAccess(access);
}

void VLWSDriver::setKeyTapCreationFails(bool fails) {
    _server.keyTaps().setCreationFails(fails);
}

void VLWSDriver::timeOutKeyTaps() {
    _server.keyTaps().timeOut();
}

// User actions

bool VLWSDriver::userResize(const std::shared_ptr<VLWSWindow>& window, const std::vector<VLRect>& frames) {
    if (!window || _fileDrag)
        return false;
    const uint64_t buttons = _server.inputState().pressedMouseButtons();
    setButtons(buttons | 1);
    const bool resized = VLWSLiveResize::resize(*window, frames);
    setButtons(buttons);
    return resized;
}

bool VLWSDriver::tile(const std::shared_ptr<VLWSWindow>& window, VLRect frame) {
    return window && VLWSLiveResize::resize(*window, {frame});
}

bool VLWSDriver::zoom(const std::shared_ptr<VLWSWindow>& window) {
    return window && VLWSLiveResize::zoom(*window);
}

bool VLWSDriver::toggleFullScreen(const std::shared_ptr<VLWSWindow>& window, bool succeeds) {
    return window && VLWSLiveResize::toggleFullScreen(*window, succeeds);
}

void VLWSDriver::deactivate() {
    _server.deactivate();
}

void VLWSDriver::setReduceMotion(bool reduceMotion) {
    _server.mutableWorkspace().setReduceMotion(reduceMotion);
}

void VLWSDriver::setAppearance(VLWSAppearance::Name appearance) {
    _server.appearance().setAppearance(appearance);
}

void VLWSDriver::sleep() {
    _server.mutableWorkspace().willSleep();
}

void VLWSDriver::wake() {
    _server.mutableWorkspace().didWake();
}

// File drags

int64_t VLWSDriver::beginFileDrag(std::vector<std::string> paths, uint64_t sourceOperationMask) {
    if (_fileDrag)
        std::exchange(_fileDrag, nullptr)->cancel();
    setButtons(_server.inputState().pressedMouseButtons() | 1);
    _fileDrag =
        std::make_unique<VLWSFileDrag>(_server, std::move(paths), sourceOperationMask, ++_fileDragSequence);
    return _fileDragSequence;
}

void VLWSDriver::dragTo(VLPoint location) {
    if (!_fileDrag || !location.isFinite())
        return;
    _server.mutableInputState().setMouseLocation(location, _server.primaryHeight());
    if (auto event = make(VLWSEventType::LeftMouseDragged, 0, 0, 1, 0, 0, 0))
        _server.router().routeElsewhere(*event);
    _fileDrag->moveTo(location);
}

void VLWSDriver::drop() {
    if (!_fileDrag)
        return;
    auto drag = std::move(_fileDrag);
    drag->drop();
    setButtons(_server.inputState().pressedMouseButtons() & ~uint64_t(1));
    if (auto event = make(VLWSEventType::LeftMouseUp, 0, 1, 0, 0, 0, 0))
        _server.router().routeElsewhere(*event);
}

// Other applications

bool VLWSDriver::launchApplication(VLWSRunningApplication application) {
    application.isHidden = false;
    return _server.mutableWorkspace().launch(std::move(application));
}

bool VLWSDriver::terminateApplication(pid_t processIdentifier) {
    if (!_server.mutableWorkspace().terminate(processIdentifier))
        return false;
    _server.removeForeignWindowsOf(processIdentifier);
    return true;
}

bool VLWSDriver::activateApplication(pid_t processIdentifier) {
    if (processIdentifier == getpid()) {
        _server.activate();
        return true;
    }
    if (!_server.workspace().application(processIdentifier))
        return false;
    _server.deactivate();
    return _server.mutableWorkspace().activate(processIdentifier);
}

bool VLWSDriver::hideApplication(pid_t processIdentifier) {
    if (!_server.mutableWorkspace().setHidden(processIdentifier, true))
        return false;
    _server.windowsChanged();
    return true;
}

bool VLWSDriver::unhideApplication(pid_t processIdentifier) {
    if (!_server.mutableWorkspace().setHidden(processIdentifier, false))
        return false;
    _server.windowsChanged();
    return true;
}

void VLWSDriver::changeSpace() {
    _server.mutableWorkspace().changeSpace();
}

int64_t VLWSDriver::addWindow(VLWSForeignWindow window) {
    return _server.addForeignWindow(std::move(window));
}

bool VLWSDriver::setWindow(const VLWSForeignWindow& window) {
    return _server.setForeignWindow(window);
}

bool VLWSDriver::removeWindow(int64_t number) {
    return _server.removeForeignWindow(number);
}

std::vector<int64_t> VLWSDriver::addDesktop(pid_t processIdentifier) {
    std::vector<int64_t> numbers;
    const auto application = _server.workspace().application(processIdentifier);
    if (!application)
        return numbers;
    // Held: each window added publishes a new snapshot.
    const auto snapshot = _server.snapshot();
    for (const auto& screen : snapshot->screens()) {
        for (int32_t level : {VLWSDesktopWindowLevel, VLWSDesktopIconWindowLevel})
            numbers.push_back(addWindow({.ownerPID = processIdentifier,
                                         .ownerName = application->localizedName,
                                         .name = level == VLWSDesktopWindowLevel ? "Desktop" : "",
                                         .level = level,
                                         .frame = screen.frame,
                                         .isOpaque = level == VLWSDesktopWindowLevel}));
    }
    return numbers;
}
