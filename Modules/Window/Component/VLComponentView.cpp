#include "Modules/Window/Component/VLComponentView.h"

#include "Core/Engine/Support/VLDOMMouseButton.h"
#include "Platform/WindowServer/VLWSEvent.h"
#include "Platform/WindowServer/VLWSTrackingArea.h"
#include "Platform/WindowServer/VLWSWindow.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// The releases' clicks, delivered when the outermost release handler returns, so that every view hears
// its "mouseup" before any "click", and every "click" comes before any "dblclick".
struct VLComponentViewClick {
    std::weak_ptr<VLComponentView> view;
    VLDictionary payload;
};

// Main thread only, as the views.
struct VLComponentViewPendingClicks {
    int depth = 0;
    std::vector<VLComponentViewClick> clicks;
    std::vector<VLComponentViewClick> doubleClicks;
};

VLComponentViewPendingClicks& pendingClicks() {
    static VLComponentViewPendingClicks pending;
    return pending;
}

void deliver(const std::vector<VLComponentViewClick>& clicks, const char* type) {
    for (const VLComponentViewClick& click : clicks) {
        if (std::shared_ptr<VLComponentView> view = click.view.lock()) {
            if (std::shared_ptr<VLComponentView::Delegate> delegate = view->clickEventDelegate())
                delegate->componentView(*view, type, click.payload);
        }
    }
}

bool isPress(VLWSEventType type) {
    return type == VLWSEventType::LeftMouseDown || type == VLWSEventType::RightMouseDown ||
           type == VLWSEventType::OtherMouseDown;
}

bool isRelease(VLWSEventType type) {
    return type == VLWSEventType::LeftMouseUp || type == VLWSEventType::RightMouseUp ||
           type == VLWSEventType::OtherMouseUp;
}

bool isDrag(VLWSEventType type) {
    return type == VLWSEventType::LeftMouseDragged || type == VLWSEventType::RightMouseDragged ||
           type == VLWSEventType::OtherMouseDragged;
}

// The pressed buttons as they are once this event is through.
uint64_t buttonsAfter(const VLWSEvent& event) {
    const int64_t number = event.buttonNumber();
    const uint64_t bit = number >= 0 && number < 64 ? uint64_t(1) << number : 0;
    uint64_t buttons = VLWSEvent::pressedMouseButtons();
    if (isPress(event.type()) || isDrag(event.type()))
        buttons |= bit;
    else if (isRelease(event.type()))
        buttons &= ~bit;
    return VLDOMMouseButtons(buttons);
}

bool contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

} // namespace

VLComponentView::~VLComponentView() = default;

const std::vector<std::string>& VLComponentView::clickEvents() {
    static const std::vector<std::string> names{"click", "dblclick"};
    return names;
}

const std::vector<std::string>& VLComponentView::mouseEvents() {
    static const std::vector<std::string> names{"mousedown",  "mouseup",   "mouseenter",
                                                "mouseleave", "mousemove", "wheel"};
    return names;
}

bool VLComponentView::isClickEvent(const std::string& name) {
    return contains(clickEvents(), name);
}

bool VLComponentView::isMouseEvent(const std::string& name) {
    return contains(mouseEvents(), name);
}

bool VLComponentView::acceptsFirstMouse(const VLWSEvent*) const {
    return true;
}

// Delegates

std::shared_ptr<VLComponentView::Delegate> VLComponentView::mouseEventDelegate() const {
    return _mouseEventDelegate ? _mouseEventDelegate->target() : nullptr;
}

void VLComponentView::setMouseEventDelegate(std::weak_ptr<Delegate> delegate) {
    _mouseEventDelegate = delegate.expired() ? nullptr : Proxy::proxyWithTarget(std::move(delegate));
    updateTrackingAreas();
}

std::shared_ptr<VLComponentView::Delegate> VLComponentView::clickEventDelegate() const {
    return _clickEventDelegate ? _clickEventDelegate->target() : nullptr;
}

void VLComponentView::setClickEventDelegate(std::weak_ptr<Delegate> delegate) {
    _clickEventDelegate = delegate.expired() ? nullptr : Proxy::proxyWithTarget(std::move(delegate));
}

