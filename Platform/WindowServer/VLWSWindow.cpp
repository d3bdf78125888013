#include "Platform/WindowServer/VLWSWindow.h"

#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/WindowServer/VLWSEvent.h"
#include "Platform/WindowServer/VLWSEventRouter.h"
#include "Platform/WindowServer/VLWSGeometry.h"
#include "Platform/WindowServer/VLWSTimer.h"
#include "Platform/WindowServer/VLWSTrackingArea.h"
#include "Platform/WindowServer/VLWindowServer.h"

#include <algorithm>
#include <cmath>
#include <utility>

VLWSWindow::VLWSWindow(VLRect contentRect, uint64_t styleMask)
    : _server(VLWindowServer::shared()), _windowNumber(_server->addWindow(this)), _styleMask(styleMask) {
    _frame = frameRectForContentRect(VLWSIsValidFrame(contentRect) ? contentRect : VLRectZero);
    _frameView = std::make_shared<VLWSView>();
    _frameView->setWindow(this);
    _contentView = std::make_shared<VLWSView>();
    _frameView->addSubview(_contentView);
    layoutViews();
    if (auto screen = this->screen())
        _screenID = screen->displayID;
    _backingScaleFactor = backingScaleFactor();
    _server->windowsChanged();
}

VLWSWindow::~VLWSWindow() {
    stopAlphaAnimation();
    _frameView->setWindow(nullptr);
    if (_parent)
        std::erase(_parent->_children, this);
    for (VLWSWindow* child : _children)
        child->_parent = nullptr;
    _server->removeWindow(this);
    for (VLWSWindow* child : _children)
        if (child->_orderedIn)
            _server->placeInOrder(child, true);
    _server->windowsChanged();
}

// Geometry

void VLWSWindow::setFrame(VLRect frame, bool) {
    if (!VLWSIsValidFrame(frame) || frame == _frame)
        return;
    auto self = weak_from_this().lock();
    const VLRect old = _frame;
    _frame = frame;
    layoutViews();
    const bool moved = frame.origin != old.origin;
    if (moved)
        moveChildren(frame.origin.x - old.origin.x, frame.origin.y - old.origin.y);
    _server->windowsChanged();
    if (frame.size != old.size)
        report(&VLWSWindowDelegate::windowDidResize, VLWSWindowDidResizeNotification);
    if (moved)
        report(&VLWSWindowDelegate::windowDidMove, VLWSWindowDidMoveNotification);
    updateScreen();
}

void VLWSWindow::setFrameOrigin(VLPoint origin) {
    setFrame({origin, _frame.size});
}

void VLWSWindow::setContentSize(VLSize size) {
    if (!VLWSIsValidSize(size))
        return;
    const VLRect frame = frameRectForContentRect({_frame.origin, size});
    setFrame({_frame.origin.x, _frame.maxY() - frame.size.height, frame.size.width, frame.size.height});
}

VLRect VLWSWindow::contentRectForFrameRect(VLRect frame) const {
    if (!(_styleMask & VLWSWindowStyleMaskTitled))
        return frame;
    return {frame.origin, {frame.size.width, std::max(0.0, frame.size.height - VLWSTitleBarHeight)}};
}

VLRect VLWSWindow::frameRectForContentRect(VLRect contentRect) const {
    if (!(_styleMask & VLWSWindowStyleMaskTitled))
        return contentRect;
    return {contentRect.origin, {contentRect.size.width, contentRect.size.height + VLWSTitleBarHeight}};
}

VLRect VLWSWindow::convertRectToScreen(VLRect rect) const {
    return {convertPointToScreen(rect.origin), rect.size};
}

VLRect VLWSWindow::convertRectFromScreen(VLRect rect) const {
    return {convertPointFromScreen(rect.origin), rect.size};
}

VLPoint VLWSWindow::convertPointToScreen(VLPoint point) const {
    return {point.x + _frame.origin.x, point.y + _frame.origin.y};
}

VLPoint VLWSWindow::convertPointFromScreen(VLPoint point) const {
    return {point.x - _frame.origin.x, point.y - _frame.origin.y};
}

