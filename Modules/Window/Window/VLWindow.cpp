#include "Modules/Window/Window/VLWindow.h"

#include "Core/Engine/RunLoop/VLQueueSupport.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Engine/Support/VLLocks.h"
#include "Core/Runtime/Rendering/VLRenderingLoop.h"
#include "Core/Runtime/Rendering/VLScreenUpdate.h"
#include "Core/Runtime/VLRuntime.h"
#include "Core/Runtime/VLWidgetWindowComponent.h"
#include "Modules/Window/Window/VLNSWindowCommon.h"
#include "Modules/Window/Window/VLNSWindowKeyboardEventSource.h"
#include "Modules/Window/Window/VLWindowKind.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/Graphics/VLColor.h"
#include "Platform/WindowServer/VLWSEvent.h"
#include "Platform/WindowServer/VLWSInputState.h"
#include "Platform/WindowServer/VLWSView.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWindowServer.h"

#include <algorithm>
#include <mutex>
#include <set>

namespace {

bool isValidRect(const VLRect& rect) {
    return rect.isFinite() && rect.size.width >= 0 && rect.size.height >= 0;
}

// Rectangles that cannot be placed are left out, so that a script's bad numbers never reach the server.
std::optional<VLWindowRegion> validRegion(std::optional<VLWindowRegion> region) {
    if (region)
        std::erase_if(*region, [](const VLRect& rect) { return !isValidRect(rect); });
    return region;
}

bool isKeyEvent(const std::string& name) {
    return name == "keydown" || name == "keyup";
}

// Widgets and overlays draw freely on a transparent window: their regions say where they are solid.
bool followsRegions(const std::optional<std::string>& type) {
    return type == "widget" || type == "overlay";
}

} // namespace

bool VLWindowRegionContainsPoint(const VLWindowRegion& region, VLPoint point) {
    // Upright rectangles only, on which the platform's point rules agree.
    return std::any_of(region.begin(), region.end(),
                       [&](const VLRect& rect) { return VLPointInRect(point, rect); });
}

double VLWindow::mainScreenScale() {
    const std::vector<VLWSScreen>& screens = VLWindowServer::shared()->snapshot()->screens();
    return screens.empty() ? 1 : screens.front().backingScaleFactor;
}

std::shared_ptr<VLWindow> VLWindow::create(const VLDictionary& style, const VLDictionary& attributes,
                                           const VLArray& events) {
    std::shared_ptr<VLWindow> window(new VLWindow());
    window->initWithStyle(style, attributes, events);
    return window;
}

VLWindow::VLWindow()
    : _lock(VLCreateFastLock()), _thread(VLRunLoopThread::current()), _hosting(*this), _passThrough(*this),
      _fileDrops(*this), _screenKeeper(*this), _resizeCorner(*this), _widget(*this) {}

VLWindow::~VLWindow() {
    // The platform window and the monitors are the main thread's; the block holds them until it runs.
    VLExecuteOnMainQueue(
        [window = std::move(_window), global = std::move(_passThrough._globalMonitor),
         local = std::move(_passThrough._localMonitor),
         cornerGlobal = std::move(_resizeCorner._globalMonitor),
         cornerLocal = std::move(_resizeCorner._localMonitor), observer = std::move(_hosting._frameObserver),
         screens = std::move(_widget._screenParametersObserver),
         hover = std::move(_resizeCorner._hoverTrackingArea), hint = std::move(_resizeCorner._hintWindow),
         hintView = std::move(_resizeCorner._hint), dragTimer = std::move(_screenKeeper._dragTimer)] {
            // Stopped now rather than at its next tick, which would find the window gone.
            if (dragTimer)
                dragTimer->invalidate();
            VLWSEvent::removeMonitor(global);
            VLWSEvent::removeMonitor(local);
            VLWSEvent::removeMonitor(cornerGlobal);
            VLWSEvent::removeMonitor(cornerLocal);
            VLNotificationCenter::defaultCenter().removeObserver(observer);
            VLNotificationCenter::defaultCenter().removeObserver(screens);
            if (hint)
                hint->close();
            if (!window)
                return;
            if (hover)
                window->contentView()->removeTrackingArea(hover);
            if (std::shared_ptr<VLWSWindow> parent = window->parentWindow())
                parent->removeChildWindow(window);
            window->close();
        });
}

