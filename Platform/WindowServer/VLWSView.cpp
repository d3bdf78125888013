#include "Platform/WindowServer/VLWSView.h"

#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/WindowServer/VLWSLayer.h"
#include "Platform/WindowServer/VLWSTrackingArea.h"
#include "Platform/WindowServer/VLWSWindow.h"

#include <algorithm>
#include <cmath>

namespace {

bool isPositive(VLSize size) {
    return std::isfinite(size.width) && std::isfinite(size.height) && size.width > 0 && size.height > 0;
}

// One axis of autoresizing: the superview grew by `delta`; the flexible parts among the margin before,
// the size and the margin after share it in proportion to their lengths, or evenly when they have none.
// Answers the new origin and size.
std::pair<double, double> autoresize(double origin, double size, double oldSuper, double delta,
                                     const bool (&flexible)[3]) {
    const double parts[3] = {origin, size, oldSuper - origin - size};
    double total = 0;
    int count = 0;
    for (int i = 0; i < 3; ++i)
        if (flexible[i]) {
            total += std::max(parts[i], 0.0);
            ++count;
        }
    if (count == 0 || delta == 0)
        return {origin, size};
    auto share = [&](int i) {
        if (!flexible[i])
            return 0.0;
        return total > 0 ? delta * std::max(parts[i], 0.0) / total : delta / count;
    };
    return {origin + share(0), std::max(size + share(1), 0.0)};
}

} // namespace

VLWSView::VLWSView(VLRect frame) : _frame(frame.isFinite() ? frame : VLRectZero) {}

VLWSView::~VLWSView() {
    for (auto& subview : _subviews) {
        subview->_superview = nullptr;
        if (subview->_layer)
            subview->_layer->removeFromSuperlayer();
    }
}

// Geometry

void VLWSView::setFrame(VLRect frame) {
    if (!frame.isFinite() || frame == _frame)
        return;
    const VLSize oldBoundsSize = bounds().size;
    const bool resized = frame.size != _frame.size;
    _frame = frame;
    updateLayer();
    if (resized && _autoresizesSubviews)
        resizeSubviewsWithOldSize(oldBoundsSize);
    updateTrackingAreas();
    if (_postsFrameChangedNotifications)
        VLNotificationCenter::defaultCenter().post(VLWSViewFrameDidChangeNotification,
                                                   static_cast<const VLWSView*>(this));
}

void VLWSView::setFrameOrigin(VLPoint origin) {
    setFrame({origin, _frame.size});
}

void VLWSView::setFrameSize(VLSize size) {
    setFrame({_frame.origin, size});
}

VLRect VLWSView::bounds() const {
    return {_boundsOrigin,
            {_frame.size.width / _boundsScale.width, _frame.size.height / _boundsScale.height}};
}

void VLWSView::setBounds(VLRect bounds) {
    if (!bounds.origin.isFinite() || !isPositive(bounds.size))
        return;
    _boundsOrigin = bounds.origin;
    setBoundsSize(bounds.size);
}

void VLWSView::setBoundsOrigin(VLPoint origin) {
    if (!origin.isFinite())
        return;
    _boundsOrigin = origin;
    updateLayer();
}

void VLWSView::setBoundsSize(VLSize size) {
    if (!isPositive(size))
        return;
    // A side without length has no scale to take: it keeps the one it had.
    if (_frame.size.width != 0)
        _boundsScale.width = _frame.size.width / size.width;
    if (_frame.size.height != 0)
        _boundsScale.height = _frame.size.height / size.height;
    updateLayer();
}

void VLWSView::setHidden(bool hidden) {
    _hidden = hidden;
    updateLayer();
}

bool VLWSView::isHiddenOrHasHiddenAncestor() const {
    for (const VLWSView* view = this; view; view = view->_superview)
        if (view->_hidden)
            return true;
    return false;
}

// Subviews

void VLWSView::addSubview(std::shared_ptr<VLWSView> view) {
    addSubview(std::move(view), VLWSWindowOrderingMode::Above, nullptr);
}