void VLWSWindow::layoutViews() {
    const VLRect bounds{{0, 0}, _frame.size};
    _frameView->setFrame(bounds);
    _contentView->setFrame(contentRectForFrameRect(bounds));
}

void VLWSWindow::moveChildren(double dx, double dy) {
    // Copied: a child's delegate may add or remove children.
    std::vector<std::shared_ptr<VLWSWindow>> children = childWindows();
    for (const auto& child : children)
        child->setFrameOrigin({child->_frame.origin.x + dx, child->_frame.origin.y + dy});
}

void VLWSWindow::setContentView(std::shared_ptr<VLWSView> view) {
    if (!view || view == _contentView)
        return;
    _contentView->removeFromSuperview();
    _contentView = std::move(view);
    _frameView->addSubview(_contentView);
    layoutViews();
}

// Settings

void VLWSWindow::setStyleMask(uint64_t styleMask) {
    _styleMask = styleMask;
    layoutViews();
}

void VLWSWindow::setLevel(int32_t level) {
    if (level == _level)
        return;
    _level = level;
    if (_orderedIn && !_parent)
        _server->placeInOrder(this, true);
    _server->windowsChanged();
}

void VLWSWindow::setAlphaValue(double alpha) {
    if (std::isnan(alpha))
        return;
    stopAlphaAnimation();
    applyAlphaValue(alpha);
}

void VLWSWindow::applyAlphaValue(double alpha) {
    _alphaValue = std::clamp(alpha, 0.0, 1.0);
    _server->windowsChanged();
}

void VLWSWindow::animateAlphaValue(double alpha, double duration, VLWSTimingFunction curve) {
    if (std::isnan(alpha))
        return;
    stopAlphaAnimation();
    const double target = std::clamp(alpha, 0.0, 1.0);
    _alphaAnimationTarget = target;
    _alphaAnimationDuration = std::isfinite(duration) && duration > 0 ? duration : 0;
    if (_alphaAnimationDuration == 0) {
        applyAlphaValue(target);
        return;
    }
    const auto screen = this->screen();
    const double frameInterval = 1 / (screen && screen->refreshRate > 0 ? screen->refreshRate : 60);
    const double from = _alphaValue, start = _server->clock().now(), length = _alphaAnimationDuration;
    _alphaAnimation = _server->clock().scheduleTimer(
        frameInterval, true, [weak = weak_from_this(), from, target, start, length, curve](VLWSTimer& timer) {
            auto window = weak.lock();
            if (!window) {
                timer.invalidate();
                return;
            }
            const double elapsed = (window->_server->clock().now() - start) / length;
            if (elapsed >= 1) {
                window->stopAlphaAnimation();
                window->applyAlphaValue(target);
            } else {
                window->applyAlphaValue(from + (target - from) * curve.progress(elapsed));
            }
        });
}

void VLWSWindow::stopAlphaAnimation() {
    if (_alphaAnimation)
        std::exchange(_alphaAnimation, nullptr)->invalidate();
}

void VLWSWindow::setOpaque(bool opaque) {
    _isOpaque = opaque;
    _server->windowsChanged();
}

void VLWSWindow::setTitle(std::string title) {
    _title = std::move(title);
    _server->windowsChanged();
}

void VLWSWindow::setContentMinSize(VLSize size) {
    if (VLWSIsValidSize(size))
        _contentMinSize = size;
}

void VLWSWindow::setContentMaxSize(VLSize size) {
    if (VLWSIsValidSize(size))
        _contentMaxSize = size;
}

void VLWSWindow::setContentAspectRatio(VLSize ratio) {
    if (VLWSIsValidSize(ratio))
        _contentAspectRatio = ratio;
}

// Ordering

void VLWSWindow::orderFront() {
    setOrderedIn(true, true);
}

void VLWSWindow::orderFrontRegardless() {
    setOrderedIn(true, true);
}

void VLWSWindow::makeKeyAndOrderFront() {
    orderFront();
    makeKeyWindow();
}

void VLWSWindow::orderBack() {
    setOrderedIn(true, false);
}

void VLWSWindow::orderOut() {
    setOrderedIn(false, false);
}