void VLWindow::onMainQueue(std::function<void(VLWindow&)> block) {
    VLExecuteOnMainQueue([weak = weakSelf(), block = std::move(block)] {
        if (Self self = weak.lock())
            block(*self);
    });
}

void VLWindow::onComponentThread(std::function<void(VLWindow&)> block) {
    if (std::shared_ptr<VLRunLoopThread> thread = _thread.lock()) {
        thread->post([weak = weakSelf(), block = std::move(block)] {
            if (Self self = weak.lock())
                block(*self);
        });
    }
}

// Settings from the binding

std::shared_ptr<VLRuntime> VLWindow::runtime() const {
    std::lock_guard lock(*_lock);
    return _runtime.lock();
}

void VLWindow::setRuntime(const std::weak_ptr<VLRuntime>& runtime) {
    std::lock_guard lock(*_lock);
    _runtime = runtime;
}

std::optional<std::string> VLWindow::type() const {
    std::lock_guard lock(*_lock);
    return _type;
}

std::shared_ptr<VLWSView> VLWindow::hostView() const {
    std::lock_guard lock(*_lock);
    return _hostView.lock();
}

void VLWindow::setHostView(const std::weak_ptr<VLWSView>& hostView) {
    std::lock_guard lock(*_lock);
    _hostView = hostView;
}

VLRect VLWindow::hostArea() const {
    std::lock_guard lock(*_lock);
    return _hostArea;
}

void VLWindow::setHostArea(const VLRect& hostArea) {
    std::lock_guard lock(*_lock);
    _hostArea = isValidRect(hostArea) ? hostArea : VLRectNull;
}

void VLWindow::_updateAttributesOnComponentThread(const VLDictionary& attributes) {
    VLComponent::_updateAttributesOnComponentThread(attributes);
    const VLValue type = this->attributes().get("type");
    std::lock_guard lock(*_lock);
    if (type.isString() && !type.stringValue().empty())
        _type = type.stringValue();
    else
        _type.reset();
}

// Loading the view

std::shared_ptr<VLWSView> VLWindow::loadView() {
    // A child placed in a destroyed window still needs a view to go into, but no window may appear.
    if (isDestroyed())
        return VLComponent::loadView();
    const std::shared_ptr<VLWSView> host = hostView();
    const std::optional<std::string> kind = type();
    if (host && (!hostArea().isNull() || kind == "desktop"))
        return _hosting.loadView(host);

    std::shared_ptr<VLWSWindow> window = VLWindowKind::forType(kind).makeWindow();
    window->setContentView(VLComponent::loadView());
    window->setReleasedWhenClosed(false);
    window->setDelegate(std::weak_ptr<VLWSWindowDelegate>(self()));
    VLWindowKind::forType(kind).apply(*window, std::weak_ptr<VLNSWindowMouseEventDelegate>(self()));
    _window = window;
    _devicePixelRatio = float(window->backingScaleFactor());
    _passThrough.update(nullptr);
    _updateDragRegion();
    _fileDrops.update();
    return window->contentView();
}

void VLWindow::viewDidLoad() {
    if (_hosting.isHosted()) {
        _hosting.layout();
    } else {
        // A tree laid out before its view existed would otherwise leave the window at its first size.
        const VLRect frame = this->frame();
        if (frame.size.width > 0 && frame.size.height > 0)
            frameDidChange(frame);
    }
    std::vector<std::pair<Self, int64_t>> children;
    {
        std::lock_guard lock(*_lock);
        children = _childWindows;
    }
    for (const auto& [child, order] : children)
        _addChildWindowOnMainThread(child);
}

