#include "Modules/Window/Window/VLWidgetResizeCorner.h"

#include "Core/Runtime/VLRuntime.h"
#include "Modules/Window/Window/Geometry/VLWidgetCornerMeasurement.h"
#include "Modules/Window/Window/Geometry/VLWidgetResizeHintPlacement.h"
#include "Modules/Window/Window/VLWidgetResizeHintView.h"
#include "Modules/Window/Window/VLWindow.h"
#include "Platform/Graphics/VLColor.h"
#include "Platform/WindowServer/VLWSEvent.h"
#include "Platform/WindowServer/VLWSEventMonitor.h"
#include "Platform/WindowServer/VLWSTrackingArea.h"
#include "Platform/WindowServer/VLWSView.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWindowServer.h"

#include <cmath>
#include <utility>

namespace {

// How near the pointer must come to the window's bottom-right corner to be at it, in points.
constexpr double kResizeCornerReach = 18;
// The pointer's moves outside the window, while it is at the corner.
constexpr uint64_t kCornerEventMask = VLWSEventMaskFromType(VLWSEventType::MouseMoved);
// Entered and exited, moved, always active, in the visible rectangle: the widget's hover.
constexpr uint64_t kWidgetHoverTrackingOptions = VLWSTrackingMouseEnteredAndExited | VLWSTrackingMouseMoved |
                                                 VLWSTrackingActiveAlways | VLWSTrackingInVisibleRect;
// The platform's NSWindowAnimationBehaviorNone.
constexpr int64_t kWindowAnimationBehaviorNone = 2;

} // namespace

void VLWidgetResizeCorner::setUp() {
    _hint = std::make_shared<VLWidgetResizeHintView>();
    _hintWindow = std::make_shared<VLWSWindow>(VLRect(), VLWSWindowStyleMaskBorderless);
    _hintWindow->setReleasedWhenClosed(false);
    _hintWindow->setOpaque(false);
    _hintWindow->setBackgroundColor(VLColor::clearColor());
    _hintWindow->setHasShadow(false);
    _hintWindow->setIgnoresMouseEvents(true);
    _hintWindow->setExcludedFromWindowsMenu(true);
    _hintWindow->setAnimationBehavior(kWindowAnimationBehaviorNone);
    _hintWindow->setAlphaValue(0);
    _hintWindow->setContentView(_hint);

    _hoverTrackingArea = std::make_shared<VLWSTrackingArea>(VLRect(), kWidgetHoverTrackingOptions,
                                                            std::weak_ptr<VLWSResponder>(_owner.self()));
    _owner._window->contentView()->addTrackingArea(_hoverTrackingArea);
}

void VLWidgetResizeCorner::release(VLWSWindow& window) {
    if (const std::shared_ptr<VLWSTrackingArea> hover = std::exchange(_hoverTrackingArea, nullptr))
        window.contentView()->removeTrackingArea(hover);
    VLWindowServer::shared()->clock().cancelPerforms(this, "show");
    if (const std::shared_ptr<VLWSWindow> hint = std::exchange(_hintWindow, nullptr)) {
        window.removeChildWindow(hint);
        hint->orderOut();
    }
    _hint.reset();
    _pointerOver = false;
    watchPointerAtCorner(false);
}

void VLWidgetResizeCorner::pointerIsOver(bool over) {
    if (!_hint)
        return;
    VLWSClock& clock = VLWindowServer::shared()->clock();
    if (over) {
        updateEmphasis();
        if (std::exchange(_pointerOver, true))
            return;
        clock.cancelPerforms(this, "show");
        clock.perform(this, "show", 1.0, [weak = _owner.weakSelf()] {
            if (std::shared_ptr<VLWindow> self = weak.lock())
                self->_resizeCorner.show();
        });
        return;
    }
    if (!_pointerOver)
        return;
    // On its way to the hint outside the corner the pointer leaves the window, not the widget.
    if (pointerAtCorner()) {
        updateEmphasis();
        watchPointerAtCorner(true);
        return;
    }
    _pointerOver = false;
    watchPointerAtCorner(false);
    hide();
}

bool VLWidgetResizeCorner::pointerNearCorner() const {
    if (!_owner._window)
        return false;
    const VLRect frame = _owner._window->frame();
    const VLPoint pointer = VLWSEvent::mouseLocation();
    return std::hypot(pointer.x - frame.maxX(), pointer.y - frame.origin.y) <= kResizeCornerReach;
}

