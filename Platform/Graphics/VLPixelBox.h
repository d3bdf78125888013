#pragma once

#include "Platform/Foundation/VLRect.h"

#include <algorithm>
#include <cstdint>

// A rectangle of whole device pixels, x1 and y1 inside, x2 and y2 just outside; y runs down. A plain
// value.
struct VLPixelBox {
    int32_t x1 = 0;
    int32_t y1 = 0;
    int32_t x2 = 0;
    int32_t y2 = 0;

    // Edges at the nearest pixel boundaries, so that abutting rectangles neither gap nor overlap.
    static VLPixelBox nearest(const VLRect& rect);
    // Every pixel the rectangle touches.
    static VLPixelBox around(const VLRect& rect);

    bool isEmpty() const { return x2 <= x1 || y2 <= y1; }
    int32_t width() const { return x2 - x1; }
    int32_t height() const { return y2 - y1; }
    VLPixelBox intersection(const VLPixelBox& other) const {
        return {std::max(x1, other.x1), std::max(y1, other.y1), std::min(x2, other.x2),
                std::min(y2, other.y2)};
    }
    VLPixelBox offsetBy(int32_t dx, int32_t dy) const { return {x1 + dx, y1 + dy, x2 + dx, y2 + dy}; }

    friend bool operator==(const VLPixelBox&, const VLPixelBox&) = default;
};