std::optional<VLRect> VLWindow::hostedFrame(const VLRect& bounds, bool flipped, const VLRect& area,
                                            const VLRect& frame) {
    return VLWindowHosting::hostedFrame(bounds, flipped, area, frame);
}

// Showing, closing, destroying

void VLWindow::show() {
    _widget.claimIfNeeded();
    onMainQueue([](VLWindow& self) { self._showOnMainThread(); });
}

void VLWindow::_showOnMainThread() {
    const std::shared_ptr<VLWSView> view = this->view();
    if (_hosting.isHosted()) {
        const std::shared_ptr<VLWSView> host = hostView();
        if (host && view->superview() != host.get()) {
            host->addSubview(view);
            _hosting.layout();
        }
        setOpen(true);
    } else if (_window) {
        if (VLWindowKind::forType(type()).activates) {
            _window->orderFront();
            VLWindowServer::shared()->activate();
            _window->makeKeyAndOrderFront();
        } else {
            _window->orderFrontRegardless();
        }
        _isShown = true;
        setOpen(true);
        _passThrough.updateMonitors();
        _passThrough.update(nullptr);
    }
    _updateRenderingDisplay();
}

void VLWindow::_updateRenderingDisplay() {
    const std::shared_ptr<VLRuntime> runtime = this->runtime();
    if (!runtime)
        return;
    std::optional<VLWSScreen> screen;
    if (_hosting.isHosted()) {
        const std::shared_ptr<VLWSView> host = hostView();
        if (host && host->window())
            screen = host->window()->screen();
    } else if (_window) {
        screen = _window->screen();
    }
    if (const std::optional<uint32_t> number = screen ? screen->screenNumber() : std::nullopt)
        runtime->renderingLoop()->setDisplayID(*number);
}

void VLWindow::close() {
    if (!isViewLoaded())
        return;
    onMainQueue([](VLWindow& self) { self._closeOnMainThread(); });
}

void VLWindow::_closeOnMainThread() {
    if (_hosting.isHosted()) {
        if (const std::shared_ptr<VLWSView> view = loadedView())
            view->removeFromSuperview();
        setOpen(false);
        _fireEvent("close", {});
    } else if (_window) {
        _window->close();
    }
}

void VLWindow::windowWillClose(VLWSWindow& window) {
    _tiling.stop();
    _screenKeeper.stop();
    _widget.release(window);
    _isShown = false;
    setOpen(false);
    _passThrough.removeMonitors();
    _fireEvent("close", {});
}

void VLWindow::destroy() {
    close();
    if (_destroyed.exchange(true))
        return;
    const std::shared_ptr<VLRuntime> runtime = this->runtime();
    if (runtime && std::dynamic_pointer_cast<VLWindow>(runtime->widgetWindowComponent()).get() == this)
        runtime->setWidgetWindowComponent({});
    _notifyInWindow(false);
    onMainQueue([](VLWindow& self) { self._tearDownOnMainThread(); });
    if (runtime)
        runtime->setNeedsGarbageCollection();
}

void VLWindow::_tearDownOnMainThread() {
    const std::shared_ptr<VLWSWindow> window = std::move(_window);
    _isShown = false;
    setOpen(false);
    _passThrough.removeMonitors();
    if (!window)
        return;
    if (std::shared_ptr<VLWSWindow> parent = window->parentWindow())
        parent->removeChildWindow(window);
    window->close();
    window->setDelegate({});
    window->setContentView(std::make_shared<VLWSView>());
}

void VLWindow::setOpen(bool open) {
    if (!open) {
        _openWork.reset();
        return;
    }
    if (_openWork)
        return;
    if (const std::shared_ptr<VLRuntime> runtime = this->runtime())
        _openWork = runtime->engine()->beginLastingWork();
}

