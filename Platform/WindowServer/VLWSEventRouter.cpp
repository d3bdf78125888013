#include "Platform/WindowServer/VLWSEventRouter.h"

#include "Platform/WindowServer/VLWSEventMonitor.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWindowServer.h"

#include <algorithm>
#include <utility>

std::shared_ptr<VLWSEventMonitor> VLWSEventRouter::addMonitor(std::shared_ptr<VLWSEventMonitor> monitor) {
    _monitors.push_back(monitor);
    return monitor;
}

void VLWSEventRouter::removeMonitor(const std::shared_ptr<VLWSEventMonitor>& monitor) {
    std::erase(_monitors, monitor);
}

bool VLWSEventRouter::isMonitoring(const VLWSEventMonitor* monitor) const {
    return std::any_of(_monitors.begin(), _monitors.end(),
                       [&](const auto& held) { return held.get() == monitor; });
}

std::vector<std::shared_ptr<VLWSEventMonitor>> VLWSEventRouter::monitors(bool local) const {
    std::vector<std::shared_ptr<VLWSEventMonitor>> kind;
    std::copy_if(_monitors.begin(), _monitors.end(), std::back_inserter(kind),
                 [&](const auto& monitor) { return monitor->isLocal() == local; });
    return kind;
}

void VLWSEventRouter::route(const VLWSEvent& event) {
    if (event.isKey()) {
        _server.keyTaps().deliver(event);
        routeKey(event);
    } else {
        routeMouse(event);
    }
}

void VLWSEventRouter::routeElsewhere(const VLWSEvent& event) {
    const VLPoint location = event.locationInWindow();
    deliverGlobally(event.relocated(location, _server.mouseTargetAt(location).foreignNumber));
}

void VLWSEventRouter::routeMouse(const VLWSEvent& event) {
    const VLPoint location = event.locationInWindow();
    const VLWindowServer::MouseTarget under = _server.mouseTargetAt(location);
    const uint64_t buttons = _server.inputState().pressedMouseButtons();

    std::shared_ptr<VLWSWindow> window = under.window;
    const bool followsPress = event.isMouseDragged() || event.isMouseUp();
    if (followsPress && (_pressedWindow.lock() || _pressWentElsewhere))
        window = _pressedWindow.lock();
    if (event.isMouseDown() &&
        (buttons & ~(uint64_t(1) << std::min<int64_t>(event.buttonNumber(), 63))) == 0) {
        _pressedWindow = window;
        _pressWentElsewhere = !window;
    }

    if (event.type() == VLWSEventType::LeftMouseDragged)
        stepWindowDrag();
    if (event.type() == VLWSEventType::MouseMoved || event.isMouseDragged())
        updateTracking(_server.mouseTargetAt(location).window, location,
                       event.type() == VLWSEventType::MouseMoved, event);

    if (window)
        deliverLocally(event.relocated(window->convertPointFromScreen(location), window->windowNumber()));
    else
        deliverGlobally(event.relocated(location, under.foreignNumber));

    if (event.isMouseUp() && buttons == 0) {
        _pressedWindow.reset();
        _pressWentElsewhere = false;
    }
    if (event.type() == VLWSEventType::LeftMouseUp)
        _windowDrag = {};
}

void VLWSEventRouter::routeKey(const VLWSEvent& event) {
    const VLPoint pointer = _server.inputState().mouseLocation();
    if (auto key = _server.keyWindow())
        deliverLocally(event.relocated(key->convertPointFromScreen(pointer), key->windowNumber()));
    else
        deliverGlobally(event.relocated(pointer, 0));
}

void VLWSEventRouter::updateTracking(const std::shared_ptr<VLWSWindow>& window, VLPoint screenLocation,
                                     bool moved, const VLWSEvent& cause) {
    for (const auto& crossing : _tracking.update(window, screenLocation, moved)) {
        auto event = VLWSEvent::mouseEvent({
            .type = crossing.type,
            .location = crossing.window->convertPointFromScreen(screenLocation),
            .modifierFlags = cause.modifierFlags(),
            .timestamp = cause.timestamp(),
            .windowNumber = crossing.window->windowNumber(),
            .eventNumber = cause.eventNumber(),
            .trackingArea = crossing.area,
        });
        deliverLocally(*event);
    }
}

void VLWSEventRouter::startWindowDrag(VLWSWindow& window) {
    if (!(_server.inputState().pressedMouseButtons() & 1))
        return;
    if (_windowDrag.window.lock().get() == &window)
        return;
    _windowDrag = {window.weak_from_this(), _server.inputState().mouseLocation(), window.frame().origin,
                   false};
}

void VLWSEventRouter::stepWindowDrag() {
    auto window = _windowDrag.window.lock();
    if (!window)
        return;
    const VLPoint pointer = _server.inputState().mouseLocation();
    const VLPoint origin{_windowDrag.startOrigin.x + pointer.x - _windowDrag.startPointer.x,
                         _windowDrag.startOrigin.y + pointer.y - _windowDrag.startPointer.y};
    if (origin == window->frame().origin)
        return;
    if (!std::exchange(_windowDrag.moved, true))
        window->report(&VLWSWindowDelegate::windowWillMove, VLWSWindowWillMoveNotification);
    window->setFrameOrigin(origin);
}

void VLWSEventRouter::deliverLocally(const VLWSEvent& event) {
    std::optional<VLWSEvent> current = event;
    for (const auto& monitor : monitors(true)) {
        if (!isMonitoring(monitor.get()) || !monitor->matches(*current))
            continue;
        current = monitor->handleLocal(*current);
        if (!current)
            return;
    }
    if (current->type() == VLWSEventType::MouseMoved && !current->trackingArea()) {
        auto window = _server.windowWithNumber(current->windowNumber());
        if (!window || !window->acceptsMouseMovedEvents())
            return;
    }
    _server.sendEvent(*current);
}

void VLWSEventRouter::deliverGlobally(const VLWSEvent& event) {
    for (const auto& monitor : monitors(false))
        if (isMonitoring(monitor.get()) && monitor->matches(event))
            monitor->handleGlobal(event);
}
