#include "Modules/Window/Window/VLWindowScreenKeeper.h"

#include "Core/Runtime/VLRuntime.h"
#include "Core/Runtime/VLRuntimeWindowNotifications.h"
#include "Modules/Window/Window/Geometry/VLScreenChoice.h"
#include "Modules/Window/Window/Geometry/VLWindowRestriction.h"
#include "Modules/Window/Window/VLNSWindowDragRegion.h"
#include "Modules/Window/Window/VLWindow.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/WindowServer/VLWSInputState.h"
#include "Platform/WindowServer/VLWSTimer.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWindowServer.h"

#include <utility>

void VLWindowScreenKeeper::stop() {
    stopDragTimer();
    _isSliding = false;
    _isMovedByUser = false;
}

void VLWindowScreenKeeper::restrictMovedFrame() {
    if (_isSliding)
        return;
    const std::shared_ptr<VLWSWindow>& window = _owner._window;
    if (!window || _owner._hosting.isHosted() || !window->isVisible()) {
        stopDragTimer();
        _isMovedByUser = false;
        return;
    }
    if (VLWindow::isLeftButtonHeld()) {
        startDragTimer();
        return;
    }
    stopDragTimer();
    const VLWindowServer& server = *VLWindowServer::shared();
    if (_isMovedByUser)
        _dropScreen =
            VLScreenChoice::underPointer(server.snapshot()->screens(), server.inputState().mouseLocation());
    const VLRect current = window->frame();
    VLRect frame = current;
    const std::optional<VLPoint> place = _owner.widgetPlace();
    if (_owner._widget.isWidgetWindow() && place && !_isMovedByUser) {
        VLRect flipped = VLWindow::_flipRect(frame);
        flipped.origin = *place;
        frame = VLWindow::_flipRect(flipped);
    }
    const VLRect restricted = restrictedFrame(frame);
    _dropScreen.reset();
    if (_owner._widget.isWidgetWindow() && _isMovedByUser)
        _owner._widget.setPlace(VLWindow::_flipRect(restricted).origin);
    if (restricted == current) {
        endUserMove();
        return;
    }
    if (_isMovedByUser && restricted.size == current.size &&
        !server.workspace().accessibilityDisplayShouldReduceMotion()) {
        slideTo(restricted.origin);
        return;
    }
    _owner._isKeepingWidgetOnDisplay = true;
    window->setFrame(restricted, true);
    _owner._isKeepingWidgetOnDisplay = false;
    endUserMove();
}

VLRect VLWindowScreenKeeper::restrictedFrame(const VLRect& frame) const {
    if (_owner._widget.isWidgetWindow())
        return _owner._widget.geometry().widgetFrame(frame);
    const std::shared_ptr<VLRuntime> runtime = _owner.runtime();
    return VLWindowRestriction::restrictedFrame(frame, _owner.type(), runtime && runtime->restrictsWindows(),
                                                VLWindowServer::shared()->snapshot()->screens());
}

VLRect VLWindowScreenKeeper::restrictedFrame(const VLRect& frame, const std::optional<VLWSScreen>& screen) {
    _judgedScreen = screen;
    const VLRect restricted = restrictedFrame(frame);
    _judgedScreen.reset();
    return restricted;
}

void VLWindowScreenKeeper::startDragTimer() {
    if (_dragTimer)
        return;
    _dragTimer = VLWindowServer::shared()->clock().scheduleTimer(
        1.0 / 120, true, [weak = _owner.weakSelf()](VLWSTimer& timer) {
            if (const std::shared_ptr<VLWindow> self = weak.lock())
                self->_screenKeeper.dragTick();
            else
                timer.invalidate();
        });
}

void VLWindowScreenKeeper::stopDragTimer() {
    if (const std::shared_ptr<VLWSTimer> timer = std::exchange(_dragTimer, nullptr))
        timer->invalidate();
}

void VLWindowScreenKeeper::dragTick() {
    if (!_isSliding) {
        if (!VLWindow::isLeftButtonHeld())
            restrictMovedFrame();
        return;
    }
    const std::shared_ptr<VLWSWindow>& window = _owner._window;
    if (!window || !window->isVisible()) {
        _isSliding = false;
        stopDragTimer();
        endUserMove();
        return;
    }
    // The user took the window again: it stays where the slide got to, and the timer waits.
    if (VLWindow::isLeftButtonHeld() && window->vl_pressMovesWindow()) {
        _isSliding = false;
        return;
    }
    const VLWindowSlide::Step step = _slide.stepAt(VLWindowServer::shared()->clock().now());
    _owner._isKeepingWidgetOnDisplay = true;
    window->setFrameOrigin(step.origin);
    _owner._isKeepingWidgetOnDisplay = false;
    if (step.finished) {
        _isSliding = false;
        stopDragTimer();
        endUserMove();
    }
}

void VLWindowScreenKeeper::slideTo(VLPoint origin) {
    _slide = VLWindowSlide(_owner._window->frame().origin, origin, VLWindowServer::shared()->clock().now());
    _isSliding = true;
    startDragTimer();
}

void VLWindowScreenKeeper::endUserMove() {
    if (!_isMovedByUser)
        return;
    _isMovedByUser = false;
    if (auto* platform = dynamic_cast<VLNSWindowDragRegion*>(_owner._window.get()))
        platform->setPressMovesWindow(false);
    if (const std::shared_ptr<VLRuntime> runtime = _owner.runtime())
        VLNotificationCenter::defaultCenter().post(VLRuntimeWindowDidEndUserMoveNotification, runtime.get());
}
