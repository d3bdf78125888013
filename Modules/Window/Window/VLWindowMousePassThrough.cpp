#include "Modules/Window/Window/VLWindowMousePassThrough.h"

#include "Modules/Window/Window/VLWindow.h"
#include "Platform/WindowServer/VLWSEvent.h"
#include "Platform/WindowServer/VLWSEventMonitor.h"
#include "Platform/WindowServer/VLWSView.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWindowServer.h"

#include <utility>

namespace {

// Releases, drags and moves of every button: what the hit region's pass-through follows.
constexpr uint64_t kHitRegionEventMask = 0xc0000f4;

} // namespace

void VLWindowMousePassThrough::updateMonitors() {
    if (!_owner._mainHitRegion || !_owner._isShown) {
        removeMonitors();
        return;
    }
    if (_globalMonitor)
        return;
    _globalMonitor = VLWSEvent::addGlobalMonitorForEventsMatchingMask(
        kHitRegionEventMask, [weak = _owner.weakSelf()](const VLWSEvent& event) {
            if (std::shared_ptr<VLWindow> self = weak.lock())
                self->_passThrough.update(&event);
        });
    _localMonitor = VLWSEvent::addLocalMonitorForEventsMatchingMask(
        kHitRegionEventMask, [weak = _owner.weakSelf()](const VLWSEvent& event) -> std::optional<VLWSEvent> {
            std::shared_ptr<VLWindow> self = weak.lock();
            if (!self)
                return event;
            self->_passThrough.update(&event);
            // The pass-through decides this window's moves; nobody else is to see them.
            if (event.type() == VLWSEventType::MouseMoved && self->_window &&
                event.windowNumber() == self->_window->windowNumber())
                return std::nullopt;
            return event;
        });
}

void VLWindowMousePassThrough::removeMonitors() {
    VLWSEvent::removeMonitor(std::exchange(_globalMonitor, nullptr));
    VLWSEvent::removeMonitor(std::exchange(_localMonitor, nullptr));
}

void VLWindowMousePassThrough::update(const VLWSEvent* event) {
    const std::shared_ptr<VLWSWindow>& window = _owner._window;
    if (!window)
        return;
    if (!_owner._mainHitRegion) {
        if (window->ignoresMouseEvents())
            window->setIgnoresMouseEvents(false);
        return;
    }
    // A held button keeps the setting, so a press or drag never loses its window halfway; only files
    // dragged from elsewhere must find the way in.
    const bool draggedFromElsewhere = event && !event->window() && _owner._fileDrops.accepts();
    if (VLWSEvent::pressedMouseButtons() != 0 && !draggedFromElsewhere)
        return;
    const VLPoint pointer = VLWSEvent::mouseLocation();
    const VLRect frame = window->frame();
    const bool inside = VLMouseInRect(pointer, frame, false);
    const bool takes =
        inside && takesMouseAtWindowPoint({pointer.x - frame.origin.x, frame.maxY() - pointer.y});
    const bool changed = window->ignoresMouseEvents() == takes;
    if (changed)
        window->setIgnoresMouseEvents(!takes);
    _owner._resizeCorner.pointerIsOver(inside);
    if (inside && (changed || (event && event->type() == VLWSEventType::MouseMoved)))
        sendMouseMovedUnderPointer(event);
}

bool VLWindowMousePassThrough::takesMouseAtWindowPoint(VLPoint point) const {
    const VLSize size = _owner._window->frame().size;
    // A widget window that the user resizes takes the mouse along its edges, where the resize starts.
    if (_owner._widget.hasUserResizeEdge() &&
        !VLRectContainsPoint(VLRect(0, 0, size.width, size.height).insetBy(6, 6), point))
        return true;
    return VLWindowRegionContainsPoint(*_owner._mainHitRegion, point);
}

void VLWindowMousePassThrough::sendMouseMovedUnderPointer(const VLWSEvent* cause) {
    const std::shared_ptr<VLWSWindow>& window = _owner._window;
    const std::optional<VLWSEvent> moved = VLWSEvent::mouseEvent({
        .type = VLWSEventType::MouseMoved,
        .location = window->convertPointFromScreen(VLWSEvent::mouseLocation()),
        .modifierFlags = VLWSEvent::currentModifierFlags(),
        .timestamp = cause ? cause->timestamp() : VLWindowServer::shared()->clock().now(),
        .windowNumber = window->windowNumber(),
    });
    const std::shared_ptr<VLWSView> content = window->contentView();
    if (!moved || !content)
        return;
    const VLWSView* frameView = content->superview();
    const VLPoint point = frameView ? frameView->convertPointFromView(moved->locationInWindow(), nullptr)
                                    : moved->locationInWindow();
    if (VLWSView* view = content->hitTest(point))
        view->mouseMoved(*moved);
}