void VLWSWindow::setOrderedIn(bool orderedIn, bool front) {
    _orderedIn = orderedIn;
    if (orderedIn)
        _closed = _released = false;
    if (!orderedIn) {
        if (!_parent)
            _server->removeFromOrder(this);
    } else if (_parent) {
        std::erase(_parent->_children, this);
        _parent->_children.insert(front ? _parent->_children.end() : _parent->_children.begin(), this);
    } else {
        _server->placeInOrder(this, front);
    }
    _server->windowsChanged();
}

void VLWSWindow::close() {
    if (_closed)
        return;
    _closed = true;
    auto self = weak_from_this().lock();
    report(&VLWSWindowDelegate::windowWillClose, VLWSWindowWillCloseNotification);
    if (auto parent = parentWindow())
        parent->removeChildWindow(self);
    _released = _isReleasedWhenClosed;
    orderOut();
}

bool VLWSWindow::isVisible() const {
    return _orderedIn && (!_parent || _parent->isVisible());
}

void VLWSWindow::addChildWindow(const std::shared_ptr<VLWSWindow>& child) {
    if (!child || child->_server != _server)
        return;
    // No cycles: the child may be neither this window nor one of its ancestors.
    for (const VLWSWindow* ancestor = this; ancestor; ancestor = ancestor->_parent)
        if (ancestor == child.get())
            return;
    if (child->_parent)
        std::erase(child->_parent->_children, child.get());
    else
        _server->removeFromOrder(child.get());
    child->_parent = this;
    _children.push_back(child.get());
    child->_orderedIn = true;
    child->_closed = child->_released = false;
    _server->windowsChanged();
}

void VLWSWindow::removeChildWindow(const std::shared_ptr<VLWSWindow>& child) {
    if (!child || child->_parent != this)
        return;
    std::erase(_children, child.get());
    child->_parent = nullptr;
    if (child->_orderedIn)
        _server->placeInOrder(child.get(), true);
    _server->windowsChanged();
}

std::vector<std::shared_ptr<VLWSWindow>> VLWSWindow::childWindows() const {
    return held(_children);
}

std::shared_ptr<VLWSWindow> VLWSWindow::parentWindow() const {
    return held(_parent);
}

std::shared_ptr<VLWSWindow> VLWSWindow::held(VLWSWindow* window) {
    return window ? window->weak_from_this().lock() : nullptr;
}

std::vector<std::shared_ptr<VLWSWindow>> VLWSWindow::held(const std::vector<VLWSWindow*>& windows) {
    std::vector<std::shared_ptr<VLWSWindow>> strong;
    for (VLWSWindow* window : windows)
        if (auto one = held(window))
            strong.push_back(std::move(one));
    return strong;
}

// Key and main

bool VLWSWindow::canBecomeKeyWindow() const {
    return _styleMask & (VLWSWindowStyleMaskTitled | VLWSWindowStyleMaskResizable);
}

bool VLWSWindow::canBecomeMainWindow() const {
    return (_styleMask & (VLWSWindowStyleMaskTitled | VLWSWindowStyleMaskResizable)) && isVisible() &&
           !isPanel();
}

void VLWSWindow::makeKeyWindow() {
    if (!isVisible() || !canBecomeKeyWindow())
        return;
    auto self = weak_from_this().lock();
    _server->setKeyWindow(this);
    if (canBecomeMainWindow())
        makeMainWindow();
}

void VLWSWindow::makeMainWindow() {
    if (canBecomeMainWindow())
        _server->setMainWindow(this);
}

bool VLWSWindow::isKeyWindow() const {
    return _server->_keyWindow == this;
}

bool VLWSWindow::isMainWindow() const {
    return _server->_mainWindow == this;
}

// Screen and scale

std::optional<VLWSScreen> VLWSWindow::screen() const {
    return _server->screenForFrame(_frame);
}

double VLWSWindow::backingScaleFactor() const {
    auto screen = this->screen();
    return screen ? screen->backingScaleFactor : _server->primaryScale();
}