// Regions and tiling

void VLWindow::setHitRegion(std::optional<VLWindowRegion> region) {
    region = validRegion(std::move(region));
    if (region == _hitRegion)
        return;
    _hitRegion = std::move(region);
    if (_hitRegionScheduled)
        return;
    _hitRegionScheduled = true;
    onComponentThread([](VLWindow& self) { self._applyHitRegion(); });
}

void VLWindow::_applyHitRegion() {
    _hitRegionScheduled = false;
    if (isDestroyed())
        return;
    layoutIfNeeded();
    // The region reaches the screen in the transaction of the layout it belongs to.
    VLScreenUpdatePerform([weak = weakSelf(), region = _hitRegion] {
        Self self = weak.lock();
        if (!self)
            return;
        self->_mainHitRegion = region;
        self->_resizeCorner.layout();
        self->_passThrough.updateMonitors();
        self->_passThrough.update(nullptr);
        self->_widget.keepOnDisplay();
    });
}

void VLWindow::setDragRegion(std::optional<VLWindowRegion> region) {
    region = validRegion(std::move(region));
    if (region == _dragRegion)
        return;
    _dragRegion = region;
    onMainQueue([region = std::move(region)](VLWindow& self) {
        self._mainDragRegion = region;
        self._updateDragRegion();
    });
}

void VLWindow::setAllowsTiling(bool allows) {
    _allowsTiling = allows;
    onMainQueue([allows](VLWindow& self) { self._tiling.setAllowsTiling(allows); });
}

// Mouse pass-through, wheel and drag region

bool VLWindow::nswindowTakesWheelEvent(const VLWSWindow& window, const VLWSEvent& event) {
    if (!followsRegions(type()))
        return window.isKeyWindow();
    return !_mainHitRegion ||
           VLWindowRegionContainsPoint(*_mainHitRegion,
                                       VLNSWindowLocationInContentView(window, event.locationInWindow()));
}

void VLWindow::_updateDragRegion() {
    auto* platform = dynamic_cast<VLNSWindowDragRegion*>(_window.get());
    if (!platform)
        return;
    const bool follows = followsRegions(type());
    platform->setDragRegion(follows ? _mainDragRegion : std::nullopt);
    _window->setMovableByWindowBackground(follows && !_mainDragRegion);
}

// Style

void VLWindow::updateStyle(const VLDictionary& style) {
    const VLDictionary old = this->style();
    if (style == old)
        return;
    std::set<std::string> changed;
    for (const VLDictionary* dictionary : {&old, &style})
        for (const auto& [key, value] : *dictionary)
            if (old.get(key) != style.get(key))
                changed.insert(key);
    if (!_writingOwnStyle) {
        _contentMovedOrigin = _contentMovedOrigin || changed.contains("left") || changed.contains("top");
        _contentResized = _contentResized || changed.contains("width") || changed.contains("height");
    }
    const std::shared_ptr<VLRuntime> runtime = this->runtime();
    const bool onlyMoved = std::all_of(changed.begin(), changed.end(),
                                       [](const std::string& key) { return key == "left" || key == "top"; });
    if ((runtime && runtime->isSuspended()) || !onlyMoved) {
        VLComponent::updateStyle(style);
        return;
    }
    // A move needs no restyle on the main thread, only a layout, and that at once.
    _updateStyleOnComponentThread(style);
    if (_moveScheduled)
        return;
    _moveScheduled = true;
    onComponentThread([](VLWindow& self) { self._applyMove(); });
}

void VLWindow::_applyMove() {
    _moveScheduled = false;
    if (!isDestroyed())
        layoutIfNeeded();
}

void VLWindow::_writeOwnStyle(const VLDictionary& style) {
    _writingOwnStyle = true;
    updateStyle(style);
    _writingOwnStyle = false;
}