void VLComponentView::updateTrackingAreas() {
    VLWSView::updateTrackingAreas();
    std::vector<std::shared_ptr<VLWSTrackingArea>> owned;
    for (const std::shared_ptr<VLWSTrackingArea>& area : trackingAreas())
        if (area->owner().get() == this)
            owned.push_back(area);
    for (const std::shared_ptr<VLWSTrackingArea>& area : owned)
        removeTrackingArea(area);
    if (mouseEventDelegate()) {
        addTrackingArea(std::make_shared<VLWSTrackingArea>(
            bounds(), VLWSTrackingMouseEnteredAndExited | VLWSTrackingMouseMoved | VLWSTrackingActiveAlways,
            weak_from_this()));
    }
}

// Hit testing

bool VLComponentView::windowTakesMouse() const {
    return window() && window()->vl_componentsTakeMouse();
}

bool VLComponentView::windowPressMovesWindow() const {
    return window() && window()->vl_pressMovesWindow();
}

VLWSView* VLComponentView::hitTest(VLPoint point) {
    if (!windowTakesMouse())
        return nullptr;
    if (!_displaysContents)
        return VLWSView::hitTest(point);
    if (isHidden())
        return nullptr;
    const VLPoint local = convertPointFromView(point, superview());
    for (auto subview = subviews().rbegin(); subview != subviews().rend(); ++subview)
        if (VLWSView* hit = (*subview)->hitTest(local))
            return hit;
    return nullptr;
}

// Payloads and sending

std::optional<VLDictionary> VLComponentView::mousePayload(const VLWSEvent& event) const {
    const VLPoint point = convertPointFromView(event.locationInWindow(), nullptr);
    if (!std::isfinite(point.x) || !std::isfinite(point.y))
        return std::nullopt;
    const uint64_t flags = event.modifierFlags();
    const bool pressOrRelease = isPress(event.type()) || isRelease(event.type());
    return VLDictionary{
        {"x", point.x},
        {"y", point.y},
        {"ctrlKey", (flags & VLWSEventModifierFlagControl) != 0},
        {"altKey", (flags & VLWSEventModifierFlagOption) != 0},
        {"metaKey", (flags & VLWSEventModifierFlagCommand) != 0},
        {"shiftKey", (flags & VLWSEventModifierFlagShift) != 0},
        {"button", pressOrRelease ? VLDOMMouseButton(event.buttonNumber()) : int64_t(0)},
        {"buttons", buttonsAfter(event)},
    };
}

VLPoint VLComponentView::pressPosition(const VLWSEvent& event, bool movesWindow) const {
    // While the window moves under the pointer, only the pointer itself says how far the press went.
    if (movesWindow || !window())
        return VLWSEvent::mouseLocation();
    return window()->convertPointToScreen(event.locationInWindow());
}

void VLComponentView::send(const std::shared_ptr<Proxy>& delegate, const std::string& type,
                           const std::optional<VLDictionary>& payload) {
    if (!delegate || !payload)
        return;
    delegate->call(&Delegate::componentView, *this, type, *payload);
}

void VLComponentView::sendMouse(const std::string& type, const VLWSEvent& event) {
    if (_mouseEventDelegate)
        send(_mouseEventDelegate, type, mousePayload(event));
}

// The left button

// Each handler holds its view: a delegate may let go of it.

void VLComponentView::mouseDown(const VLWSEvent& event) {
    const std::shared_ptr<VLWSView> self = weak_from_this().lock();
    if (_mouseEventDelegate || _clickEventDelegate) {
        const bool movesWindow = windowPressMovesWindow();
        auto press = std::make_unique<VLComponentViewPress>(movesWindow, pressPosition(event, movesWindow));
        std::optional<VLDictionary> payload = mousePayload(event);
        if (movesWindow && payload)
            press->setHeldDown(std::move(*payload));
        else
            send(_mouseEventDelegate, "mousedown", payload);
        _press = std::move(press);
    }
    VLWSView::mouseDown(event);
}

void VLComponentView::mouseDragged(const VLWSEvent& event) {
    const std::shared_ptr<VLWSView> self = weak_from_this().lock();
    if (_press && !_press->moved())
        _press->follow(pressPosition(event, _press->movesWindow()));
    if ((!_press || !_press->movesWindow()) && !windowPressMovesWindow())
        sendMouse("mousemove", event);
    if (_press && _press->movesWindow() && _press->moved() && _press->heldDown())
        send(_mouseEventDelegate, "mousedown", _press->takeHeldDown());
    VLWSView::mouseDragged(event);
}