void VLWSWindow::updateScreen() {
    auto self = weak_from_this().lock();
    auto screen = this->screen();
    std::optional<uint32_t> screenID;
    if (screen)
        screenID = screen->displayID;
    const double scale = backingScaleFactor();
    const bool screenChanged = screenID != _screenID;
    const bool scaleChanged = scale != _backingScaleFactor;
    _screenID = screenID;
    _backingScaleFactor = scale;
    if (screenChanged)
        report(&VLWSWindowDelegate::windowDidChangeScreen, VLWSWindowDidChangeScreenNotification);
    if (scaleChanged)
        report(&VLWSWindowDelegate::windowDidChangeBackingProperties, nullptr);
}

// Occlusion

void VLWSWindow::overrideOcclusionState(std::optional<uint64_t> state) {
    _occlusionOverride = state;
    _server->windowsChanged();
}

// Reports and events

void VLWSWindow::report(Report method, const char* notification) {
    if (auto delegate = _delegate.lock())
        (delegate.get()->*method)(*this);
    if (notification)
        VLNotificationCenter::defaultCenter().post(notification, static_cast<const VLWSWindow*>(this));
}

void VLWSWindow::sendEvent(const VLWSEvent& event) {
    // Held: a handler may let go of the window.
    auto self = weak_from_this().lock();
    switch (event.type()) {
    case VLWSEventType::LeftMouseDown:
    case VLWSEventType::RightMouseDown:
    case VLWSEventType::OtherMouseDown:
        handleMouseDown(event);
        break;
    case VLWSEventType::LeftMouseDragged:
    case VLWSEventType::RightMouseDragged:
    case VLWSEventType::OtherMouseDragged:
    case VLWSEventType::LeftMouseUp:
    case VLWSEventType::RightMouseUp:
    case VLWSEventType::OtherMouseUp: {
        VLWSView* view = pressedOrHitView(event);
        auto held = view ? view->shared_from_this() : nullptr;
        VLWSResponder& responder = view ? static_cast<VLWSResponder&>(*view) : *this;
        if (event.isMouseUp() && !(_server->inputState().pressedMouseButtons()))
            _pressedView.reset();
        responder.receiveEvent(event);
        break;
    }
    case VLWSEventType::MouseEntered:
    case VLWSEventType::MouseExited:
    case VLWSEventType::MouseMoved:
        if (auto area = event.trackingArea()) {
            if (auto owner = area->owner())
                owner->receiveEvent(event);
        } else if (event.type() == VLWSEventType::MouseMoved) {
            mouseMoved(event);
        }
        break;
    case VLWSEventType::ScrollWheel:
        if (VLWSView* view = _frameView->hitTest(event.locationInWindow()))
            view->scrollWheel(event);
        break;
    case VLWSEventType::KeyDown:
        keyDown(event);
        break;
    case VLWSEventType::KeyUp:
        keyUp(event);
        break;
    }
}

void VLWSWindow::handleMouseDown(const VLWSEvent& event) {
    if (!(isPanel() && (_styleMask & VLWSWindowStyleMaskNonactivatingPanel)))
        _server->activate();
    if (canBecomeKeyWindow() && !isKeyWindow())
        makeKeyWindow();
    VLWSView* view = _frameView->hitTest(event.locationInWindow());
    _pressedView = view ? view->weak_from_this() : std::weak_ptr<VLWSView>();
    if (event.type() == VLWSEventType::LeftMouseDown && view && backgroundMovesWindow(*view))
        performWindowDrag(event);
    auto held = view ? view->shared_from_this() : nullptr;
    (view ? static_cast<VLWSResponder&>(*view) : *this).receiveEvent(event);
}

VLWSView* VLWSWindow::pressedOrHitView(const VLWSEvent& event) {
    if (auto pressed = _pressedView.lock(); pressed && pressed->window() == this)
        return pressed.get();
    return _frameView->hitTest(event.locationInWindow());
}

bool VLWSWindow::backgroundMovesWindow(const VLWSView& view) const {
    return _isMovableByWindowBackground && view.mouseDownCanMoveWindow();
}

void VLWSWindow::keyDown(const VLWSEvent&) {
    _server->countUnhandledKeyEvent();
}

void VLWSWindow::keyUp(const VLWSEvent&) {
    _server->countUnhandledKeyEvent();
}

void VLWSWindow::performWindowDrag(const VLWSEvent&) {
    _server->router().startWindowDrag(*this);
}