void VLWindow::_updateStyleOnMainThread() {
    VLComponent::_updateStyleOnMainThread();
    if (_window)
        _window->setBackgroundColor(_window->isOpaque() ? backgroundColor().value_or(VLColor::clearColor())
                                                        : VLColor::clearColor());
}

void VLWindow::_setWindowStyleMask(bool on, uint64_t mask) {
    if (_window)
        _window->setStyleMask(on ? _window->styleMask() | mask : _window->styleMask() & ~mask);
}

// Listened events

bool VLWindow::allowsKeyboard() const {
    const std::shared_ptr<VLRuntime> runtime = this->runtime();
    return !runtime || runtime->allowsKeyboard();
}

void VLWindow::_addEventOnMainThread(const std::string& name) {
    VLComponent::_addEventOnMainThread(name);
    if (VLWindowFileDrops::isDragEvent(name))
        _fileDrops.update();
    if (isKeyEvent(name) && allowsKeyboard())
        setKeyboardEventDelegate(true);
}

void VLWindow::_removeEventOnMainThread(const std::string& name) {
    VLComponent::_removeEventOnMainThread(name);
    if (VLWindowFileDrops::isDragEvent(name))
        _fileDrops.update();
    if (isKeyEvent(name)) {
        const std::vector<std::string> events = this->events();
        if (std::none_of(events.begin(), events.end(), isKeyEvent))
            setKeyboardEventDelegate(false);
    }
}

void VLWindow::setKeyboardEventDelegate(bool listens) {
    if (auto* source = dynamic_cast<VLNSWindowKeyboardEventSource*>(_window.get()))
        source->setKeyboardEventDelegate(listens ? std::weak_ptr<VLNSWindowKeyboardEventDelegate>(self())
                                                 : std::weak_ptr<VLNSWindowKeyboardEventDelegate>());
}

void VLWindow::nswindowDidReceiveKeyboardEventWithType(VLWSWindow&, const std::string& type,
                                                       const VLDictionary& payload) {
    _fireEvent(type, payload);
}

void VLWindow::nswindowDidReceiveMouseEventWithType(VLWSWindow&, const std::string& type,
                                                    const VLDictionary& payload) {
    _fireEvent(type, payload);
}

// Frames and layout

void VLWindow::setFrame(const VLRect& frame) {
    const std::shared_ptr<VLRuntime> runtime = this->runtime();
    if (runtime && runtime->widgetSizing()) {
        if (_contentMovedOrigin || _contentResized)
            ++_contentLayouts;
        const VLWidgetWindowPlacement::LayoutSource source{_contentMovedOrigin, _contentResized,
                                                           _styleOriginOffset, _contentLayouts};
        _contentMovedOrigin = false;
        _contentResized = false;
        VLScreenUpdatePerform([weak = weakSelf(), source] {
            if (Self self = weak.lock())
                self->_widget.noteLayoutSource(source);
        });
    }
    VLComponent::setFrame(frame);
}

