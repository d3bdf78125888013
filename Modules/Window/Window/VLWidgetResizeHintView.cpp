#include "Modules/Window/Window/VLWidgetResizeHintView.h"

#include "Platform/Graphics/VLBitmap.h"
#include "Platform/WindowServer/VLWSTransaction.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWindowServer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double strokeWidth = 5;
constexpr double strokeLength = 24;
// How far the stroke's centre line runs outside the corner's curve.
constexpr double strokeOffset = 6.5;
// The smallest corner the stroke fits inside.
constexpr double smallestInsideCorner = 9.5;
constexpr double largestRadius = 40;
// From the centre line to each edge of the view.
constexpr double margin = 8.5;
constexpr double appearDuration = 0.25, emphasisDuration = 0.15, disappearDuration = 0.2;
constexpr double emphasizedAlpha = 1, plainAlpha = 0.75;
constexpr const char* nudgeKey = "nudge";

constexpr uint64_t fillsSuperview = VLWSViewWidthSizable | VLWSViewHeightSizable;

VLPoint offset(VLPoint point, double angle, double distance) {
    return {point.x + distance * std::cos(angle), point.y + distance * std::sin(angle)};
}

double distanceBetween(VLPoint a, VLPoint b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

double distanceToSegment(VLPoint point, VLPoint a, VLPoint b) {
    const double dx = b.x - a.x, dy = b.y - a.y, lengthSquared = dx * dx + dy * dy;
    const double t = lengthSquared > 0
                         ? std::clamp(((point.x - a.x) * dx + (point.y - a.y) * dy) / lengthSquared, 0.0, 1.0)
                         : 0;
    return distanceBetween(point, {a.x + t * dx, a.y + t * dy});
}

VLWSAnimation nudgeAnimation() {
    const VLAffineTransform identity = VLAffineTransform::identity();
    const VLAffineTransform towardsCorner = VLAffineTransform::translation(3, 3);
    const VLWSTimingFunction ease = VLWSTimingFunction::easeInEaseOut();
    return {.keyPath = "transform",
            .values = {identity, towardsCorner, identity, towardsCorner, identity},
            .keyTimes = {0, 0.25, 0.5, 0.75, 1},
            .timingFunctions = {ease, ease, ease, ease},
            .duration = 1.2};
}

} // namespace

// Centre line

VLPoint VLWidgetResizeHintView::CentreLine::pointAt(double angle) const {
    return offset(centre, angle, radius);
}

VLPoint VLWidgetResizeHintView::CentreLine::start() const {
    // Back along the tangent at the arc's start.
    return offset(pointAt(startAngle), startAngle + std::numbers::pi / 2, -straight);
}

VLPoint VLWidgetResizeHintView::CentreLine::end() const {
    return offset(pointAt(endAngle), endAngle + std::numbers::pi / 2, straight);
}

double VLWidgetResizeHintView::CentreLine::distanceTo(VLPoint point) const {
    const double angle = std::atan2(point.y - centre.y, point.x - centre.x);
    double distance = angle >= startAngle && angle <= endAngle
                          ? std::abs(distanceBetween(point, centre) - radius)
                          : std::min(distanceBetween(point, pointAt(startAngle)),
                                     distanceBetween(point, pointAt(endAngle)));
    if (straight > 0)
        distance = std::min({distance, distanceToSegment(point, start(), pointAt(startAngle)),
                             distanceToSegment(point, pointAt(endAngle), end())});
    return distance;
}

// The view

VLWidgetResizeHintView::VLWidgetResizeHintView(VLRect frame)
    : VLWSView(frame), _body(std::make_shared<VLFlippedView>(VLRect{{0, 0}, frame.size})),
      _glass(std::make_shared<VLWSVisualEffectView>(VLRect{{0, 0}, frame.size})),
      _tint(std::make_shared<VLWSShapeLayer>()), _ring(std::make_shared<VLWSShapeLayer>()) {
    _body->setAutoresizingMask(fillsSuperview);
    addSubview(_body);
    _glass->setAutoresizingMask(fillsSuperview);
    _glass->setBlendingMode(VLWSVisualEffectBlendingMode::BehindWindow);
    _glass->setAppearanceName("NSAppearanceNameVibrantLight");
    _glass->setMaterial(VLWSVisualEffectMaterialPopover);
    _glass->setState(VLWSVisualEffectState::Active);
    _body->addSubview(_glass);

    _tint->setFillColor({});
    _tint->setLineWidth(strokeWidth);
    _tint->setLineCap(VLWSLineCap::Round);
    _tint->setLineJoin(VLWSLineJoin::Round);
    _tint->setStrokeColor({1, 1, 1, 0.25});
    _ring->setFillColor({});
    _ring->setLineWidth(0.75);
    _ring->setStrokeColor({0, 0, 0, 0.28});
    _body->layer()->addSublayer(_tint);
    _body->layer()->addSublayer(_ring);

    setCornerRadius(0, true);
}

