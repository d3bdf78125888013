// Arcs, ellipses and rounded rectangles of VLPath.
#include "Modules/Canvas/Context2D/VLPath.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <utility>

namespace {

// 2π as a float, as the sweep is computed.
constexpr float kVLPathTwoPi = 6.2831855f;
// 2π less the single-precision epsilon: a sweep at least this wide closes on its first point.
constexpr double kVLPathFullTurn = 6.283185187970297;
constexpr double kVLPathMinSegments = 20;
constexpr double kVLPathMaxSegments = 64;
constexpr double kVLPathMaxPreciseSegments = 16384;

float VLPathSweep(float startAngle, float endAngle, bool antiClockwise) {
    if (!antiClockwise) {
        if (endAngle - startAngle >= kVLPathTwoPi)
            return kVLPathTwoPi;
        if (startAngle > endAngle)
            return kVLPathTwoPi - std::fmod(startAngle - endAngle, kVLPathTwoPi);
        return endAngle - startAngle;
    }
    if (startAngle - endAngle >= kVLPathTwoPi)
        return -kVLPathTwoPi;
    if (endAngle > startAngle)
        return -(kVLPathTwoPi - std::fmod(endAngle - startAngle, kVLPathTwoPi));
    return endAngle - startAngle;
}

} // namespace

int VLPath::ellipseSegmentCount(float sweep, float radius) const {
    if (sweep == 0)
        return 0;
    // In double, NaN carried through, and clamped before it becomes an integer: huge, infinite or NaN
    // radii and scales must neither overflow the conversion nor loop for ever.
    const double scale = std::sqrt(_transform.a * _transform.a + _transform.c * _transform.c);
    const double size = double(radius) * scale;
    const double turns = std::fabs(double(sweep)) / kVLPathTwoPi;
    const double share = 5 * size / (5 * size + 200) * kVLPathMaxSegments * turns;
    double count = std::isnan(share) ? share : std::trunc(std::max(kVLPathMinSegments, share));
    double limit = kVLPathMaxSegments;
    if (_precise) {
        const double step = size > 0.01 ? 2 * std::acos(1 - 0.01 / size) : std::numbers::pi;
        const double needed = std::ceil(std::fabs(double(sweep)) / step);
        count = std::isnan(needed) || std::isnan(count) ? NAN : std::max(count, needed);
        limit = kVLPathMaxPreciseSegments;
    }
    if (std::isnan(count))
        return 0;
    return int(std::min(count, limit));
}

void VLPath::ellipseX(float x, float y, float radiusX, float radiusY, float rotation, float startAngle,
                      float endAngle, bool antiClockwise) {
    const float sweep = VLPathSweep(startAngle, endAngle, antiClockwise);
    const float a0 = std::fmod(startAngle, kVLPathTwoPi);
    const int count = ellipseSegmentCount(sweep, std::max(radiusX, radiusY));
    const double cosRotation = std::cos(double(rotation));
    const double sinRotation = std::sin(double(rotation));
    const auto pointAt = [&](float angle) {
        const double ex = radiusX * std::cos(double(angle));
        const double ey = radiusY * std::sin(double(angle));
        return transformPoint(x + ex * cosRotation - ey * sinRotation,
                              y + ex * sinRotation + ey * cosRotation);
    };
    const float sign = sweep < 0 ? -1.0f : 1.0f;
    const auto tangentAt = [&](float angle) {
        const double tx = -radiusX * std::sin(double(angle)) * sign;
        const double ty = radiusY * std::cos(double(angle)) * sign;
        return transformDirection(tx * cosRotation - ty * sinRotation, tx * sinRotation + ty * cosRotation);
    };

    std::optional<size_t> firstIndex;
    const float step = count > 0 ? sweep / float(count) : 0;
    float angle = a0;
    for (int k = 0; k < count; ++k) {
        _currentPos = pointAt(angle);
        push(_currentPos);
        if (!firstIndex)
            firstIndex = _currentPath.points.size() - 1;
        angle += step;
    }
    // A full turn ends exactly where it began.
    const float lastAngle = std::fabs(double(sweep)) >= kVLPathFullTurn ? a0 : a0 + sweep;
    _currentPos = pointAt(lastAngle);
    push(_currentPos);
    if (firstIndex)
        curveAddedAfter(*firstIndex, tangentAt(a0), tangentAt(a0 + sweep));
}

void VLPath::arcX(float x, float y, float radius, float startAngle, float endAngle, bool antiClockwise) {
    ellipseX(x, y, radius, radius, 0, startAngle, endAngle, antiClockwise);
}