void VLWSView::addSubview(std::shared_ptr<VLWSView> view, VLWSWindowOrderingMode place,
                          const VLWSView* relativeTo) {
    if (!view || place == VLWSWindowOrderingMode::Out || isDescendantOf(view.get()))
        return;
    view->removeFromSuperview();
    const bool above = place == VLWSWindowOrderingMode::Above;
    // Without a sibling named there is nothing to look for: appending costs the same however many
    // subviews there are.
    auto position = relativeTo
                        ? std::find_if(_subviews.begin(), _subviews.end(),
                                       [&](const auto& subview) { return subview.get() == relativeTo; })
                        : _subviews.end();
    if (position == _subviews.end())
        position = above ? _subviews.end() : _subviews.begin();
    else if (above)
        ++position;
    VLWSView* added = _subviews.insert(position, std::move(view))->get();
    added->_superview = this;
    added->setWindow(_window);
    // Whether it is flipped against its new superview may have changed.
    added->updateLayer();
    if (_layer) {
        if (added->_layer)
            placeSublayer(added);
        else
            added->makeLayer();
    }
}

void VLWSView::removeFromSuperview() {
    VLWSView* superview = _superview;
    if (!superview)
        return;
    // Held until the end: the superview's list may hold the last reference.
    auto self = shared_from_this();
    _superview = nullptr;
    std::erase_if(superview->_subviews, [&](const auto& view) { return view.get() == this; });
    if (_layer)
        _layer->removeFromSuperlayer();
    setWindow(nullptr);
}

bool VLWSView::isDescendantOf(const VLWSView* view) const {
    for (const VLWSView* ancestor = this; ancestor; ancestor = ancestor->_superview)
        if (ancestor == view)
            return true;
    return false;
}

void VLWSView::setWindow(VLWSWindow* window) {
    const bool changed = window != _window;
    _window = window;
    for (auto& subview : _subviews)
        subview->setWindow(window);
    if (changed)
        updateTrackingAreas();
}

// Conversions

VLAffineTransform VLWSView::transformToSuperview() const {
    const double sx = _boundsScale.width, sy = _boundsScale.height;
    const bool superviewFlipped = _superview && _superview->isFlipped();
    const double tx = _frame.origin.x - _boundsOrigin.x * sx;
    // Against a superview of the other orientation, the bounds' minimum y meets the frame's maximum.
    if (isFlipped() == superviewFlipped)
        return {sx, 0, 0, sy, tx, _frame.origin.y - _boundsOrigin.y * sy};
    return {sx, 0, 0, -sy, tx, _frame.origin.y + _frame.size.height + _boundsOrigin.y * sy};
}

VLAffineTransform VLWSView::transformToWindow() const {
    VLAffineTransform transform;
    for (const VLWSView* view = this; view; view = view->_superview)
        transform = transform.concatenating(view->transformToSuperview());
    return transform;
}

std::optional<VLAffineTransform> VLWSView::transformFrom(const VLWSView* view) const {
    VLAffineTransform from = view ? view->transformToWindow() : VLAffineTransform();
    if (view && view->_window && _window && view->_window != _window) {
        const VLPoint there = view->_window->convertPointToScreen({0, 0});
        const VLPoint here = _window->convertPointToScreen({0, 0});
        from = from.concatenating(VLAffineTransform::translation(there.x - here.x, there.y - here.y));
    }
    const auto toHere = transformToWindow().inverted();
    if (!toHere)
        return std::nullopt;
    return from.concatenating(*toHere);
}

VLPoint VLWSView::convertPointFromView(VLPoint point, const VLWSView* view) const {
    const auto transform = transformFrom(view);
    return transform ? transform->apply(point) : point;
}

VLPoint VLWSView::convertPointToView(VLPoint point, const VLWSView* view) const {
    return view ? view->convertPointFromView(point, this) : transformToWindow().apply(point);
}

VLRect VLWSView::convertRectFromView(VLRect rect, const VLWSView* view) const {
    const auto transform = transformFrom(view);
    return transform ? transform->apply(rect) : rect;
}

VLRect VLWSView::convertRectToView(VLRect rect, const VLWSView* view) const {
    return view ? view->convertRectFromView(rect, this) : transformToWindow().apply(rect);
}

// Mouse

VLWSView* VLWSView::hitTest(VLPoint point) {
    if (_hidden || !VLMouseInRect(point, _frame, _superview && _superview->isFlipped()))
        return nullptr;
    const auto fromSuperview = transformToSuperview().inverted();
    if (!fromSuperview)
        return nullptr;
    const VLPoint local = fromSuperview->apply(point);
    for (auto subview = _subviews.rbegin(); subview != _subviews.rend(); ++subview)
        if (VLWSView* hit = (*subview)->hitTest(local))
            return hit;
    return this;
}