void VLWindow::frameDidChange(const VLRect& frame) {
    if (_hosting.isHosted()) {
        _hosting.layout();
        return;
    }
    if (!_window || !isValidRect(frame))
        return;
    const bool isWidgetWindow = _widget.isWidgetWindow();
    if (isWidgetWindow && !_widget.acceptsLayoutFrame(frame))
        return;
    const bool follows = !_screenKeeper.holdsWindow();
    // The layout frame is in flipped screen coordinates; the platform's run upwards.
    VLRect layout = frame;
    std::optional<VLWSScreen> screen;
    if (isWidgetWindow) {
        const VLWidgetWindowPlacement::LayoutSource source = _widget.takeLayoutSource();
        if (_window->isVisible())
            screen = _widget.geometry().screenForWidgetFrame(source.movedByContent ? _flipRect(frame)
                                                                                   : _window->frame());
        if (follows)
            _widget.takePlaceFromLayout(frame, source);
        _widget.noteStartingOffset(frame);
        if (const std::optional<VLPoint> place = _widget.place())
            layout.origin = *place;
    }
    VLRect target = _screenKeeper.restrictedFrame(_flipRect(layout), screen);
    if (!follows) {
        const VLRect current = _window->frame();
        target.origin = {current.origin.x, current.maxY() - target.size.height};
    }
    const std::shared_ptr<VLRuntime> runtime = this->runtime();
    if (isWidgetWindow && runtime && _widget.sizing()->resizableByContent())
        runtime->setWidgetWindowSize(_widget.geometry().sizeInRange(frame.size));
    // A script may still resize a window whose tiling is being undone.
    _tiling.noteLayoutFrame(target);
    _isResizeByLayout = true;
    _window->contentView()->setFrameOrigin({0, 0});
    if (target.size == _window->frame().size)
        _window->setFrameOrigin(target.origin);
    else
        _window->setFrame(target, true);
    _isResizeByLayout = false;
    _resizeCorner.layout();
    _passThrough.update(nullptr);
    if (!isWidgetWindow)
        return;
    if (runtime)
        runtime->setWidgetWindowMargins(_widget.marginsForSize(target.size));
    if (follows || target.size != frame.size)
        _widget.tellFrame(target, frame);
}

bool VLWindow::needsLayout() const {
    return !isLiveResize() && VLComponent::needsLayout();
}

bool VLWindow::isLiveResize() const {
    std::lock_guard lock(*_lock);
    return _isLiveResize;
}

void VLWindow::handleRenderingTick() {
    if (needsLayout())
        setNeedsLayout();
}

// Platform happenings

void VLWindow::windowDidChangeOcclusionState(VLWSWindow& window) {
    _fireEvent(window.occlusionState() & VLWSWindowOcclusionStateVisible ? "show" : "hide", {});
}

void VLWindow::windowDidBecomeMain(VLWSWindow&) {
    _fireEvent("focus", {});
}

void VLWindow::windowDidResignMain(VLWSWindow&) {
    _fireEvent("blur", {});
}

void VLWindow::windowDidChangeScreen(VLWSWindow&) {
    _updateRenderingDisplay();
}

void VLWindow::windowDidChangeBackingProperties(VLWSWindow& window) {
    const float scale = float(window.backingScaleFactor());
    if (!(scale > 0) || scale == _devicePixelRatio.load())
        return;
    _devicePixelRatio = scale;
    // A ratio the host fixed is what the script sees, whatever the screen.
    const std::shared_ptr<VLRuntime> runtime = this->runtime();
    if (!(runtime && runtime->devicePixelRatio() > 0))
        _fireEvent("devicepixelratiochange", {});
}

// User moves and resizes

bool VLWindow::isLeftButtonHeld() {
    return VLWindowServer::shared()->inputState().pressedMouseButtons() & 1;
}

void VLWindow::windowDidMove(VLWSWindow& window) {
    _passThrough.update(nullptr);
    if (_isResizeByLayout || _tiling.isUndoing())
        return;
    const VLWSInputState& input = VLWindowServer::shared()->inputState();
    if (isLeftButtonHeld() && window.vl_pressMovesWindow() &&
        VLPointInRect(input.mouseLocation(), window.frame()))
        _screenKeeper.noteUserMove();
    // A move the engine or the host made is the widget window's new place.
    if (_widget.isWidgetWindow() && !_screenKeeper.holdsWindow() && !_isKeepingWidgetOnDisplay)
        _widget.setPlace(_flipRect(window.frame()).origin);
    if (!_screenKeeper.isSliding())
        _screenKeeper.restrictMovedFrame();
    const VLPoint origin = _flipRect(window.frame()).origin;
    _performOnComponentThread(
        [origin, offset = _widget.offsetFrom(origin)](VLWindow& self) { self._moveWindow(origin, offset); });
}

