#include "Platform/Graphics/VLDevicePolygon.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Corner bits as layers name them: the minimum y is the bottom of an unflipped layer.
constexpr uint8_t kMinXMinY = 1, kMaxXMinY = 2, kMinXMaxY = 4, kMaxXMaxY = 8;

// Chords that stray at most a tenth of a pixel from the arc.
int segmentsFor(double deviceRadius) {
    if (!(deviceRadius > 0.1))
        return 1;
    const double step = 2 * std::acos(1 - 0.1 / deviceRadius);
    return std::clamp(int(std::ceil(std::numbers::pi / 2 / step)), 2, 128);
}

// Keeps the side of one clip edge: inside(p) tells which side, cross(a, b) where the edge meets ab.
template <class Inside, class Cross>
std::vector<VLPoint> clipEdge(const std::vector<VLPoint>& points, Inside inside, Cross cross) {
    std::vector<VLPoint> kept;
    for (size_t i = 0; i < points.size(); ++i) {
        const VLPoint& a = points[i];
        const VLPoint& b = points[(i + 1) % points.size()];
        if (inside(a))
            kept.push_back(a);
        if (inside(a) != inside(b))
            kept.push_back(cross(a, b));
    }
    return kept;
}

VLPoint alongX(const VLPoint& a, const VLPoint& b, double x) {
    return {x, a.y + (b.y - a.y) * (x - a.x) / (b.x - a.x)};
}

VLPoint alongY(const VLPoint& a, const VLPoint& b, double y) {
    return {a.x + (b.x - a.x) * (y - a.y) / (b.y - a.y), y};
}

} // namespace

VLDevicePolygon VLDevicePolygon::roundedRect(const VLRect& rect, double radius, uint8_t corners,
                                             const VLAffineTransform& toDevice) {
    VLDevicePolygon polygon;
    const VLRect r = rect.standardized();
    if (r.isEmpty() || !r.isFinite())
        return polygon;
    radius = std::clamp(radius, 0.0, std::min(r.width(), r.height()) / 2);
    const int segments = segmentsFor(radius * std::sqrt(std::fabs(toDevice.determinant())));
    // Counter-clockwise in the layer's y-up space: each corner's centre and the angle its arc starts at.
    const struct {
        uint8_t bit;
        double x, y, dx, dy, angle;
    } cornerArcs[] = {
        {kMinXMinY, r.minX(), r.minY(), 1, 1, std::numbers::pi},
        {kMaxXMinY, r.maxX(), r.minY(), -1, 1, 1.5 * std::numbers::pi},
        {kMaxXMaxY, r.maxX(), r.maxY(), -1, -1, 0},
        {kMinXMaxY, r.minX(), r.maxY(), 1, -1, 0.5 * std::numbers::pi},
    };
    for (const auto& corner : cornerArcs) {
        if (radius <= 0 || !(corners & corner.bit)) {
            polygon._points.push_back(toDevice.apply(VLPoint{corner.x, corner.y}));
            continue;
        }
        const VLPoint centre{corner.x + corner.dx * radius, corner.y + corner.dy * radius};
        for (int i = 0; i <= segments; ++i) {
            const double angle = corner.angle + std::numbers::pi / 2 * i / segments;
            polygon._points.push_back(toDevice.apply(
                VLPoint{centre.x + radius * std::cos(angle), centre.y + radius * std::sin(angle)}));
        }
    }
    // Geometry too large for doubles draws as nothing.
    for (const VLPoint& p : polygon._points)
        if (!p.isFinite())
            return {};
    return polygon;
}

VLDevicePolygon VLDevicePolygon::clippedTo(const VLPixelBox& box) const {
    VLDevicePolygon clipped;
    std::vector<VLPoint> points = _points;
    const double x1 = box.x1, y1 = box.y1, x2 = box.x2, y2 = box.y2;
    points = clipEdge(
        points, [&](const VLPoint& p) { return p.x >= x1; },
        [&](const VLPoint& a, const VLPoint& b) { return alongX(a, b, x1); });
    points = clipEdge(
        points, [&](const VLPoint& p) { return p.x <= x2; },
        [&](const VLPoint& a, const VLPoint& b) { return alongX(a, b, x2); });
    points = clipEdge(
        points, [&](const VLPoint& p) { return p.y >= y1; },
        [&](const VLPoint& a, const VLPoint& b) { return alongY(a, b, y1); });
    points = clipEdge(
        points, [&](const VLPoint& p) { return p.y <= y2; },
        [&](const VLPoint& a, const VLPoint& b) { return alongY(a, b, y2); });
    clipped._points = std::move(points);
    return clipped;
}

VLPixelBox VLDevicePolygon::bounds() const {
    return isEmpty() ? VLPixelBox() : VLPixelBox::around(VLRectEnclosingPoints(_points));
}

std::vector<pixman_triangle_t> VLDevicePolygon::triangles(double dx, double dy) const {
    std::vector<pixman_triangle_t> fan;
    if (isEmpty())
        return fan;
    auto fixed = [&](const VLPoint& p) {
        return pixman_point_fixed_t{pixman_double_to_fixed(p.x + dx), pixman_double_to_fixed(p.y + dy)};
    };
    for (size_t i = 1; i + 1 < _points.size(); ++i)
        fan.push_back({fixed(_points[0]), fixed(_points[i]), fixed(_points[i + 1])});
    return fan;
}