void VLWidgetResizeHintView::setCornerRadius(double radius, bool outside) {
    radius = std::isnan(radius) ? 0 : std::clamp(radius, 0.0, largestRadius);
    if (radius == _cornerRadius && outside == _outside)
        return;
    _cornerRadius = radius;
    _outside = outside;

    const double cornerRadius = outside ? radius : std::max(smallestInsideCorner, radius);
    const double arcRadius = outside ? radius + strokeOffset : cornerRadius - strokeOffset;
    const double straight = (strokeLength - arcRadius * std::numbers::pi / 2) / 2;
    double startAngle = 0, endAngle = std::numbers::pi / 2;
    if (straight <= 0) {
        // The arc alone is as long as the stroke, centred on the corner's diagonal.
        const double halfAngle = strokeLength / arcRadius / 2;
        startAngle = std::numbers::pi / 4 - halfAngle;
        endAngle = std::numbers::pi / 4 + halfAngle;
    }
    const double lead = std::max(straight, 0.0);
    const double r = arcRadius;
    const VLPoint centre{margin - r * std::cos(endAngle) + lead, margin - r * std::sin(startAngle) + lead};
    _line = {centre, r, startAngle, endAngle, lead};
    _corner = {centre.x + cornerRadius, centre.y + cornerRadius};
    _size = {r * std::cos(startAngle) - r * std::cos(endAngle) + lead + 2 * margin,
             r * std::sin(endAngle) - r * std::sin(startAngle) + lead + 2 * margin};

    _path = {};
    _path.moveTo(_line.start());
    if (lead > 0)
        _path.lineTo(_line.pointAt(startAngle));
    _path.addArc(centre, r, startAngle, endAngle, false);
    if (lead > 0)
        _path.lineTo(_line.end());
    applyShape();
}

void VLWidgetResizeHintView::applyShape() {
    setFrameSize(_size);

    // The stroke's outline: both sides of the centre line, joined by round caps.
    const double half = strokeWidth / 2, pi = std::numbers::pi;
    const CentreLine& line = _line;
    const bool straight = line.straight > 0;
    VLWSPath outline;
    outline.moveTo(offset(line.start(), line.startAngle, half));
    if (straight)
        outline.lineTo(offset(line.pointAt(line.startAngle), line.startAngle, half));
    outline.addArc(line.centre, line.radius + half, line.startAngle, line.endAngle, false);
    if (straight)
        outline.lineTo(offset(line.end(), line.endAngle, half));
    outline.addArc(line.end(), half, line.endAngle, line.endAngle + pi, false);
    if (straight)
        outline.lineTo(offset(line.pointAt(line.endAngle), line.endAngle, -half));
    outline.addArc(line.centre, line.radius - half, line.endAngle, line.startAngle, true);
    if (straight)
        outline.lineTo(offset(line.start(), line.startAngle, -half));
    outline.addArc(line.start(), half, line.startAngle + pi, line.startAngle + 2 * pi, false);
    outline.closeSubpath();

    const VLRect bounds{{0, 0}, _size};
    VLWSTransaction::begin();
    VLWSTransaction::setDisableActions(true);
    _tint->setFrame(bounds);
    _tint->setPath(_path);
    _ring->setFrame(bounds);
    _ring->setPath(outline);
    VLWSTransaction::commit();
    _glass->setMaskImage(strokeMask());
}

std::shared_ptr<const VLPixelSource> VLWidgetResizeHintView::strokeMask() const {
    double scale = 1;
    if (VLWSWindow* shownIn = window())
        scale = shownIn->backingScaleFactor();
    else if (const auto& screens = VLWindowServer::shared()->snapshot()->screens(); !screens.empty())
        scale = screens.front().backingScaleFactor;
    auto mask =
        VLBitmap::make(uint32_t(std::ceil(_size.width * scale)), uint32_t(std::ceil(_size.height * scale)));
    if (!mask)
        return nullptr;
    // Each pixel covered as far as its centre lies within the stroke, with a pixel of softening.
    const double half = strokeWidth / 2;
    for (uint32_t y = 0; y < mask->height(); ++y) {
        uint8_t* row = mask->mutableRow(y);
        for (uint32_t x = 0; x < mask->width(); ++x) {
            const VLPoint point{(x + 0.5) / scale, (y + 0.5) / scale};
            const double coverage = std::clamp((half - _line.distanceTo(point)) * scale + 0.5, 0.0, 1.0);
            std::fill_n(row + 4 * x, 4, uint8_t(std::lround(coverage * 255)));
        }
    }
    return mask;
}

// Fades

void VLWidgetResizeHintView::fadeTo(double alpha, double duration) {
    _opacity = alpha;
    if (VLWSWindow* shownIn = window())
        shownIn->animateAlphaValue(alpha, duration, VLWSTimingFunction::easeInEaseOut());
}

void VLWidgetResizeHintView::appearNudging(bool nudging) {
    fadeTo(_emphasized ? emphasizedAlpha : plainAlpha, appearDuration);
    if (nudging)
        _body->layer()->addAnimation(nudgeAnimation(), nudgeKey);
}

void VLWidgetResizeHintView::setEmphasized(bool emphasized) {
    if (emphasized == _emphasized)
        return;
    _emphasized = emphasized;
    if (appeared())
        fadeTo(_emphasized ? emphasizedAlpha : plainAlpha, emphasisDuration);
}

void VLWidgetResizeHintView::disappear() {
    _body->layer()->removeAnimation(nudgeKey);
    if (appeared())
        fadeTo(0, disappearDuration);
}
