#include "Modules/Window/Window/VLWindow.h"

#include "Core/Engine/RunLoop/VLQueueSupport.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Engine/Support/VLLocks.h"
#include "Core/Runtime/Rendering/VLRenderingLoop.h"
#include "Core/Runtime/Rendering/VLScreenUpdate.h"
#include "Core/Runtime/VLRuntime.h"
#include "Core/Runtime/VLRuntimeWindowNotifications.h"
#include "Core/Runtime/VLWidgetWindowComponent.h"
#include "Modules/Window/Window/Geometry/VLScreenChoice.h"
#include "Modules/Window/Window/Geometry/VLWidgetCornerMeasurement.h"
#include "Modules/Window/Window/Geometry/VLWidgetResizeHintPlacement.h"
#include "Modules/Window/Window/Geometry/VLWindowRestriction.h"
#include "Modules/Window/Window/VLNSPanel.h"
#include "Modules/Window/Window/VLNSWindowCommon.h"
#include "Modules/Window/Window/VLNSWindowKeyboardEventSource.h"
#include "Modules/Window/Window/VLWidgetResizeHintView.h"
#include "Modules/Window/Window/VLWindowDraggedFileInfo.h"
#include "Modules/Window/Window/VLWindowDraggedFileURLs.h"
#include "Modules/Window/Window/VLWindowKind.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/Graphics/VLColor.h"
#include "Platform/WindowServer/VLWSEvent.h"
#include "Platform/WindowServer/VLWSEventMonitor.h"
#include "Platform/WindowServer/VLWSInputState.h"
#include "Platform/WindowServer/VLWSTimer.h"
#include "Platform/WindowServer/VLWSTrackingArea.h"
#include "Platform/WindowServer/VLWSView.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWindowServer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <set>

namespace {

// Releases, drags and moves of every button: what the hit region's pass-through follows.
constexpr uint64_t kHitRegionEventMask = 0xc0000f4;
// Entered and exited, moved, always active, in the visible rectangle: the widget's hover.
constexpr uint64_t kWidgetHoverTrackingOptions = VLWSTrackingMouseEnteredAndExited | VLWSTrackingMouseMoved |
                                                 VLWSTrackingActiveAlways | VLWSTrackingInVisibleRect;
// The platform's NSWindowAnimationBehaviorNone.
constexpr int64_t kWindowAnimationBehaviorNone = 2;

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

bool isFileDragEvent(const std::string& name) {
    return name == "dragenter" || name == "dragover" || name == "dragleave" || name == "drop";
}

// A point from the host or the sizing, when it can be a place at all.
std::optional<VLPoint> finitePoint(const std::optional<VLPoint>& point) {
    return point && point->isFinite() ? point : std::nullopt;
}

// Widgets and overlays draw freely on a transparent window: their regions say where they are solid.
bool followsRegions(const std::optional<std::string>& type) {
    return type == "widget" || type == "overlay";
}

// Regions hold upright rectangles only, on which the platform's point rules agree.
bool regionContainsPoint(const VLWindowRegion& region, VLPoint point) {
    return std::any_of(region.begin(), region.end(),
                       [&](const VLRect& rect) { return VLPointInRect(point, rect); });
}

} // namespace

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

VLWindow::VLWindow() : _lock(VLCreateFastLock()), _thread(VLRunLoopThread::current()) {}