bool VLWidgetResizeCorner::pointerAtCorner() const {
    if (pointerNearCorner())
        return true;
    return _hint && _hint->appeared() && _hintWindow && _hintWindow->parentWindow() == _owner._window &&
           VLMouseInRect(VLWSEvent::mouseLocation(), _hintWindow->frame(), false);
}

void VLWidgetResizeCorner::watchPointerAtCorner(bool watch) {
    if (!watch) {
        VLWSEvent::removeMonitor(std::exchange(_globalMonitor, nullptr));
        VLWSEvent::removeMonitor(std::exchange(_localMonitor, nullptr));
        return;
    }
    if (_globalMonitor)
        return;
    _globalMonitor = VLWSEvent::addGlobalMonitorForEventsMatchingMask(
        kCornerEventMask, [weak = _owner.weakSelf()](const VLWSEvent&) {
            if (std::shared_ptr<VLWindow> self = weak.lock())
                self->_resizeCorner.pointerMovedAtCorner();
        });
    _localMonitor = VLWSEvent::addLocalMonitorForEventsMatchingMask(
        kCornerEventMask, [weak = _owner.weakSelf()](const VLWSEvent& event) -> std::optional<VLWSEvent> {
            if (std::shared_ptr<VLWindow> self = weak.lock())
                self->_resizeCorner.pointerMovedAtCorner();
            return event;
        });
}

void VLWidgetResizeCorner::pointerMovedAtCorner() {
    // Back in the window, the tracking area follows the pointer again.
    if (_owner._window && VLMouseInRect(VLWSEvent::mouseLocation(), _owner._window->frame(), false)) {
        watchPointerAtCorner(false);
        return;
    }
    updateEmphasis();
    if (pointerAtCorner())
        return;
    watchPointerAtCorner(false);
    _pointerOver = false;
    hide();
}

void VLWidgetResizeCorner::show() {
    const std::shared_ptr<VLWSWindow>& window = _owner._window;
    if (!_hint || !_hintWindow || !_pointerOver || _owner._widget.isUserResizing() || !window ||
        VLWSEvent::pressedMouseButtons() != 0 || !window->isVisible())
        return;
    measureCorner();
    place();
    if (_hintWindow->parentWindow() != window) {
        _hintWindow->setLevel(window->level());
        _hintWindow->setCollectionBehavior(window->collectionBehavior());
        window->addChildWindow(_hintWindow);
    }
    updateEmphasis();
    const std::shared_ptr<VLRuntime> runtime = _owner.runtime();
    const bool reduceMotion = VLWindowServer::shared()->workspace().accessibilityDisplayShouldReduceMotion();
    _hint->appearNudging(runtime && runtime->nudgesWidgetResizeHint() && !reduceMotion);
}

void VLWidgetResizeCorner::hide() {
    VLWindowServer::shared()->clock().cancelPerforms(this, "show");
    if (_hint)
        _hint->disappear();
}

void VLWidgetResizeCorner::updateEmphasis() {
    if (_hint)
        _hint->setEmphasized(pointerNearCorner());
}

void VLWidgetResizeCorner::layout() {
    if (!_hintWindow || !_hint || !_hint->appeared())
        return;
    measureCorner();
    place();
}

void VLWidgetResizeCorner::measureCorner() {
    const VLWSWindow& window = *_owner._window;
    const VLWidgetCornerMeasurement corner =
        VLWidgetCornerMeasurement::measure(*window.contentView(), window.backingScaleFactor());
    _inset = corner.inset;
    _cornerRadius = corner.cornerRadius;
}

void VLWidgetResizeCorner::place() {
    const VLWSWindow& window = *_owner._window;
    const std::shared_ptr<VLWSView> content = window.contentView();
    const VLPoint anchor = window.convertPointToScreen(
        content->convertPointToView(VLWidgetResizeHintPlacement::anchor(content->bounds(), _inset), nullptr));
    std::optional<VLWSScreen> screen = window.screen();
    if (!screen)
        screen = _owner._widget.geometry().screenForFrame(window.frame());
    const VLWidgetResizeHintPlacement placement = VLWidgetResizeHintPlacement::place(
        *_hint, anchor, screen ? screen->frame : VLRectZero, _inset, _cornerRadius);
    _hintWindow->setFrame(placement.frame, false);
}
