#include "Modules/Window/Window/VLWidgetWindowPlacement.h"

#include "Core/Engine/Support/VLLocks.h"
#include "Core/Runtime/VLRuntime.h"
#include "Core/Runtime/VLRuntimeWindowNotifications.h"
#include "Modules/Window/Window/VLWindow.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWindowServer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <utility>

namespace {

// A point from the host or the sizing, when it can be a place at all.
std::optional<VLPoint> widgetFinitePoint(const std::optional<VLPoint>& point) {
    return point && point->isFinite() ? point : std::nullopt;
}

// Less than half a point apart: the same for the component tree.
bool widgetNearlyEqual(double a, double b) {
    return std::abs(a - b) < 0.5;
}

bool widgetMovedByHalfAPoint(VLPoint from, VLPoint to) {
    return !widgetNearlyEqual(from.x, to.x) || !widgetNearlyEqual(from.y, to.y);
}

bool widgetResizedByHalfAPoint(VLSize from, VLSize to) {
    return !widgetNearlyEqual(from.width, to.width) || !widgetNearlyEqual(from.height, to.height);
}

} // namespace

VLWidgetFrameGeometry VLWidgetWindowPlacement::geometry() const {
    VLWidgetFrameGeometry geometry;
    if (_sizing)
        geometry.sizing = *_sizing;
    geometry.widgetSize = _size;
    geometry.mainHitRegion = _owner._mainHitRegion;
    geometry.screens = VLWindowServer::shared()->snapshot()->screens();
    if (_owner._window)
        geometry.windowScreen = _owner._window->screen();
    geometry.chosenScreen = _owner._screenKeeper.chosenScreen();
    return geometry;
}

VLPoint VLWidgetWindowPlacement::offsetFrom(VLPoint point) const {
    if (!_isWidgetWindow || !_hasPlace)
        return {};
    return {_place.x - point.x, _place.y - point.y};
}

// Claiming and releasing

void VLWidgetWindowPlacement::claimIfNeeded() {
    VLWindow& owner = _owner;
    const std::shared_ptr<VLRuntime> runtime = owner.runtime();
    const std::optional<VLWidgetSizing> sizing = runtime ? runtime->widgetSizing() : std::nullopt;
    if (!sizing || owner.isDestroyed() || owner.parentWindow())
        return;
    const std::optional<std::string> kind = owner.type();
    if (kind != "widget" && kind != "overlay")
        return;
    if (owner.hostView() && !owner.hostArea().isNull())
        return;
    const std::shared_ptr<VLWidgetWindowComponent> current = runtime->widgetWindowComponent();
    if (current && current.get() != static_cast<VLWidgetWindowComponent*>(&owner))
        return;
    // Taken here, before the main thread sets the window up, so that a second window shown meanwhile
    // finds it taken.
    runtime->setWidgetWindowComponent(std::static_pointer_cast<VLWidgetWindowComponent>(owner.self()));
    owner._contentMovedOrigin = false;
    owner._contentResized = false;
    owner._styleOriginOffset = {};
    owner.layoutIfNeeded();
    owner.onMainQueue([sizing = *sizing, layouts = owner._contentLayouts, region = owner._hitRegion](
                          VLWindow& self) { self._widget.claim(sizing, layouts, region); });
}

void VLWidgetWindowPlacement::claim(const VLWidgetSizing& sizing, uint64_t contentLayouts,
                                    const std::optional<std::vector<VLRect>>& hitRegion) {
    VLWindow& owner = _owner;
    owner.view();
    const std::shared_ptr<VLRuntime> runtime = owner.runtime();
    const std::shared_ptr<VLWSWindow> window = owner._window;
    if (!window || owner._hosting.isHosted() || _isWidgetWindow || !runtime)
        return;
    // The margins below need the region before its own update reaches this thread.
    if (hitRegion && !owner._mainHitRegion)
        owner._mainHitRegion = hitRegion;
    runtime->setWidgetWindowComponent(std::static_pointer_cast<VLWidgetWindowComponent>(owner.self()));
    _isWidgetWindow = true;
    _sizing = sizing;
    _size = sizing.size();
    runtime->setWidgetWindow(window);
    runtime->setWidgetWindowSize(sizing.size());
    _placedContentLayouts = std::max(_placedContentLayouts, contentLayouts);
    setUp();

    _hasToldStart = false;
    const std::optional<VLPoint> remembered =
        runtime->hasWidgetWindowPlace() ? widgetFinitePoint(runtime->widgetWindowPlace()) : std::nullopt;
    if (remembered) {
        setPlace(*remembered);
    } else if (const std::optional<VLPoint> place = widgetFinitePoint(sizing.place())) {
        setPlace(*place);
        const std::optional<VLPoint> start = widgetFinitePoint(sizing.start());
        _hasToldStart = start.has_value();
        _toldStart = start.value_or(VLPoint());
    }
    _placeFromBefore = _hasPlace;

    const VLRect layout = owner.frame();
    runtime->setWidgetWindowMargins(marginsForSize(window->frame().size));
    if (!(layout.size.width > 0 && layout.size.height > 0))
        return;
    noteStartingOffset(layout);
    VLRect target = layout;
    if (_hasPlace)
        target.origin = _place;
    else
        setPlace(layout.origin);
    const VLRect restricted = owner._screenKeeper.restrictedFrame(VLWindow::_flipRect(target));
    owner._isResizeByLayout = true;
    window->setFrame(restricted, false);
    owner._isResizeByLayout = false;
    tellFrame(restricted, layout);
}