void VLComponentView::mouseUp(const VLWSEvent& event) {
    const std::shared_ptr<VLWSView> self = weak_from_this().lock();
    const std::unique_ptr<VLComponentViewPress> press = std::move(_press);
    if (press && !press->moved())
        press->follow(pressPosition(event, press->movesWindow()));
    const std::optional<VLDictionary> payload = mousePayload(event);
    if (!press || !press->movesWindow() || press->moved()) {
        if (press && press->heldDown())
            send(_mouseEventDelegate, "mousedown", press->takeHeldDown());
        send(_mouseEventDelegate, "mouseup", payload);
    }
    if (press && !press->moved())
        queueClicks(event, payload);

    VLComponentViewPendingClicks& pending = pendingClicks();
    ++pending.depth;
    VLWSView::mouseUp(event);
    if (--pending.depth > 0)
        return;
    const std::vector<VLComponentViewClick> clicks = std::exchange(pending.clicks, {});
    const std::vector<VLComponentViewClick> doubleClicks = std::exchange(pending.doubleClicks, {});
    deliver(clicks, "click");
    deliver(doubleClicks, "dblclick");
}

void VLComponentView::queueClicks(const VLWSEvent& event, const std::optional<VLDictionary>& payload) {
    if (!_clickEventDelegate || !payload)
        return;
    VLComponentViewPendingClicks& pending = pendingClicks();
    const std::weak_ptr<VLComponentView> view =
        std::static_pointer_cast<VLComponentView>(weak_from_this().lock());
    pending.clicks.push_back({view, *payload});
    if (event.clickCount() == 2)
        pending.doubleClicks.push_back({view, *payload});
}

// Other buttons: no press, no click.

void VLComponentView::rightMouseDown(const VLWSEvent& event) {
    const std::shared_ptr<VLWSView> self = weak_from_this().lock();
    sendMouse("mousedown", event);
    VLWSView::rightMouseDown(event);
}

void VLComponentView::rightMouseDragged(const VLWSEvent& event) {
    const std::shared_ptr<VLWSView> self = weak_from_this().lock();
    sendMouse("mousemove", event);
    VLWSView::rightMouseDragged(event);
}

void VLComponentView::rightMouseUp(const VLWSEvent& event) {
    const std::shared_ptr<VLWSView> self = weak_from_this().lock();
    sendMouse("mouseup", event);
    VLWSView::rightMouseUp(event);
}

void VLComponentView::otherMouseDown(const VLWSEvent& event) {
    const std::shared_ptr<VLWSView> self = weak_from_this().lock();
    sendMouse("mousedown", event);
    VLWSView::otherMouseDown(event);
}

void VLComponentView::otherMouseDragged(const VLWSEvent& event) {
    const std::shared_ptr<VLWSView> self = weak_from_this().lock();
    sendMouse("mousemove", event);
    VLWSView::otherMouseDragged(event);
}

void VLComponentView::otherMouseUp(const VLWSEvent& event) {
    const std::shared_ptr<VLWSView> self = weak_from_this().lock();
    sendMouse("mouseup", event);
    VLWSView::otherMouseUp(event);
}

// The pointer and the wheel: passed on first.

void VLComponentView::mouseEntered(const VLWSEvent& event) {
    const std::shared_ptr<VLWSView> self = weak_from_this().lock();
    VLWSView::mouseEntered(event);
    if (windowTakesMouse())
        sendMouse("mouseenter", event);
}

void VLComponentView::mouseExited(const VLWSEvent& event) {
    const std::shared_ptr<VLWSView> self = weak_from_this().lock();
    VLWSView::mouseExited(event);
    if (windowTakesMouse())
        sendMouse("mouseleave", event);
}

void VLComponentView::mouseMoved(const VLWSEvent& event) {
    const std::shared_ptr<VLWSView> self = weak_from_this().lock();
    VLWSView::mouseMoved(event);
    if (windowTakesMouse())
        sendMouse("mousemove", event);
}

void VLComponentView::scrollWheel(const VLWSEvent& event) {
    const std::shared_ptr<VLWSView> self = weak_from_this().lock();
    VLWSView::scrollWheel(event);
    if (!_mouseEventDelegate || !window() || !window()->vl_componentsTakeWheel(event))
        return;
    if (!std::isfinite(event.deltaX()) || !std::isfinite(event.deltaY()) || !std::isfinite(event.deltaZ()))
        return;
    send(_mouseEventDelegate, "wheel",
         VLDictionary{{"deltaX", event.deltaX()}, {"deltaY", event.deltaY()}, {"deltaZ", event.deltaZ()}});
}