bool VLWSView::acceptsFirstMouse(const VLWSEvent*) const {
    return false;
}

VLWSResponder* VLWSView::nextResponder() const {
    if (_superview)
        return _superview;
    return _window;
}

// Tracking areas

void VLWSView::addTrackingArea(std::shared_ptr<VLWSTrackingArea> area) {
    if (area && std::find(_trackingAreas.begin(), _trackingAreas.end(), area) == _trackingAreas.end())
        _trackingAreas.push_back(std::move(area));
}

void VLWSView::removeTrackingArea(const std::shared_ptr<VLWSTrackingArea>& area) {
    std::erase(_trackingAreas, area);
}

// Autoresizing

void VLWSView::resizeSubviewsWithOldSize(VLSize oldSize) {
    // Copied: a subview may rearrange its siblings as it resizes.
    const auto subviews = _subviews;
    for (const auto& subview : subviews)
        subview->resizeWithOldSuperviewSize(oldSize);
}

void VLWSView::resizeWithOldSuperviewSize(VLSize oldSize) {
    if (!_superview || _autoresizingMask == VLWSViewNotSizable)
        return;
    const VLSize newSize = _superview->bounds().size;
    const uint64_t mask = _autoresizingMask;
    const bool horizontal[3] = {bool(mask & VLWSViewMinXMargin), bool(mask & VLWSViewWidthSizable),
                                bool(mask & VLWSViewMaxXMargin)};
    const bool vertical[3] = {bool(mask & VLWSViewMinYMargin), bool(mask & VLWSViewHeightSizable),
                              bool(mask & VLWSViewMaxYMargin)};
    const auto [x, width] = autoresize(_frame.origin.x, _frame.size.width, oldSize.width,
                                       newSize.width - oldSize.width, horizontal);
    const auto [y, height] = autoresize(_frame.origin.y, _frame.size.height, oldSize.height,
                                        newSize.height - oldSize.height, vertical);
    setFrame({x, y, width, height});
}

// The layer

const std::shared_ptr<VLWSLayer>& VLWSView::layer() {
    if (!_layer)
        makeLayer();
    return _layer;
}

std::shared_ptr<VLWSLayer> VLWSView::makeBackingLayer() {
    return std::make_shared<VLWSLayer>();
}

void VLWSView::makeLayer() {
    _layer = makeBackingLayer();
    if (!_layer)
        _layer = std::make_shared<VLWSLayer>();
    updateLayer();
    if (_superview && _superview->_layer)
        _superview->placeSublayer(this);
    for (const auto& subview : _subviews) {
        if (subview->_layer)
            placeSublayer(subview.get());
        else
            subview->makeLayer();
    }
}

void VLWSView::placeSublayer(VLWSView* subview) {
    // Found from the end, where views are appended.
    const auto found = std::find_if(_subviews.rbegin(), _subviews.rend(),
                                    [&](const auto& view) { return view.get() == subview; });
    // Below the first sibling above it that is in place already; layers added by hand stay where they are.
    for (auto above = found == _subviews.rend() ? _subviews.end() : found.base(); above != _subviews.end();
         ++above) {
        const auto& layer = (*above)->_layer;
        if (layer && layer->superlayer() == _layer) {
            _layer->insertSublayerBelow(subview->_layer, layer.get());
            return;
        }
    }
    _layer->addSublayer(subview->_layer);
}

void VLWSView::updateLayer() {
    if (!_layer)
        return;
    const bool flipped = isFlipped() != (_superview && _superview->isFlipped());
    const double sx = _boundsScale.width, sy = _boundsScale.height;
    _layer->update([&](VLWSLayerProperties& p) {
        p.anchorPoint = {0, 0};
        p.position = _frame.origin;
        p.bounds = {0, 0, std::max(_frame.size.width, 0.0), std::max(_frame.size.height, 0.0)};
        p.geometryFlipped = flipped;
        p.sublayerTransform = {sx, 0, 0, sy, -_boundsOrigin.x * sx, -_boundsOrigin.y * sy};
        p.hidden = _hidden;
    });
}
