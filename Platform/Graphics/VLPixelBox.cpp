#include "Platform/Graphics/VLPixelBox.h"

#include <cmath>

namespace {

// Far beyond any target, yet safe to add and subtract in 32 bits.
constexpr double kFar = 1 << 29;

int32_t pixel(double value) {
    return std::isnan(value) ? 0 : int32_t(std::clamp(value, -kFar, kFar));
}

} // namespace

VLPixelBox VLPixelBox::nearest(const VLRect& rect) {
    if (rect.isNull() || !rect.isFinite())
        return {};
    return {pixel(std::round(rect.minX())), pixel(std::round(rect.minY())), pixel(std::round(rect.maxX())),
            pixel(std::round(rect.maxY()))};
}

VLPixelBox VLPixelBox::around(const VLRect& rect) {
    if (rect.isNull() || !rect.isFinite())
        return {};
    return {pixel(std::floor(rect.minX())), pixel(std::floor(rect.minY())), pixel(std::ceil(rect.maxX())),
            pixel(std::ceil(rect.maxY()))};
}