void VLWidgetWindowPlacement::setUp() {
    VLWindow& owner = _owner;
    if (_sizing->resizableByUser()) {
        const VLWidgetSizing& sizing = *_sizing;
        VLWSWindow& window = *owner._window;
        // Written so that NaN falls back to the bound.
        const auto atLeastOne = [](double value) { return value > 1 ? value : 1; };
        const auto largestUnlessSet = [](double value) {
            return value > 0 && std::isfinite(value) ? value : std::numeric_limits<double>::max();
        };
        owner._setWindowStyleMask(true, VLWSWindowStyleMaskResizable);
        window.setContentMinSize(
            {atLeastOne(sizing.minimumSize().width), atLeastOne(sizing.minimumSize().height)});
        window.setContentMaxSize(
            {largestUnlessSet(sizing.maximumSize().width), largestUnlessSet(sizing.maximumSize().height)});
        if (sizing.aspectRatio().width > 0 && sizing.aspectRatio().height > 0)
            window.setContentAspectRatio(sizing.aspectRatio());
        owner._resizeCorner.setUp();
    }
    _screenParametersObserver = VLNotificationCenter::defaultCenter().addObserver(
        VLScreenParametersDidChangeNotification, nullptr, [weak = owner.weakSelf()](const VLNotification&) {
            if (std::shared_ptr<VLWindow> self = weak.lock(); self && self->_widget.isWidgetWindow())
                self->_screenKeeper.restrictMovedFrame();
        });
}

void VLWidgetWindowPlacement::release(VLWSWindow& window) {
    if (!_isWidgetWindow)
        return;
    _isWidgetWindow = false;
    _isUserResizing = false;
    _userResizeTarget = VLRectZero;
    _hasPlace = false;
    _placeFromBefore = false;
    _hasToldStart = false;
    _layoutSource = {};
    VLNotificationCenter::defaultCenter().removeObserver(std::exchange(_screenParametersObserver, nullptr));
    _owner._resizeCorner.release(window);
    if (_sizing->resizableByUser())
        window.setStyleMask(window.styleMask() & ~uint64_t(VLWSWindowStyleMaskResizable));
    _sizing.reset();
    const std::shared_ptr<VLRuntime> runtime = _owner.runtime();
    if (!runtime)
        return;
    if (runtime->widgetWindow().get() == &window) {
        runtime->setWidgetWindow({});
        runtime->setWidgetWindowMargins({});
    }
    if (runtime->widgetWindowComponent().get() == static_cast<VLWidgetWindowComponent*>(&_owner))
        runtime->setWidgetWindowComponent({});
    // The runtime keeps the place, for the next window that claims the widget window.
}

// The place

void VLWidgetWindowPlacement::setPlace(VLPoint place) {
    _place = place;
    _hasPlace = true;
    if (const std::shared_ptr<VLRuntime> runtime = _owner.runtime()) {
        runtime->setWidgetWindowPlace(place);
        runtime->setHasWidgetWindowPlace(true);
    }
}

void VLWidgetWindowPlacement::noteStartingOffset(const VLRect& layoutFrame) {
    if (!_placeFromBefore)
        return;
    _placeFromBefore = false;
    // A place recorded against another layout origin keeps the content where it was then.
    if (_hasToldStart) {
        _hasToldStart = false;
        setPlace(
            {_place.x + layoutFrame.origin.x - _toldStart.x, _place.y + layoutFrame.origin.y - _toldStart.y});
    }
    const VLPoint offset{_place.x - layoutFrame.origin.x, _place.y - layoutFrame.origin.y};
    _owner._performOnComponentThread([offset](VLWindow& self) { self._styleOriginOffset = offset; });
}