void VLPath::arcToX1(float x1, float y1, float x2, float y2, float radius) {
    // In user space: the current point is mapped back. A transform that cannot be undone leaves
    // nothing to fit a corner into: the line alone is drawn.
    const std::optional<VLAffineTransform> inverse = _transform.inverted();
    if (radius == 0 || !inverse) {
        lineToX(x1, y1);
        return;
    }
    const VLPoint p0 = inverse->apply(VLPoint(_currentPos.x, _currentPos.y));
    const double a1 = p0.y - y1;
    const double b1 = p0.x - x1;
    const double a2 = double(y2) - y1;
    const double b2 = double(x2) - x1;
    const double mm = std::fabs(a1 * b2 - b1 * a2);
    // Collinear points (or a NaN) give no corner to round.
    if (!(mm >= 1e-8)) {
        lineToX(x1, y1);
        return;
    }
    const double dd = a1 * a1 + b1 * b1;
    const double cc = a2 * a2 + b2 * b2;
    const double tt = a1 * a2 + b1 * b2;
    const double k1 = radius * std::sqrt(dd) / mm;
    const double k2 = radius * std::sqrt(cc) / mm;
    const double j1 = k1 * tt / dd;
    const double j2 = k2 * tt / cc;
    const double cx = k1 * b2 + k2 * b1;
    const double cy = k1 * a2 + k2 * a1;
    const double px = b1 * (k2 + j1);
    const double py = a1 * (k2 + j1);
    const double qx = b2 * (k1 + j2);
    const double qy = a2 * (k1 + j2);
    arcX(float(x1 + cx), float(y1 + cy), radius, float(std::atan2(py - cy, px - cx)),
         float(std::atan2(qy - cy, qx - cx)), b1 * a2 > a1 * b2);
}

void VLPath::roundRectX(float x, float y, float w, float h, const VLVector2 radii[4]) {
    enum { upperLeft, upperRight, lowerRight, lowerLeft };
    VLVector2 r[4] = {radii[0], radii[1], radii[2], radii[3]};
    float left = x;
    float top = y;
    float width = w;
    float height = h;
    if (width < 0) {
        left += width;
        width = -width;
        std::swap(r[upperLeft], r[upperRight]);
        std::swap(r[lowerRight], r[lowerLeft]);
    }
    if (height < 0) {
        top += height;
        height = -height;
        std::swap(r[upperLeft], r[lowerLeft]);
        std::swap(r[upperRight], r[lowerRight]);
    }
    // Radii that do not fit shrink together. A 0/0 ratio (no size, no radii) is left out.
    float scale = 1;
    for (const float ratio :
         {width / (r[upperLeft].x + r[upperRight].x), width / (r[lowerRight].x + r[lowerLeft].x),
          height / (r[upperRight].y + r[lowerRight].y), height / (r[upperLeft].y + r[lowerLeft].y)}) {
        if (ratio < scale)
            scale = ratio;
    }
    if (scale < 1) {
        for (VLVector2& radius : r)
            radius = radius * scale;
    }
    const float right = left + width;
    const float bottom = top + height;
    constexpr float halfPi = std::numbers::pi_v<float> / 2;
    constexpr float pi = std::numbers::pi_v<float>;

    // The move ends the subpath before and starts the rectangle afresh.
    moveToX(left + r[upperLeft].x, top);
    lineToX(right - r[upperRight].x, top);
    ellipseX(right - r[upperRight].x, top + r[upperRight].y, r[upperRight].x, r[upperRight].y, 0, -halfPi, 0,
             false);
    lineToX(right, bottom - r[lowerRight].y);
    ellipseX(right - r[lowerRight].x, bottom - r[lowerRight].y, r[lowerRight].x, r[lowerRight].y, 0, 0,
             halfPi, false);
    lineToX(left + r[lowerLeft].x, bottom);
    ellipseX(left + r[lowerLeft].x, bottom - r[lowerLeft].y, r[lowerLeft].x, r[lowerLeft].y, 0, halfPi, pi,
             false);
    lineToX(left, top + r[upperLeft].y);
    ellipseX(left + r[upperLeft].x, top + r[upperLeft].y, r[upperLeft].x, r[upperLeft].y, 0, pi, 3 * halfPi,
             false);
    // A mirrored rectangle runs the other way round, so that its winding follows the signs given.
    if ((w < 0) != (h < 0))
        std::reverse(_currentPath.points.begin(), _currentPath.points.end());
    close();
    moveToX(x, y);
}