VLWindow::~VLWindow() {
    // The platform window and the monitors are the main thread's; the block holds them until it runs.
    VLExecuteOnMainQueue(
        [window = std::move(_window), global = std::move(_hitRegionGlobalMonitor),
         local = std::move(_hitRegionLocalMonitor), cornerGlobal = std::move(_cornerGlobalMonitor),
         cornerLocal = std::move(_cornerLocalMonitor), observer = std::move(_hostViewFrameObserver),
         screens = std::move(_screenParametersObserver), hover = std::move(_hoverTrackingArea),
         hint = std::move(_resizeHintWindow), hintView = std::move(_resizeHint),
         dragTimer = std::move(_dragTimer)] {
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
        return _loadViewInHostView(host);

    std::shared_ptr<VLWSWindow> window = VLWindowKind::forType(kind).makeWindow();
    window->setContentView(VLComponent::loadView());
    window->setReleasedWhenClosed(false);
    window->setDelegate(std::weak_ptr<VLWSWindowDelegate>(self()));
    VLWindowKind::forType(kind).apply(*window, std::weak_ptr<VLNSWindowMouseEventDelegate>(self()));
    _window = window;
    _devicePixelRatio = float(window->backingScaleFactor());
    _updateMousePassThrough();
    _updateDragRegion();
    _updateFileDrops();
    return window->contentView();
}

std::shared_ptr<VLWSView> VLWindow::_loadViewInHostView(const std::shared_ptr<VLWSView>& hostView) {
    std::shared_ptr<VLWSView> view = VLComponent::loadView();
    _isHosted = true;
    const double scale = hostView->window() ? hostView->window()->backingScaleFactor() : 0;
    _devicePixelRatio = float(scale != 0 ? scale : mainScreenScale());
    hostView->addSubview(view);
    hostView->setPostsFrameChangedNotifications(true);
    _hostViewFrameObserver = VLNotificationCenter::defaultCenter().addObserver(
        VLWSViewFrameDidChangeNotification, hostView.get(), [weak = weakSelf()](const VLNotification&) {
            if (Self self = weak.lock())
                self->_layoutInHostView();
        });
    return view;
}

void VLWindow::viewDidLoad() {
    if (_isHosted) {
        _layoutInHostView();
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
    if (area.isNull())
        return bounds;
    if (!(area.size.width > 0 && area.size.height > 0))
        return std::nullopt;
    const double scale = std::min(bounds.size.width / area.size.width, bounds.size.height / area.size.height);
    const double ox = (bounds.size.width - area.size.width * scale) / 2;
    const double oy = (bounds.size.height - area.size.height * scale) / 2;
    const double width = frame.size.width * scale;
    const double height = frame.size.height * scale;
    const double x = bounds.origin.x + ox + (frame.origin.x - area.origin.x) * scale;
    const double y = flipped ? bounds.origin.y + oy + (frame.origin.y - area.origin.y) * scale
                             : bounds.origin.y + bounds.size.height - oy -
                                   (frame.origin.y - area.origin.y) * scale - height;
    const VLRect placed{x, y, width, height};
    return isValidRect(placed) ? std::optional(placed) : std::nullopt;
}

void VLWindow::_layoutInHostView() {
    const std::shared_ptr<VLWSView> host = hostView();
    const std::shared_ptr<VLWSView> view = loadedView();
    if (!host || !view)
        return;
    const VLRect frame = this->frame();
    if (std::optional<VLRect> placed = hostedFrame(host->bounds(), host->isFlipped(), hostArea(), frame))
        view->setFrame(*placed);
    if (frame.size.width > 0 && frame.size.height > 0)
        view->setBounds({0, 0, frame.size.width, frame.size.height});
}

// Showing, closing, destroying

void VLWindow::show() {
    _claimWidgetWindowIfNeeded();
    onMainQueue([](VLWindow& self) { self._showOnMainThread(); });
}

void VLWindow::_showOnMainThread() {
    const std::shared_ptr<VLWSView> view = this->view();
    if (_isHosted) {
        const std::shared_ptr<VLWSView> host = hostView();
        if (host && view->superview() != host.get()) {
            host->addSubview(view);
            _layoutInHostView();
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
        _updateHitRegionMonitors();
        _updateMousePassThrough();
    }
    _updateRenderingDisplay();
}

void VLWindow::_updateRenderingDisplay() {
    const std::shared_ptr<VLRuntime> runtime = this->runtime();
    if (!runtime)
        return;
    std::optional<VLWSScreen> screen;
    if (_isHosted) {
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
    if (_isHosted) {
        if (const std::shared_ptr<VLWSView> view = loadedView())
            view->removeFromSuperview();
        setOpen(false);
        _fireEvent("close", {});
    } else if (_window) {
        _window->close();
    }
}

void VLWindow::windowWillClose(VLWSWindow& window) {
    _isUndoingTiling = false;
    _stopDragTimer();
    _isSliding = false;
    _isMovedByUser = false;
    _releaseWidgetWindow(window);
    _isShown = false;
    setOpen(false);
    _removeHitRegionMonitors();
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
    _removeHitRegionMonitors();
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

// Parent and child windows

std::shared_ptr<VLWindow> VLWindow::parentWindow() const {
    return _parentWindow.lock();
}

void VLWindow::setParentWindow(const std::shared_ptr<VLWindow>& parent) {
    for (Self ancestor = parent; ancestor; ancestor = ancestor->parentWindow())
        if (ancestor.get() == this)
            return;
    if (Self current = parentWindow())
        current->_removeChildWindow(self());
    _parentWindow = parent;
    if (parent)
        parent->_addChildWindow(self());
}

std::vector<std::shared_ptr<VLWindow>> VLWindow::childWindows() const {
    std::lock_guard lock(*_lock);
    std::vector<Self> children;
    for (const auto& [child, order] : _childWindows)
        children.push_back(child);
    return children;
}

void VLWindow::_addChildWindow(const Self& child) {
    {
        std::lock_guard lock(*_lock);
        _childWindows.emplace_back(child, int64_t(VLWSWindowOrderingMode::Above));
    }
    if (isViewLoaded())
        onMainQueue([child](VLWindow& self) { self._addChildWindowOnMainThread(child); });
}

void VLWindow::_removeChildWindow(const Self& child) {
    if (!child->parentWindow())
        return;
    {
        std::lock_guard lock(*_lock);
        auto found = std::find_if(_childWindows.begin(), _childWindows.end(),
                                  [&](const auto& entry) { return entry.first == child; });
        if (found == _childWindows.end())
            return;
        _childWindows.erase(found);
    }
    if (isViewLoaded())
        onMainQueue([child](VLWindow& self) { self._removeChildWindowOnMainThread(child); });
}

void VLWindow::_addChildWindowOnMainThread(const Self& child) {
    child->view();
    if (_window && child->_window)
        _window->addChildWindow(child->_window);
}

void VLWindow::_removeChildWindowOnMainThread(const Self& child) {
    if (_window && child->_window)
        _window->removeChildWindow(child->_window);
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
        self->_layoutResizeHint();
        self->_updateHitRegionMonitors();
        self->_updateMousePassThrough();
        self->_keepWidgetOnDisplay();
    });
}

void VLWindow::_updateHitRegionMonitors() {
    if (!_mainHitRegion || !_isShown) {
        _removeHitRegionMonitors();
        return;
    }
    if (_hitRegionGlobalMonitor)
        return;
    _hitRegionGlobalMonitor = VLWSEvent::addGlobalMonitorForEventsMatchingMask(
        kHitRegionEventMask, [weak = weakSelf()](const VLWSEvent& event) {
            if (Self self = weak.lock())
                self->_updateMousePassThroughWithEvent(&event);
        });
    _hitRegionLocalMonitor = VLWSEvent::addLocalMonitorForEventsMatchingMask(
        kHitRegionEventMask, [weak = weakSelf()](const VLWSEvent& event) -> std::optional<VLWSEvent> {
            Self self = weak.lock();
            if (!self)
                return event;
            self->_updateMousePassThroughWithEvent(&event);
            // The pass-through decides this window's moves; nobody else is to see them.
            if (event.type() == VLWSEventType::MouseMoved && self->_window &&
                event.windowNumber() == self->_window->windowNumber())
                return std::nullopt;
            return event;
        });
}

void VLWindow::_removeHitRegionMonitors() {
    VLWSEvent::removeMonitor(std::exchange(_hitRegionGlobalMonitor, nullptr));
    VLWSEvent::removeMonitor(std::exchange(_hitRegionLocalMonitor, nullptr));
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
    onMainQueue([allows](VLWindow& self) { self._mainAllowsTiling = allows; });
}

// Mouse pass-through, wheel and drag region

void VLWindow::_updateMousePassThroughWithEvent(const VLWSEvent* event) {
    if (!_window)
        return;
    if (!_mainHitRegion) {
        if (_window->ignoresMouseEvents())
            _window->setIgnoresMouseEvents(false);
        return;
    }
    // A held button keeps the setting, so a press or drag never loses its window halfway; only files
    // dragged from elsewhere must find the way in.
    const bool draggedFromElsewhere = event && !event->window() && _acceptsFileDrops;
    if (VLWSEvent::pressedMouseButtons() != 0 && !draggedFromElsewhere)
        return;
    const VLPoint pointer = VLWSEvent::mouseLocation();
    const VLRect frame = _window->frame();
    const bool inside = VLMouseInRect(pointer, frame, false);
    const bool takes =
        inside && _takesMouseAtWindowPoint({pointer.x - frame.origin.x, frame.maxY() - pointer.y});
    const bool changed = _window->ignoresMouseEvents() == takes;
    if (changed)
        _window->setIgnoresMouseEvents(!takes);
    if (_resizeHint)
        _pointerIsOver(inside);
    if (inside && (changed || (event && event->type() == VLWSEventType::MouseMoved)))
        _sendMouseMovedUnderPointer(event);
}

bool VLWindow::_takesMouseAtWindowPoint(VLPoint point) const {
    const VLSize size = _window->frame().size;
    if (_hasUserResizeEdge() &&
        !VLRectContainsPoint(VLRect(0, 0, size.width, size.height).insetBy(6, 6), point))
        return true;
    return regionContainsPoint(*_mainHitRegion, point);
}

void VLWindow::_sendMouseMovedUnderPointer(const VLWSEvent* cause) {
    const std::optional<VLWSEvent> moved = VLWSEvent::mouseEvent({
        .type = VLWSEventType::MouseMoved,
        .location = _window->convertPointFromScreen(VLWSEvent::mouseLocation()),
        .modifierFlags = VLWSEvent::currentModifierFlags(),
        .timestamp = cause ? cause->timestamp() : VLWindowServer::shared()->clock().now(),
        .windowNumber = _window->windowNumber(),
    });
    const std::shared_ptr<VLWSView> content = _window->contentView();
    if (!moved || !content)
        return;
    const VLWSView* frameView = content->superview();
    const VLPoint point = frameView ? frameView->convertPointFromView(moved->locationInWindow(), nullptr)
                                    : moved->locationInWindow();
    if (VLWSView* view = content->hitTest(point))
        view->mouseMoved(*moved);
}

bool VLWindow::nswindowTakesWheelEvent(const VLWSWindow& window, const VLWSEvent& event) {
    if (!followsRegions(type()))
        return window.isKeyWindow();
    return !_mainHitRegion || regionContainsPoint(*_mainHitRegion, VLNSWindowLocationInContentView(
                                                                       window, event.locationInWindow()));
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
    if (isFileDragEvent(name))
        _updateFileDrops();
    if (isKeyEvent(name) && allowsKeyboard())
        setKeyboardEventDelegate(true);
}

void VLWindow::_removeEventOnMainThread(const std::string& name) {
    VLComponent::_removeEventOnMainThread(name);
    if (isFileDragEvent(name))
        _updateFileDrops();
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
        const LayoutSource source{_contentMovedOrigin, _contentResized, _styleOriginOffset, _contentLayouts};
        _contentMovedOrigin = false;
        _contentResized = false;
        VLScreenUpdatePerform([weak = weakSelf(), source] {
            if (Self self = weak.lock()) {
                self->_layoutSource = source;
                self->_placedContentLayouts = std::max(self->_placedContentLayouts, source.contentLayouts);
            }
        });
    }
    VLComponent::setFrame(frame);
}

void VLWindow::frameDidChange(const VLRect& frame) {
    if (_isHosted) {
        _layoutInHostView();
        return;
    }
    if (!_window || !isValidRect(frame))
        return;
    if (_isWidgetWindow) {
        if (_isUserResizing)
            return;
        // Until the layout that a user resize asked for arrives, older ones would shrink the window back.
        if (_userResizeTarget != VLRectZero) {
            if (frame.size != _userResizeTarget.size)
                return;
            _userResizeTarget = VLRectZero;
        }
    }
    // While the user moves the window or it slides, it stays where it is.
    const bool follows = !_isMovedByUser && !_isSliding;
    // The layout frame is in flipped screen coordinates; the platform's run upwards.
    VLRect layout = frame;
    std::optional<VLWSScreen> screen;
    if (_isWidgetWindow) {
        const LayoutSource source = std::exchange(_layoutSource, {});
        if (_window->isVisible())
            screen = _screenForWidgetFrame(source.movedByContent ? _flipRect(frame) : _window->frame());
        if (follows)
            _takeWidgetPlaceFromLayout(frame, source);
        _noteStartingOffset(frame);
        if (_hasWidgetPlace)
            layout.origin = _widgetPlace;
    }
    VLRect target = _restrictedFrame(_flipRect(layout), screen);
    if (!follows) {
        const VLRect current = _window->frame();
        target.origin = {current.origin.x, current.maxY() - target.size.height};
    }
    const std::shared_ptr<VLRuntime> runtime = this->runtime();
    if (_isWidgetWindow && runtime && _widgetSizing->resizableByContent())
        runtime->setWidgetWindowSize(_widgetSizeInRange(frame.size));
    // A script may still resize a window whose tiling is being undone.
    if (_isUndoingTiling)
        _untiledFrame = target;
    _isResizeByLayout = true;
    _window->contentView()->setFrameOrigin({0, 0});
    if (target.size == _window->frame().size)
        _window->setFrameOrigin(target.origin);
    else
        _window->setFrame(target, true);
    _isResizeByLayout = false;
    _layoutResizeHint();
    _updateMousePassThrough();
    if (!_isWidgetWindow)
        return;
    if (runtime)
        runtime->setWidgetWindowMargins(_widgetMarginsForSize(target.size));
    if (follows || target.size != frame.size)
        _tellWidgetFrame(target, frame);
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
    _updateMousePassThrough();
    if (_isResizeByLayout || _isUndoingTiling)
        return;
    const VLWSInputState& input = VLWindowServer::shared()->inputState();
    if (isLeftButtonHeld() && window.vl_pressMovesWindow() &&
        VLPointInRect(input.mouseLocation(), window.frame()))
        _isMovedByUser = true;
    // A move the engine or the host made is the widget window's new place.
    if (_isWidgetWindow && !_isMovedByUser && !_isSliding && !_isKeepingWidgetOnDisplay)
        _setWidgetPlace(_flipRect(window.frame()).origin);
    if (!_isSliding)
        _restrictMovedFrame();
    const VLPoint origin = _flipRect(window.frame()).origin;
    _performOnComponentThread(
        [origin, offset = _widgetOffsetFrom(origin)](VLWindow& self) { self._moveWindow(origin, offset); });
}

// Keeping windows on screen

void VLWindow::_restrictMovedFrame() {
    if (_isSliding)
        return;
    if (!_window || _isHosted || !_window->isVisible()) {
        _stopDragTimer();
        _isMovedByUser = false;
        return;
    }
    if (isLeftButtonHeld()) {
        _startDragTimer();
        return;
    }
    _stopDragTimer();
    const VLWindowServer& server = *VLWindowServer::shared();
    if (_isMovedByUser)
        _dropScreen =
            VLScreenChoice::underPointer(server.snapshot()->screens(), server.inputState().mouseLocation());
    const VLRect current = _window->frame();
    VLRect frame = current;
    if (_isWidgetWindow && _hasWidgetPlace && !_isMovedByUser) {
        VLRect flipped = _flipRect(frame);
        flipped.origin = _widgetPlace;
        frame = _flipRect(flipped);
    }
    const VLRect restricted = _restrictedFrame(frame);
    _dropScreen.reset();
    if (_isWidgetWindow && _isMovedByUser)
        _setWidgetPlace(_flipRect(restricted).origin);
    if (restricted == current) {
        _endUserMove();
        return;
    }
    if (_isMovedByUser && restricted.size == current.size &&
        !server.workspace().accessibilityDisplayShouldReduceMotion()) {
        _slideTo(restricted.origin);
        return;
    }
    _isKeepingWidgetOnDisplay = true;
    _window->setFrame(restricted, true);
    _isKeepingWidgetOnDisplay = false;
    _endUserMove();
}

void VLWindow::_startDragTimer() {
    if (_dragTimer)
        return;
    _dragTimer = VLWindowServer::shared()->clock().scheduleTimer(1.0 / 120, true,
                                                                 [weak = weakSelf()](VLWSTimer& timer) {
                                                                     if (const Self self = weak.lock())
                                                                         self->_dragTick();
                                                                     else
                                                                         timer.invalidate();
                                                                 });
}

void VLWindow::_stopDragTimer() {
    if (const std::shared_ptr<VLWSTimer> timer = std::exchange(_dragTimer, nullptr))
        timer->invalidate();
}

void VLWindow::_dragTick() {
    if (!_isSliding) {
        if (!isLeftButtonHeld())
            _restrictMovedFrame();
        return;
    }
    if (!_window || !_window->isVisible()) {
        _isSliding = false;
        _stopDragTimer();
        _endUserMove();
        return;
    }
    // The user took the window again: it stays where the slide got to, and the timer waits.
    if (isLeftButtonHeld() && _window->vl_pressMovesWindow()) {
        _isSliding = false;
        return;
    }
    const VLWindowSlide::Step step = _slide.stepAt(VLWindowServer::shared()->clock().now());
    _isKeepingWidgetOnDisplay = true;
    _window->setFrameOrigin(step.origin);
    _isKeepingWidgetOnDisplay = false;
    if (step.finished) {
        _isSliding = false;
        _stopDragTimer();
        _endUserMove();
    }
}

void VLWindow::_slideTo(VLPoint origin) {
    _slide = VLWindowSlide(_window->frame().origin, origin, VLWindowServer::shared()->clock().now());
    _isSliding = true;
    _startDragTimer();
}

void VLWindow::_endUserMove() {
    if (!_isMovedByUser)
        return;
    _isMovedByUser = false;
    if (auto* platform = dynamic_cast<VLNSWindowDragRegion*>(_window.get()))
        platform->setPressMovesWindow(false);
    if (const std::shared_ptr<VLRuntime> runtime = this->runtime())
        VLNotificationCenter::defaultCenter().post(VLRuntimeWindowDidEndUserMoveNotification, runtime.get());
}

void VLWindow::windowWillStartLiveResize(VLWSWindow& window) {
    // The user took the widget by its resize corner.
    if (_isWidgetWindow && isLeftButtonHeld()) {
        _isUserResizing = true;
        _hideResizeHint();
        return;
    }
    {
        std::lock_guard lock(*_lock);
        _isLiveResize = true;
    }
    // Without the button held, the system is tiling the window.
    if ((!_mainAllowsTiling || _isWidgetWindow) && !_isZoomingOrFullScreening && !isLeftButtonHeld()) {
        _isUndoingTiling = true;
        _untiledFrame = window.frame();
    }
}

void VLWindow::windowDidResize(VLWSWindow& window) {
    if (_isUserResizing) {
        _widgetSize = window.frame().size;
        _layoutResizeHint();
        _scheduleUserResize();
        return;
    }
    if (_isUndoingTiling) {
        if (window.frame() != _untiledFrame)
            window.setFrame(_untiledFrame, true);
        return;
    }
    if (!isLiveResize() && !_isResizeByLayout)
        _tellWindowResized();
}

void VLWindow::windowDidEndLiveResize(VLWSWindow& window) {
    if (_isUserResizing) {
        _isUserResizing = false;
        _widgetSize = window.frame().size;
        const std::shared_ptr<VLRuntime> runtime = this->runtime();
        if (runtime)
            runtime->setWidgetWindowSize(_widgetSize);
        // The layout this resize causes must not take the window back to the size before it.
        _userResizeTarget = _flipRect(window.frame());
        _scheduleUserResize();
        VLWSClock& clock = VLWindowServer::shared()->clock();
        clock.cancelPerforms(this, "_forgetUserResizeTarget");
        clock.perform(this, "_forgetUserResizeTarget", 0.5, [weak = weakSelf()] {
            if (Self self = weak.lock())
                self->_forgetUserResizeTarget();
        });
        if (runtime)
            VLNotificationCenter::defaultCenter().post(VLRuntimeWidgetWindowDidEndUserResizeNotification,
                                                       runtime.get());
        return;
    }
    {
        std::lock_guard lock(*_lock);
        _isLiveResize = false;
    }
    if (_isUndoingTiling) {
        window.setFrame(_untiledFrame, true);
        _isUndoingTiling = false;
    } else {
        _tellWindowResized();
    }
}

VLSize VLWindow::windowWillResize(VLWSWindow&, VLSize frameSize) {
    return _isWidgetWindow && _isUserResizing ? widgetGeometry().proposedSize(frameSize) : frameSize;
}

bool VLWindow::windowShouldZoom(VLWSWindow&, VLRect) {
    _isZoomingOrFullScreening = true;
    VLMainQueue::async([weak = weakSelf()] {
        if (Self self = weak.lock())
            self->_isZoomingOrFullScreening = false;
    });
    return true;
}

void VLWindow::_tellWindowResized() {
    if (!_window)
        return;
    const VLRect frame = _flipRect(_window->frame());
    _performOnComponentThread([frame, offset = _widgetOffsetFrom(frame.origin)](VLWindow& self) {
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
        _applyWidgetFrame(frame, offset, true, 0);
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

VLWidgetFrameGeometry VLWindow::widgetGeometry() const {
    VLWidgetFrameGeometry geometry;
    if (_widgetSizing)
        geometry.sizing = *_widgetSizing;
    geometry.widgetSize = _widgetSize;
    geometry.mainHitRegion = _mainHitRegion;
    geometry.screens = VLWindowServer::shared()->snapshot()->screens();
    if (_window)
        geometry.windowScreen = _window->screen();
    geometry.chosenScreen = _dropScreen ? _dropScreen : _widgetFrameScreen;
    return geometry;
}

VLRect VLWindow::_restrictedFrame(const VLRect& frame) const {
    if (_isWidgetWindow)
        return _widgetFrame(frame);
    const std::shared_ptr<VLRuntime> runtime = this->runtime();
    return VLWindowRestriction::restrictedFrame(frame, type(), runtime && runtime->restrictsWindows(),
                                                VLWindowServer::shared()->snapshot()->screens());
}

VLEdgeInsets VLWindow::_widgetMarginsForSize(VLSize size) const {
    return widgetGeometry().marginsForSize(size);
}

void VLWindow::_claimWidgetWindowIfNeeded() {
    const std::shared_ptr<VLRuntime> runtime = this->runtime();
    const std::optional<VLWidgetSizing> sizing = runtime ? runtime->widgetSizing() : std::nullopt;
    if (!sizing || isDestroyed() || parentWindow())
        return;
    const std::optional<std::string> kind = type();
    if (kind != "widget" && kind != "overlay")
        return;
    if (hostView() && !hostArea().isNull())
        return;
    const std::shared_ptr<VLWidgetWindowComponent> current = runtime->widgetWindowComponent();
    if (current && current.get() != static_cast<VLWidgetWindowComponent*>(this))
        return;
    // Taken here, before the main thread sets the window up, so that a second window shown meanwhile
    // finds it taken.
    runtime->setWidgetWindowComponent(std::static_pointer_cast<VLWidgetWindowComponent>(self()));
    _contentMovedOrigin = false;
    _contentResized = false;
    _styleOriginOffset = {};
    layoutIfNeeded();
    onMainQueue([sizing = *sizing, layouts = _contentLayouts, region = _hitRegion](VLWindow& self) {
        self._claimWidgetWindow(sizing, layouts, region);
    });
}

void VLWindow::_claimWidgetWindow(const VLWidgetSizing& sizing, uint64_t contentLayouts,
                                  const std::optional<VLWindowRegion>& hitRegion) {
    view();
    const std::shared_ptr<VLRuntime> runtime = this->runtime();
    if (!_window || _isHosted || _isWidgetWindow || !runtime)
        return;
    // The margins below need the region before its own update reaches this thread.
    if (hitRegion && !_mainHitRegion)
        _mainHitRegion = hitRegion;
    runtime->setWidgetWindowComponent(std::static_pointer_cast<VLWidgetWindowComponent>(self()));
    _isWidgetWindow = true;
    _widgetSizing = sizing;
    _widgetSize = sizing.size();
    runtime->setWidgetWindow(_window);
    runtime->setWidgetWindowSize(sizing.size());
    _placedContentLayouts = std::max(_placedContentLayouts, contentLayouts);
    _setUpWidgetWindow();

    _hasToldStart = false;
    const std::optional<VLPoint> remembered =
        runtime->hasWidgetWindowPlace() ? finitePoint(runtime->widgetWindowPlace()) : std::nullopt;
    if (remembered) {
        _setWidgetPlace(*remembered);
    } else if (const std::optional<VLPoint> place = finitePoint(sizing.place())) {
        _setWidgetPlace(*place);
        const std::optional<VLPoint> start = finitePoint(sizing.start());
        _hasToldStart = start.has_value();
        _toldStart = start.value_or(VLPoint());
    }
    _placeFromBefore = _hasWidgetPlace;

    const VLRect layout = frame();
    runtime->setWidgetWindowMargins(_widgetMarginsForSize(_window->frame().size));
    if (!(layout.size.width > 0 && layout.size.height > 0))
        return;
    _noteStartingOffset(layout);
    VLRect target = layout;
    if (_hasWidgetPlace)
        target.origin = _widgetPlace;
    else
        _setWidgetPlace(layout.origin);
    const VLRect restricted = _restrictedFrame(_flipRect(target));
    _isResizeByLayout = true;
    _window->setFrame(restricted, false);
    _isResizeByLayout = false;
    _tellWidgetFrame(restricted, layout);
}

void VLWindow::_setUpWidgetWindow() {
    if (_widgetSizing->resizableByUser()) {
        const VLWidgetSizing& sizing = *_widgetSizing;
        // Written so that NaN falls back to the bound.
        const auto atLeastOne = [](double value) { return value > 1 ? value : 1; };
        const auto largestUnlessSet = [](double value) {
            return value > 0 && std::isfinite(value) ? value : std::numeric_limits<double>::max();
        };
        _setWindowStyleMask(true, VLWSWindowStyleMaskResizable);
        _window->setContentMinSize(
            {atLeastOne(sizing.minimumSize().width), atLeastOne(sizing.minimumSize().height)});
        _window->setContentMaxSize(
            {largestUnlessSet(sizing.maximumSize().width), largestUnlessSet(sizing.maximumSize().height)});
        if (sizing.aspectRatio().width > 0 && sizing.aspectRatio().height > 0)
            _window->setContentAspectRatio(sizing.aspectRatio());

        _resizeHint = std::make_shared<VLWidgetResizeHintView>();
        _resizeHintWindow = std::make_shared<VLWSWindow>(VLRect(), VLWSWindowStyleMaskBorderless);
        _resizeHintWindow->setReleasedWhenClosed(false);
        _resizeHintWindow->setOpaque(false);
        _resizeHintWindow->setBackgroundColor(VLColor::clearColor());
        _resizeHintWindow->setHasShadow(false);
        _resizeHintWindow->setIgnoresMouseEvents(true);
        _resizeHintWindow->setExcludedFromWindowsMenu(true);
        _resizeHintWindow->setAnimationBehavior(kWindowAnimationBehaviorNone);
        _resizeHintWindow->setAlphaValue(0);
        _resizeHintWindow->setContentView(_resizeHint);

        _hoverTrackingArea = std::make_shared<VLWSTrackingArea>(VLRect(), kWidgetHoverTrackingOptions,
                                                                std::weak_ptr<VLWSResponder>(self()));
        _window->contentView()->addTrackingArea(_hoverTrackingArea);
    }
    _screenParametersObserver = VLNotificationCenter::defaultCenter().addObserver(
        VLScreenParametersDidChangeNotification, nullptr, [weak = weakSelf()](const VLNotification&) {
            if (Self self = weak.lock(); self && self->_isWidgetWindow)
                self->_restrictMovedFrame();
        });
}

void VLWindow::_releaseWidgetWindow(VLWSWindow& window) {
    if (!_isWidgetWindow)
        return;
    _isWidgetWindow = false;
    _isUserResizing = false;
    _userResizeTarget = VLRectZero;
    _hasWidgetPlace = false;
    _placeFromBefore = false;
    _hasToldStart = false;
    _layoutSource = {};
    VLNotificationCenter::defaultCenter().removeObserver(std::exchange(_screenParametersObserver, nullptr));
    if (const std::shared_ptr<VLWSTrackingArea> hover = std::exchange(_hoverTrackingArea, nullptr))
        window.contentView()->removeTrackingArea(hover);
    VLWindowServer::shared()->clock().cancelPerforms(this, "_showResizeHint");
    if (const std::shared_ptr<VLWSWindow> hint = std::exchange(_resizeHintWindow, nullptr)) {
        window.removeChildWindow(hint);
        hint->orderOut();
    }
    _resizeHint.reset();
    _pointerOverWidget = false;
    _watchPointerAtResizeCorner(false);
    if (_widgetSizing->resizableByUser())
        window.setStyleMask(window.styleMask() & ~uint64_t(VLWSWindowStyleMaskResizable));
    _widgetSizing.reset();
    const std::shared_ptr<VLRuntime> runtime = this->runtime();
    if (!runtime)
        return;
    if (runtime->widgetWindow().get() == &window) {
        runtime->setWidgetWindow({});
        runtime->setWidgetWindowMargins({});
    }
    if (runtime->widgetWindowComponent().get() == static_cast<VLWidgetWindowComponent*>(this))
        runtime->setWidgetWindowComponent({});
    // The runtime keeps the place, for the next window that claims the widget window.
}

void VLWindow::_setWidgetPlace(VLPoint place) {
    _widgetPlace = place;
    _hasWidgetPlace = true;
    if (const std::shared_ptr<VLRuntime> runtime = this->runtime()) {
        runtime->setWidgetWindowPlace(place);
        runtime->setHasWidgetWindowPlace(true);
    }
}

void VLWindow::_noteStartingOffset(const VLRect& layoutFrame) {
    if (!_placeFromBefore)
        return;
    _placeFromBefore = false;
    // A place recorded against another layout origin keeps the content where it was then.
    if (_hasToldStart) {
        _hasToldStart = false;
        _setWidgetPlace({_widgetPlace.x + layoutFrame.origin.x - _toldStart.x,
                         _widgetPlace.y + layoutFrame.origin.y - _toldStart.y});
    }
    const VLPoint offset{_widgetPlace.x - layoutFrame.origin.x, _widgetPlace.y - layoutFrame.origin.y};
    _performOnComponentThread([offset](VLWindow& self) { self._styleOriginOffset = offset; });
}

void VLWindow::moveWidgetToPlace(VLPoint place) {
    // The user's own moves and resizes, and a slide, go first.
    if (!_isWidgetWindow || !_window || _isHosted || _isUserResizing || _isMovedByUser || _isSliding)
        return;
    _setWidgetPlace(place);
    VLRect target = _flipRect(_window->frame());
    target.origin = place;
    const VLRect restricted = _restrictedFrame(_flipRect(target));
    if (restricted == _window->frame())
        return;
    _isKeepingWidgetOnDisplay = true;
    _window->setFrame(restricted, true);
    _isKeepingWidgetOnDisplay = false;
}

// The resize corner and its hint

namespace {

// How near the pointer must come to the window's bottom-right corner to be at it, in points.
constexpr double kResizeCornerReach = 18;
// The pointer's moves outside the window, while it is at the corner.
constexpr uint64_t kCornerEventMask = VLWSEventMaskFromType(VLWSEventType::MouseMoved);

} // namespace

void VLWindow::_pointerIsOver(bool over) {
    if (!_resizeHint)
        return;
    VLWSClock& clock = VLWindowServer::shared()->clock();
    if (over) {
        _updateResizeHintEmphasis();
        if (std::exchange(_pointerOverWidget, true))
            return;
        clock.cancelPerforms(this, "_showResizeHint");
        clock.perform(this, "_showResizeHint", 1.0, [weak = weakSelf()] {
            if (Self self = weak.lock())
                self->_showResizeHint();
        });
        return;
    }
    if (!_pointerOverWidget)
        return;
    // On its way to the hint outside the corner the pointer leaves the window, not the widget.
    if (_pointerAtResizeCorner()) {
        _updateResizeHintEmphasis();
        _watchPointerAtResizeCorner(true);
        return;
    }
    _pointerOverWidget = false;
    _watchPointerAtResizeCorner(false);
    _hideResizeHint();
}

bool VLWindow::_pointerNearResizeCorner() const {
    if (!_window)
        return false;
    const VLRect frame = _window->frame();
    const VLPoint pointer = VLWSEvent::mouseLocation();
    return std::hypot(pointer.x - frame.maxX(), pointer.y - frame.origin.y) <= kResizeCornerReach;
}

bool VLWindow::_pointerAtResizeCorner() const {
    if (_pointerNearResizeCorner())
        return true;
    return _resizeHint && _resizeHint->appeared() && _resizeHintWindow &&
           _resizeHintWindow->parentWindow() == _window &&
           VLMouseInRect(VLWSEvent::mouseLocation(), _resizeHintWindow->frame(), false);
}

void VLWindow::_watchPointerAtResizeCorner(bool watch) {
    if (!watch) {
        VLWSEvent::removeMonitor(std::exchange(_cornerGlobalMonitor, nullptr));
        VLWSEvent::removeMonitor(std::exchange(_cornerLocalMonitor, nullptr));
        return;
    }
    if (_cornerGlobalMonitor)
        return;
    _cornerGlobalMonitor = VLWSEvent::addGlobalMonitorForEventsMatchingMask(
        kCornerEventMask, [weak = weakSelf()](const VLWSEvent&) {
            if (Self self = weak.lock())
                self->_pointerMovedAtResizeCorner();
        });
    _cornerLocalMonitor = VLWSEvent::addLocalMonitorForEventsMatchingMask(
        kCornerEventMask, [weak = weakSelf()](const VLWSEvent& event) -> std::optional<VLWSEvent> {
            if (Self self = weak.lock())
                self->_pointerMovedAtResizeCorner();
            return event;
        });
}

void VLWindow::_pointerMovedAtResizeCorner() {
    // Back in the window, the tracking area follows the pointer again.
    if (_window && VLMouseInRect(VLWSEvent::mouseLocation(), _window->frame(), false)) {
        _watchPointerAtResizeCorner(false);
        return;
    }
    _updateResizeHintEmphasis();
    if (_pointerAtResizeCorner())
        return;
    _watchPointerAtResizeCorner(false);
    _pointerOverWidget = false;
    _hideResizeHint();
}

void VLWindow::_showResizeHint() {
    if (!_resizeHint || !_resizeHintWindow || !_pointerOverWidget || _isUserResizing || !_window ||
        VLWSEvent::pressedMouseButtons() != 0 || !_window->isVisible())
        return;
    _measureWidgetCorner();
    _placeResizeHint();
    if (_resizeHintWindow->parentWindow() != _window) {
        _resizeHintWindow->setLevel(_window->level());
        _resizeHintWindow->setCollectionBehavior(_window->collectionBehavior());
        _window->addChildWindow(_resizeHintWindow);
    }
    _updateResizeHintEmphasis();
    const std::shared_ptr<VLRuntime> runtime = this->runtime();
    const bool reduceMotion = VLWindowServer::shared()->workspace().accessibilityDisplayShouldReduceMotion();
    _resizeHint->appearNudging(runtime && runtime->nudgesWidgetResizeHint() && !reduceMotion);
}

void VLWindow::_hideResizeHint() {
    VLWindowServer::shared()->clock().cancelPerforms(this, "_showResizeHint");
    if (_resizeHint)
        _resizeHint->disappear();
}

void VLWindow::_updateResizeHintEmphasis() {
    if (_resizeHint)
        _resizeHint->setEmphasized(_pointerNearResizeCorner());
}

void VLWindow::_layoutResizeHint() {
    if (!_resizeHintWindow || !_resizeHint || !_resizeHint->appeared())
        return;
    _measureWidgetCorner();
    _placeResizeHint();
}

void VLWindow::_measureWidgetCorner() {
    const VLWidgetCornerMeasurement corner =
        VLWidgetCornerMeasurement::measure(*_window->contentView(), _window->backingScaleFactor());
    _resizeHintInset = corner.inset;
    _resizeHintCornerRadius = corner.cornerRadius;
}

void VLWindow::_placeResizeHint() {
    const std::shared_ptr<VLWSView> content = _window->contentView();
    const VLPoint anchor = _window->convertPointToScreen(content->convertPointToView(
        VLWidgetResizeHintPlacement::anchor(content->bounds(), _resizeHintInset), nullptr));
    std::optional<VLWSScreen> screen = _window->screen();
    if (!screen)
        screen = widgetGeometry().screenForFrame(_window->frame());
    const VLWidgetResizeHintPlacement placement = VLWidgetResizeHintPlacement::place(
        *_resizeHint, anchor, screen ? screen->frame : VLRectZero, _resizeHintInset, _resizeHintCornerRadius);
    _resizeHintWindow->setFrame(placement.frame, false);
}

void VLWindow::_scheduleUserResize() {
    const VLRect frame = _flipRect(_window->frame());
    const VLPoint offset = _widgetOffsetFrom(frame.origin);
    {
        std::lock_guard lock(*_lock);
        _pendingUserFrame = frame;
        _pendingUserOffset = offset;
        if (std::exchange(_userResizeScheduled, true))
            return;
    }
    onComponentThread([](VLWindow& self) { self._applyUserResize(); });
}

void VLWindow::_applyUserResize() {
    VLRect frame;
    VLPoint offset;
    {
        std::lock_guard lock(*_lock);
        frame = _pendingUserFrame;
        offset = _pendingUserOffset;
        _userResizeScheduled = false;
    }
    if (isDestroyed())
        return;
    _applyWidgetFrame(frame, offset, true, 0);
    layoutIfNeeded();
}

// The widget frame

std::optional<VLWSScreen> VLWindow::_screenForFrame(const VLRect& frame) const {
    return widgetGeometry().screenForFrame(frame);
}

std::optional<VLWSScreen> VLWindow::_screenForWidgetFrame(const VLRect& frame) const {
    return widgetGeometry().screenForWidgetFrame(frame);
}

VLRect VLWindow::_restrictedFrame(const VLRect& frame, const std::optional<VLWSScreen>& screen) {
    _widgetFrameScreen = screen;
    const VLRect restricted = _restrictedFrame(frame);
    _widgetFrameScreen.reset();
    return restricted;
}

VLPoint VLWindow::_widgetOffsetFrom(VLPoint point) const {
    if (!_isWidgetWindow || !_hasWidgetPlace)
        return {};
    return {_widgetPlace.x - point.x, _widgetPlace.y - point.y};
}

void VLWindow::_takeWidgetPlaceFromLayout(const VLRect& layoutFrame, const LayoutSource& source) {
    const VLPoint origin = layoutFrame.origin;
    if (!_hasWidgetPlace)
        _setWidgetPlace(origin);
    else if (source.movedByContent && source.resizedByContent)
        _setWidgetPlace({origin.x + source.styleOriginOffset.x, origin.y + source.styleOriginOffset.y});
    else if (source.movedByContent)
        _setWidgetPlace(origin);
}

namespace {

// Less than half a point apart: the same for the component tree.
bool nearlyEqual(double a, double b) {
    return std::abs(a - b) < 0.5;
}

bool movedByHalfAPoint(VLPoint from, VLPoint to) {
    return !nearlyEqual(from.x, to.x) || !nearlyEqual(from.y, to.y);
}

bool resizedByHalfAPoint(VLSize from, VLSize to) {
    return !nearlyEqual(from.width, to.width) || !nearlyEqual(from.height, to.height);
}

} // namespace

void VLWindow::_tellWidgetFrame(const VLRect& windowFrame, const VLRect& layoutFrame) {
    const VLRect frame = _flipRect(windowFrame);
    const bool resized = resizedByHalfAPoint(frame.size, layoutFrame.size);
    if (!resized && !movedByHalfAPoint(frame.origin, layoutFrame.origin))
        return;
    const VLPoint offset = _widgetOffsetFrom(frame.origin);
    const uint64_t placed = _placedContentLayouts;
    if (!resized)
        _performOnComponentThread([frame, offset, placed](VLWindow& self) {
            self._applyWidgetOrigin(frame.origin, offset, placed);
        });
    else
        _performOnComponentThread([frame, offset, placed](VLWindow& self) {
            self._applyWidgetFrame(frame, offset, false, placed);
        });
}

void VLWindow::_keepWidgetOnDisplay() {
    const std::shared_ptr<VLRuntime> runtime = this->runtime();
    if (!_isWidgetWindow || !_window)
        return;
    if (runtime)
        runtime->setWidgetWindowMargins(_widgetMarginsForSize(_window->frame().size));
    if (_isHosted || _isUserResizing || _userResizeTarget != VLRectZero || isLeftButtonHeld())
        return;
    const VLRect window = _window->frame();
    const std::optional<VLWSScreen> screen =
        _window->isVisible() ? _screenForWidgetFrame(window) : std::nullopt;
    VLRect layout = frame();
    if (_hasWidgetPlace)
        layout.origin = _widgetPlace;
    // A layout frame of another size is on its way, and places the window itself.
    if (_restrictedFrame(_flipRect(layout), screen).size != window.size)
        return;
    VLRect current = _flipRect(window);
    if (_hasWidgetPlace)
        current.origin = _widgetPlace;
    const VLRect kept = _restrictedFrame(_flipRect(current), screen);
    if (kept == window)
        return;
    _isResizeByLayout = true;
    _window->setFrameOrigin(kept.origin);
    _isResizeByLayout = false;
    _updateMousePassThrough();
    _layoutResizeHint();
    const VLPoint origin = _flipRect(kept).origin;
    _performOnComponentThread([origin, offset = _widgetOffsetFrom(origin), placed = _placedContentLayouts](
                                  VLWindow& self) { self._applyWidgetOrigin(origin, offset, placed); });
}

bool VLWindow::_contentChangeNewerThan(uint64_t layouts) const {
    if (!_contentMovedOrigin && !_contentResized && _contentLayouts <= layouts)
        return false;
    return isRuntimeWidgetWindow();
}

void VLWindow::_applyWidgetOrigin(VLPoint origin, VLPoint offset, uint64_t placed) {
    if (_contentChangeNewerThan(placed))
        return;
    _styleOriginOffset = offset;
    const VLDictionary& style = this->style();
    VLPoint old = frame().origin;
    if (style.get("left").isNumber())
        old.x = style.get("left").doubleValue();
    if (style.get("top").isNumber())
        old.y = style.get("top").doubleValue();
    _writeOwnStyle(styleAtOrigin(origin));
    if (movedByHalfAPoint(old, origin))
        _fireEvent("move", {{"x", origin.x}, {"y", origin.y}});
}

void VLWindow::_applyWidgetFrame(const VLRect& frame, VLPoint offset, bool fromWindow, uint64_t placed) {
    if (fromWindow)
        _contentMovedOrigin = false;
    else if (_contentChangeNewerThan(placed))
        return;
    const VLRect old = this->frame();
    _styleOriginOffset = offset;
    VLDictionary style = styleAtOrigin(frame.origin);
    for (const char* key : {"minWidth", "minHeight", "maxWidth", "maxHeight"})
        style.erase(key);
    style.set("width", frame.size.width);
    style.set("height", frame.size.height);
    _writeOwnStyle(style);
    if (resizedByHalfAPoint(old.size, frame.size))
        _fireEvent("resize", {});
    if (movedByHalfAPoint(old.origin, frame.origin))
        _fireEvent("move", {{"x", frame.origin.x}, {"y", frame.origin.y}});
}

// File drops

namespace {

// The entries of the files, each with the token of the same index when there is one.
VLArray fileDragEntries(const std::vector<VLURL>& urls, const std::vector<std::string>& tokens = {}) {
    VLArray entries;
    entries.reserve(urls.size());
    for (size_t index = 0; index < urls.size(); ++index) {
        VLDictionary entry = VLWindowDraggedFileInfo(urls[index]);
        if (index < tokens.size())
            entry.set("token", tokens[index]);
        entries.emplace_back(std::move(entry));
    }
    return entries;
}

VLDictionary fileDragPayload(VLPoint point, VLArray files) {
    return {{"x", point.x}, {"y", point.y}, {"files", std::move(files)}};
}

// What the drag's source allows, the generic operation first.
uint64_t fileDragOperation(uint64_t sourceMask) {
    for (uint64_t operation : {VLWSDragOperationGeneric, VLWSDragOperationMove, VLWSDragOperationCopy})
        if (sourceMask & operation)
            return operation;
    return VLWSDragOperationNone;
}

} // namespace

void VLWindow::_updateFileDrops() {
    auto* panel = dynamic_cast<VLNSPanel*>(_window.get());
    if (!panel)
        return;
    const std::vector<std::string> events = this->events();
    const std::shared_ptr<VLRuntime> runtime = this->runtime();
    const bool accept =
        std::any_of(events.begin(), events.end(), isFileDragEvent) && runtime && runtime->allowsFileDrops();
    if (accept == _acceptsFileDrops)
        return;
    _acceptsFileDrops = accept;
    if (!accept) {
        _stopAcceptingFileDrops();
        return;
    }
    panel->setFileDropDelegate(std::weak_ptr<VLNSWindowFileDropDelegate>(self()));
    panel->registerForDraggedTypes({VLWSPasteboardTypeFileURL});
}

void VLWindow::_stopAcceptingFileDrops() {
    if (auto* panel = dynamic_cast<VLNSPanel*>(_window.get())) {
        panel->setFileDropDelegate({});
        panel->unregisterDraggedTypes();
    }
    _fileDragInside = false;
    _fileDragFiles.reset();
}

void VLWindow::_leaveFileDrag() {
    if (std::exchange(_fileDragInside, false))
        _fireEvent("dragleave", {});
}

uint64_t VLWindow::nswindowFileDragWithType(VLWSWindow& window, const std::string& type,
                                            const VLWSDraggingInfo* info) {
    if (!_acceptsFileDrops)
        return VLWSDragOperationNone;
    if (type == "dragleave") {
        _leaveFileDrag();
        _fileDragFiles.reset();
        return VLWSDragOperationNone;
    }
    if (!info)
        return VLWSDragOperationNone;
    const VLPoint point = VLNSWindowLocationInContentView(window, info->draggingLocation());
    const bool outside = _mainHitRegion && !regionContainsPoint(*_mainHitRegion, point);
    // A drag that never left keeps no files into the next one, which starts from outside.
    if (_fileDragFiles && info->draggingSequenceNumber() != _fileDragSequence) {
        _fileDragInside = false;
        _fileDragFiles.reset();
    }
    _fileDragSequence = info->draggingSequenceNumber();
    if (!_fileDragFiles)
        _fileDragFiles = fileDragEntries(VLWindowDraggedFileURLs(*info));
    if (_fileDragFiles->empty())
        return VLWSDragOperationNone;
    if (outside) {
        _leaveFileDrag();
        return VLWSDragOperationNone;
    }
    if (type != "drop") {
        const bool wasInside = std::exchange(_fileDragInside, true);
        if (!wasInside || point != _fileDragPoint) {
            _fileDragPoint = point;
            _fireEvent(wasInside ? "dragover" : "dragenter", fileDragPayload(point, *_fileDragFiles));
        }
        return fileDragOperation(info->draggingSourceOperationMask());
    }
    const std::vector<VLURL> urls = VLWindowDraggedFileURLs(*info);
    const std::shared_ptr<VLRuntime> runtime = this->runtime();
    VLArray files =
        fileDragEntries(urls, runtime ? runtime->registerDroppedFileURLs(urls) : std::vector<std::string>());
    _fileDragInside = false;
    _fileDragFiles.reset();
    _fireEvent("drop", fileDragPayload(point, std::move(files)));
    return VLWSDragOperationGeneric;
}
