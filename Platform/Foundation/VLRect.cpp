#include "Platform/Foundation/VLRect.h"

#include <algorithm>
#include <cmath>
#include <limits>

const VLRect VLRectNull(std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(), 0,
                        0);
const VLRect VLRectZero(0, 0, 0, 0);

double VLRect::minX() const {
    return isNull() ? INFINITY : std::min(origin.x, origin.x + size.width);
}
double VLRect::maxX() const {
    return isNull() ? INFINITY : std::max(origin.x, origin.x + size.width);
}
double VLRect::midX() const {
    return isNull() ? INFINITY : origin.x + size.width / 2;
}
double VLRect::minY() const {
    return isNull() ? INFINITY : std::min(origin.y, origin.y + size.height);
}
double VLRect::maxY() const {
    return isNull() ? INFINITY : std::max(origin.y, origin.y + size.height);
}
double VLRect::midY() const {
    return isNull() ? INFINITY : origin.y + size.height / 2;
}
double VLRect::width() const {
    return isNull() ? 0 : std::fabs(size.width);
}
double VLRect::height() const {
    return isNull() ? 0 : std::fabs(size.height);
}

bool VLRect::isNull() const {
    return std::isinf(origin.x) || std::isinf(origin.y);
}

bool VLRect::isFinite() const {
    return std::isfinite(origin.x) && std::isfinite(origin.y) && std::isfinite(size.width) &&
           std::isfinite(size.height);
}

bool VLRect::isEmpty() const {
    return isNull() || !(size.width != 0) || !(size.height != 0) || std::isnan(size.width) ||
           std::isnan(size.height);
}

VLRect VLRect::standardized() const {
    if (isNull())
        return VLRectNull;
    return {minX(), minY(), width(), height()};
}

VLRect VLRect::offsetBy(double dx, double dy) const {
    if (isNull())
        return VLRectNull;
    VLRect rect = standardized();
    return {rect.origin.x + dx, rect.origin.y + dy, rect.size.width, rect.size.height};
}

VLRect VLRect::insetBy(double dx, double dy) const {
    if (isNull())
        return VLRectNull;
    VLRect rect = standardized();
    const double width = rect.size.width - 2 * dx;
    const double height = rect.size.height - 2 * dy;
    if (width < 0 || height < 0)
        return VLRectNull;
    return {rect.origin.x + dx, rect.origin.y + dy, width, height};
}

VLRect VLRect::insetBy(const VLEdgeInsets& insets) const {
    if (isNull())
        return VLRectNull;
    VLRect rect = standardized();
    const double width = rect.size.width - insets.left - insets.right;
    const double height = rect.size.height - insets.top - insets.bottom;
    if (width < 0 || height < 0)
        return VLRectNull;
    // Insets are measured in a y-down sense: top is the edge at minY.
    return {rect.origin.x + insets.left, rect.origin.y + insets.top, width, height};
}

VLRect VLRect::intersection(const VLRect& other) const {
    if (isNull() || other.isNull())
        return VLRectNull;
    const double x0 = std::max(minX(), other.minX());
    const double y0 = std::max(minY(), other.minY());
    const double x1 = std::min(maxX(), other.maxX());
    const double y1 = std::min(maxY(), other.maxY());
    if (x1 < x0 || y1 < y0)
        return VLRectNull;
    return {x0, y0, x1 - x0, y1 - y0};
}

VLRect VLRect::unionWith(const VLRect& other) const {
    if (isNull())
        return other.standardized();
    if (other.isNull())
        return standardized();
    const double x0 = std::min(minX(), other.minX());
    const double y0 = std::min(minY(), other.minY());
    return {x0, y0, std::max(maxX(), other.maxX()) - x0, std::max(maxY(), other.maxY()) - y0};
}

bool VLRect::intersects(const VLRect& other) const {
    const VLRect common = intersection(other);
    return !common.isNull() && !common.isEmpty();
}

bool VLRect::contains(const VLRect& other) const {
    if (isNull() || other.isNull())
        return false;
    return other.minX() >= minX() && other.maxX() <= maxX() && other.minY() >= minY() &&
           other.maxY() <= maxY();
}

bool VLRectContainsPoint(const VLRect& rect, VLPoint point) {
    if (rect.isNull())
        return false;
    return point.x >= rect.minX() && point.x < rect.maxX() && point.y >= rect.minY() && point.y < rect.maxY();
}

bool VLMouseInRect(VLPoint point, const VLRect& rect, bool flipped) {
    const double minX = rect.origin.x, maxX = rect.origin.x + rect.size.width;
    const double minY = rect.origin.y, maxY = rect.origin.y + rect.size.height;
    if (!(point.x >= minX && point.x < maxX))
        return false;
    return flipped ? point.y >= minY && point.y < maxY : point.y > minY && point.y <= maxY;
}

bool VLPointInRect(VLPoint point, const VLRect& rect) {
    return VLMouseInRect(point, rect, true);
}

VLRect VLRectEnclosingPoints(std::span<const VLPoint> points) {
    if (points.empty())
        return VLRectNull;
    double minX = points[0].x, maxX = minX, minY = points[0].y, maxY = minY;
    for (const VLPoint& point : points) {
        minX = std::min(minX, point.x);
        maxX = std::max(maxX, point.x);
        minY = std::min(minY, point.y);
        maxY = std::max(maxY, point.y);
    }
    return {minX, minY, maxX - minX, maxY - minY};
}
