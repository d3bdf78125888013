#include "Modules/Window/Window/VLNSWindow.h"

#include "Core/Engine/Support/VLDOMMouseButton.h"
#include "Modules/Window/Window/VLDesktopWindowNumberCache.h"
#include "Platform/WindowServer/VLWindowServer.h"

namespace {

// Presses and releases of the left button, and pointer moves.
constexpr uint64_t desktopForwardingMask = VLWSEventMaskFromType(VLWSEventType::LeftMouseDown) |
                                           VLWSEventMaskFromType(VLWSEventType::LeftMouseUp) |
                                           VLWSEventMaskFromType(VLWSEventType::MouseMoved);

} // namespace

VLNSWindow::VLNSWindow(VLRect contentRect, uint64_t styleMask) : VLNSWindowCommon(contentRect, styleMask) {}

VLNSWindow::~VLNSWindow() {
    removeDesktopMonitors();
}

bool VLNSWindow::canBecomeKeyWindow() const {
    return level() == VLNSWindowWidgetLevel || VLNSWindowCommon::canBecomeKeyWindow();
}

bool VLNSWindow::canBecomeMainWindow() const {
    return level() == VLNSWindowWidgetLevel || VLNSWindowCommon::canBecomeMainWindow();
}

void VLNSWindow::setMouseEventDelegate(std::weak_ptr<VLNSWindowMouseEventDelegate> delegate) {
    _mouseEventDelegate = std::move(delegate);
    setAcceptsMouseMovedEvents(_mouseEventDelegate.lock() != nullptr);
    removeDesktopMonitors();
    if (!acceptsMouseMovedEvents())
        return;
    // The monitors hold the window weakly: it removes them when it goes.
    std::weak_ptr<VLWSWindow> weak = weak_from_this();
    auto forward = [weak](const VLWSEvent& event) {
        if (auto window = weak.lock())
            static_cast<VLNSWindow&>(*window)._forwardDesktopMouseEvent(event);
    };
    _globalMonitor = VLWSEvent::addGlobalMonitorForEventsMatchingMask(desktopForwardingMask, forward);
    _localMonitor = VLWSEvent::addLocalMonitorForEventsMatchingMask(
        desktopForwardingMask, [forward](const VLWSEvent& event) -> std::optional<VLWSEvent> {
            forward(event);
            return event;
        });
}

void VLNSWindow::removeDesktopMonitors() {
    // Monitors that went with their window server need no removing.
    for (auto* monitor : {&_globalMonitor, &_localMonitor})
        if (auto held = std::exchange(*monitor, {}).lock())
            VLWSEvent::removeMonitor(held);
}

void VLNSWindow::mouseMoved(const VLWSEvent& event) {
    VLNSWindowCommon::mouseMoved(event);
    auto delegate = _mouseEventDelegate.lock();
    if (!delegate)
        return;
    const VLPoint location = VLNSWindowLocationInContentView(*this, event.locationInWindow());
    VLDictionary payload{{"x", location.x}, {"y", location.y}};
    VLNSWindowAddModifierKeys(payload, event.modifierFlags());
    payload.set("button", 0);
    payload.set("buttons", VLDOMMouseButtons(VLWSEvent::pressedMouseButtons()));
    delegate->nswindowDidReceiveMouseEventWithType(*this, "mousemove", payload);
}

void VLNSWindow::_forwardDesktopMouseEvent(const VLWSEvent& event) {
    const int64_t number = event.windowNumber();
    auto application = VLWindowServer::shared();
    if (!isVisible() || number <= 0 || application->windowWithNumber(number) ||
        !VLIsDesktopWindowNumber(number))
        return;
    // Over another process's window the event's location is on the screen already.
    const VLPoint screenPoint = event.locationInWindow();
    if (!VLMouseInRect(screenPoint, frame(), false))
        return;
    auto forwarded = VLWSEvent::mouseEvent({
        .type = event.type(),
        .location = convertPointFromScreen(screenPoint),
        .modifierFlags = event.modifierFlags(),
        .timestamp = event.timestamp(),
        .windowNumber = windowNumber(),
        .eventNumber = event.eventNumber(),
        .clickCount = event.clickCount(),
        .pressure = event.pressure(),
    });
    if (forwarded)
        application->sendEvent(*forwarded);
}