void VLWindow::windowWillStartLiveResize(VLWSWindow& window) {
    if (_widget.startUserResize())
        return;
    {
        std::lock_guard lock(*_lock);
        _isLiveResize = true;
    }
    _tiling.liveResizeWillStart(window, _widget.isWidgetWindow());
}

void VLWindow::windowDidResize(VLWSWindow& window) {
    if (_widget.isUserResizing()) {
        _widget.userResizeDidResize(window);
        return;
    }
    if (_tiling.undoResize(window))
        return;
    if (!isLiveResize() && !_isResizeByLayout)
        _tellWindowResized();
}

void VLWindow::windowDidEndLiveResize(VLWSWindow& window) {
    if (_widget.isUserResizing()) {
        _widget.endUserResize(window);
        return;
    }
    {
        std::lock_guard lock(*_lock);
        _isLiveResize = false;
    }
    if (!_tiling.endLiveResize(window))
        _tellWindowResized();
}

VLSize VLWindow::windowWillResize(VLWSWindow&, VLSize frameSize) {
    return _widget.proposedSize(frameSize);
}

bool VLWindow::windowShouldZoom(VLWSWindow&, VLRect) {
    _tiling.setZoomingOrFullScreening(true);
    VLMainQueue::async([weak = weakSelf()] {
        if (Self self = weak.lock())
            self->_tiling.setZoomingOrFullScreening(false);
    });
    return true;
}

void VLWindow::_tellWindowResized() {
    if (!_window)
        return;
    const VLRect frame = _flipRect(_window->frame());
    _performOnComponentThread([frame, offset = _widget.offsetFrom(frame.origin)](VLWindow& self) {
        self._resizeWindow(frame, offset);
    });
}

// Written back on the component thread

bool VLWindow::isRuntimeWidgetWindow() const {
    const std::shared_ptr<VLRuntime> runtime = this->runtime();
    return runtime &&
           runtime->widgetWindowComponent().get() == static_cast<const VLWidgetWindowComponent*>(this);
}

VLDictionary VLWindow::styleAtOrigin(VLPoint origin) const {
    VLDictionary style = this->style();
    style.erase("start");
    style.erase("end");
    style.set("left", origin.x);
    style.set("top", origin.y);
    for (const char* key : {"right", "bottom", "marginLeft", "marginTop", "marginRight", "marginBottom"})
        style.set(key, 0);
    return style;
}

void VLWindow::_moveWindow(VLPoint origin, VLPoint offset) {
    _contentMovedOrigin = false;
    _styleOriginOffset = offset;
    _writeOwnStyle(styleAtOrigin(origin));
    _fireEvent("move", {{"x", origin.x}, {"y", origin.y}});
}

void VLWindow::_resizeWindow(const VLRect& frame, VLPoint offset) {
    if (isRuntimeWidgetWindow()) {
        _widget.applyFrame(frame, offset, true, 0);
        return;
    }
    VLDictionary style = styleAtOrigin(frame.origin);
    // Minimum and maximum too, so that layout keeps the size the window was given.
    for (const char* key : {"width", "minWidth", "maxWidth"})
        style.set(key, frame.size.width);
    for (const char* key : {"height", "minHeight", "maxHeight"})
        style.set(key, frame.size.height);
    _writeOwnStyle(style);
    _fireEvent("resize", {});
}

// The widget window

void VLWindow::_performOnComponentThread(std::function<void(VLWindow&)> block) {
    onComponentThread([block = std::move(block)](VLWindow& self) {
        if (!self.isDestroyed())
            block(self);
    });
}

VLRect VLWindow::_flipRect(const VLRect& rect) {
    return VLWindowServer::shared()->snapshot()->flip(rect);
}

void VLWindow::moveWidgetToPlace(VLPoint place) {
    _widget.moveToPlace(place);
}

uint64_t VLWindow::nswindowFileDragWithType(VLWSWindow& window, const std::string& type,
                                            const VLWSDraggingInfo* info) {
    return _fileDrops.dragWithType(window, type, info);
}
