#pragma once

#include "Platform/Foundation/VLAffineTransform.h"
#include "Platform/Graphics/VLPixelBox.h"

#include <pixman.h>

#include <cstdint>
#include <vector>

// A convex outline in device pixels (y down), made from a rectangle of some layer's space, rounded or not,
// and carried there by a transform. A plain value.
class VLDevicePolygon {
public:
    VLDevicePolygon() = default;
    // `corners` are VLWSLayerCornerMask bits; the radius is kept within half the shorter side.
    static VLDevicePolygon roundedRect(const VLRect& rect, double radius, uint8_t corners,
                                       const VLAffineTransform& toDevice);

    // The part inside the box.
    VLDevicePolygon clippedTo(const VLPixelBox& box) const;
    bool isEmpty() const { return _points.size() < 3; }
    // Every pixel it touches.
    VLPixelBox bounds() const;
    // A fan of triangles covering it, moved by (dx, dy).
    std::vector<pixman_triangle_t> triangles(double dx, double dy) const;

    const std::vector<VLPoint>& points() const { return _points; }

private:
    std::vector<VLPoint> _points;
};