void VLWidgetWindowPlacement::moveToPlace(VLPoint place) {
    VLWindow& owner = _owner;
    // The user's own moves and resizes, and a slide, go first.
    if (!_isWidgetWindow || !owner._window || owner._hosting.isHosted() || _isUserResizing ||
        owner._screenKeeper.holdsWindow())
        return;
    setPlace(place);
    VLRect target = VLWindow::_flipRect(owner._window->frame());
    target.origin = place;
    const VLRect restricted = owner._screenKeeper.restrictedFrame(VLWindow::_flipRect(target));
    if (restricted == owner._window->frame())
        return;
    owner._isKeepingWidgetOnDisplay = true;
    owner._window->setFrame(restricted, true);
    owner._isKeepingWidgetOnDisplay = false;
}

void VLWidgetWindowPlacement::takePlaceFromLayout(const VLRect& layoutFrame, const LayoutSource& source) {
    const VLPoint origin = layoutFrame.origin;
    if (!_hasPlace)
        setPlace(origin);
    else if (source.movedByContent && source.resizedByContent)
        setPlace({origin.x + source.styleOriginOffset.x, origin.y + source.styleOriginOffset.y});
    else if (source.movedByContent)
        setPlace(origin);
}

// Layout frames

void VLWidgetWindowPlacement::noteLayoutSource(const LayoutSource& source) {
    _layoutSource = source;
    _placedContentLayouts = std::max(_placedContentLayouts, source.contentLayouts);
}

VLWidgetWindowPlacement::LayoutSource VLWidgetWindowPlacement::takeLayoutSource() {
    return std::exchange(_layoutSource, {});
}

bool VLWidgetWindowPlacement::acceptsLayoutFrame(const VLRect& frame) {
    if (_isUserResizing)
        return false;
    // Until the layout that a user resize asked for arrives, older ones would shrink the window back.
    if (_userResizeTarget != VLRectZero) {
        if (frame.size != _userResizeTarget.size)
            return false;
        _userResizeTarget = VLRectZero;
    }
    return true;
}

void VLWidgetWindowPlacement::tellFrame(const VLRect& windowFrame, const VLRect& layoutFrame) {
    const VLRect frame = VLWindow::_flipRect(windowFrame);
    const bool resized = widgetResizedByHalfAPoint(frame.size, layoutFrame.size);
    if (!resized && !widgetMovedByHalfAPoint(frame.origin, layoutFrame.origin))
        return;
    const VLPoint offset = offsetFrom(frame.origin);
    const uint64_t placed = _placedContentLayouts;
    if (!resized)
        _owner._performOnComponentThread([frame, offset, placed](VLWindow& self) {
            self._widget.applyOrigin(frame.origin, offset, placed);
        });
    else
        _owner._performOnComponentThread([frame, offset, placed](VLWindow& self) {
            self._widget.applyFrame(frame, offset, false, placed);
        });
}

void VLWidgetWindowPlacement::keepOnDisplay() {
    VLWindow& owner = _owner;
    const std::shared_ptr<VLRuntime> runtime = owner.runtime();
    if (!_isWidgetWindow || !owner._window)
        return;
    VLWSWindow& platformWindow = *owner._window;
    if (runtime)
        runtime->setWidgetWindowMargins(marginsForSize(platformWindow.frame().size));
    if (owner._hosting.isHosted() || _isUserResizing || _userResizeTarget != VLRectZero ||
        VLWindow::isLeftButtonHeld())
        return;
    const VLRect window = platformWindow.frame();
    const std::optional<VLWSScreen> screen =
        platformWindow.isVisible() ? geometry().screenForWidgetFrame(window) : std::nullopt;
    VLRect layout = owner.frame();
    if (_hasPlace)
        layout.origin = _place;
    // A layout frame of another size is on its way, and places the window itself.
    if (owner._screenKeeper.restrictedFrame(VLWindow::_flipRect(layout), screen).size != window.size)
        return;
    VLRect current = VLWindow::_flipRect(window);
    if (_hasPlace)
        current.origin = _place;
    const VLRect kept = owner._screenKeeper.restrictedFrame(VLWindow::_flipRect(current), screen);
    if (kept == window)
        return;
    owner._isResizeByLayout = true;
    platformWindow.setFrameOrigin(kept.origin);
    owner._isResizeByLayout = false;
    owner._passThrough.update(nullptr);
    owner._resizeCorner.layout();
    const VLPoint origin = VLWindow::_flipRect(kept).origin;
    owner._performOnComponentThread(
        [origin, offset = offsetFrom(origin), placed = _placedContentLayouts](VLWindow& self) {
            self._widget.applyOrigin(origin, offset, placed);
        });
}

// The user's resizes

bool VLWidgetWindowPlacement::startUserResize() {
    // The user took the widget by its resize corner.
    if (!_isWidgetWindow || !VLWindow::isLeftButtonHeld())
        return false;
    _isUserResizing = true;
    _owner._resizeCorner.hide();
    return true;
}

void VLWidgetWindowPlacement::userResizeDidResize(VLWSWindow& window) {
    _size = window.frame().size;
    _owner._resizeCorner.layout();
    scheduleUserResize();
}

void VLWidgetWindowPlacement::endUserResize(VLWSWindow& window) {
    _isUserResizing = false;
    _size = window.frame().size;
    const std::shared_ptr<VLRuntime> runtime = _owner.runtime();
    if (runtime)
        runtime->setWidgetWindowSize(_size);
    // The layout this resize causes must not take the window back to the size before it.
    _userResizeTarget = VLWindow::_flipRect(window.frame());
    scheduleUserResize();
    VLWSClock& clock = VLWindowServer::shared()->clock();
    clock.cancelPerforms(this, "forgetUserResizeTarget");
    clock.perform(this, "forgetUserResizeTarget", 0.5, [weak = _owner.weakSelf()] {
        if (std::shared_ptr<VLWindow> self = weak.lock())
            self->_widget._userResizeTarget = VLRectZero;
    });
    if (runtime)
        VLNotificationCenter::defaultCenter().post(VLRuntimeWidgetWindowDidEndUserResizeNotification,
                                                   runtime.get());
}

VLSize VLWidgetWindowPlacement::proposedSize(VLSize frameSize) const {
    return _isWidgetWindow && _isUserResizing ? geometry().proposedSize(frameSize) : frameSize;
}

void VLWidgetWindowPlacement::scheduleUserResize() {
    const VLRect frame = VLWindow::_flipRect(_owner._window->frame());
    const VLPoint offset = offsetFrom(frame.origin);
    {
        std::lock_guard lock(*_owner._lock);
        _pendingUserFrame = frame;
        _pendingUserOffset = offset;
        if (std::exchange(_userResizeScheduled, true))
            return;
    }
    _owner.onComponentThread([](VLWindow& self) { self._widget.applyUserResize(); });
}

// Written back on the component thread

void VLWidgetWindowPlacement::applyUserResize() {
    VLRect frame;
    VLPoint offset;
    {
        std::lock_guard lock(*_owner._lock);
        frame = _pendingUserFrame;
        offset = _pendingUserOffset;
        _userResizeScheduled = false;
    }
    if (_owner.isDestroyed())
        return;
    applyFrame(frame, offset, true, 0);
    _owner.layoutIfNeeded();
}

bool VLWidgetWindowPlacement::contentChangeNewerThan(uint64_t layouts) const {
    if (!_owner._contentMovedOrigin && !_owner._contentResized && _owner._contentLayouts <= layouts)
        return false;
    return _owner.isRuntimeWidgetWindow();
}

void VLWidgetWindowPlacement::applyOrigin(VLPoint origin, VLPoint offset, uint64_t placed) {
    if (contentChangeNewerThan(placed))
        return;
    VLWindow& owner = _owner;
    owner._styleOriginOffset = offset;
    const VLDictionary& style = owner.style();
    VLPoint old = owner.frame().origin;
    if (style.get("left").isNumber())
        old.x = style.get("left").doubleValue();
    if (style.get("top").isNumber())
        old.y = style.get("top").doubleValue();
    owner._writeOwnStyle(owner.styleAtOrigin(origin));
    if (widgetMovedByHalfAPoint(old, origin))
        owner._fireEvent("move", {{"x", origin.x}, {"y", origin.y}});
}

void VLWidgetWindowPlacement::applyFrame(const VLRect& frame, VLPoint offset, bool fromWindow,
                                         uint64_t placed) {
    VLWindow& owner = _owner;
    if (fromWindow)
        owner._contentMovedOrigin = false;
    else if (contentChangeNewerThan(placed))
        return;
    const VLRect old = owner.frame();
    owner._styleOriginOffset = offset;
    VLDictionary style = owner.styleAtOrigin(frame.origin);
    for (const char* key : {"minWidth", "minHeight", "maxWidth", "maxHeight"})
        style.erase(key);
    style.set("width", frame.size.width);
    style.set("height", frame.size.height);
    owner._writeOwnStyle(style);
    if (widgetResizedByHalfAPoint(old.size, frame.size))
        owner._fireEvent("resize", {});
    if (widgetMovedByHalfAPoint(old.origin, frame.origin))
        owner._fireEvent("move", {{"x", frame.origin.x}, {"y", frame.origin.y}});
}
