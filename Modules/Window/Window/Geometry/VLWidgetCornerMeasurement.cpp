#include "Modules/Window/Window/Geometry/VLWidgetCornerMeasurement.h"

#include "Core/Engine/Log/VLLog.h"
#include "Platform/Graphics/VLBitmap.h"
#include "Platform/Graphics/VLCompositor.h"
#include "Platform/WindowServer/VLWSLayer.h"
#include "Platform/WindowServer/VLWSView.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kLargestSide = 96;
constexpr uint32_t kSmallestPixels = 8;
constexpr uint8_t kOpaqueAlpha = 128;

// The square's pixels by column from the right edge (i) and row from the bottom edge (j).
class CornerSquare {
public:
    CornerSquare(const VLPixels& pixels, VLWidgetCornerMeasurement::FirstRow firstRow)
        : _pixels(pixels), _bottomFirst(firstRow == VLWidgetCornerMeasurement::FirstRow::Bottom) {}

    uint32_t side() const { return _pixels.width; }

    bool opaque(uint32_t i, uint32_t j) const {
        const uint32_t n = side();
        const uint32_t row = _bottomFirst ? j : n - 1 - j;
        const uint8_t* pixel = _pixels.bytes + size_t(row) * _pixels.rowBytes + size_t(n - 1 - i) * 4;
        return pixel[3] >= kOpaqueAlpha;
    }

private:
    const VLPixels& _pixels;
    const bool _bottomFirst;
};

} // namespace

VLWidgetCornerMeasurement VLWidgetCornerMeasurement::measure(const VLPixels& square, FirstRow firstRow,
                                                             double scale) {
    const uint32_t n = square.width;
    if (!square.bytes || n == 0 || square.height != n || square.rowBytes < size_t(n) * 4 ||
        !std::isfinite(scale) || scale <= 0)
        return {};
    const CornerSquare pixels(square, firstRow);
    uint32_t a = 0, b = 0, c = 0;
    while (a < n && !pixels.opaque(a, n - 1))
        ++a;
    while (b < n && !pixels.opaque(n - 1, b))
        ++b;
    while (a + c < n && b + c < n && !pixels.opaque(a + c, b + c))
        ++c;
    if (a == n || b == n || a + c == n || b + c == n)
        return {};

    // The diagonal from the inset corner meets a circle of radius r at r (1 − 1/√2) along each axis.
    constexpr double sqrt2 = std::numbers::sqrt2;
    VLWidgetCornerMeasurement corner{{a / scale, b / scale}, c * sqrt2 / scale / (sqrt2 - 1)};
    VLLogDebug("VLWidgetCornerMeasurement", "Widget corner: inset %.1f × %.1f, radius %.1f",
               corner.inset.width, corner.inset.height, corner.cornerRadius);
    return corner;
}

VLWidgetCornerMeasurement VLWidgetCornerMeasurement::measure(VLWSView& view, double backingScale) {
    const std::shared_ptr<VLWSLayer>& layer = view.layer();
    if (!layer)
        return {};
    // The layer's bounds are the view's size with their origin at its corner, whatever the view's
    // bounds origin.
    const VLSize size = layer->bounds().size;
    const double side = std::floor(std::min(kLargestSide, std::min(size.width, size.height)));
    const double scale = std::isfinite(backingScale) ? std::max(1.0, backingScale) : 1;
    const double pixels = std::trunc(side * scale);
    if (!(pixels >= kSmallestPixels) || pixels > VLCompositor::kMaximumSide)
        return {};
    const auto n = uint32_t(pixels);
    auto bitmap = VLBitmap::make(n, n, VLBitmapByteOrder::RGBA, VLBitmapAlpha::Premultiplied);
    if (!bitmap)
        return {};

    // The renderer puts larger y higher in the bitmap. Where the geometry runs downwards on screen, the
    // view's bottom is its last `side` points and lands in the first rows; else its first, in the last.
    const bool flipped = layer->contentsAreFlipped();
    const VLPoint translation{-(size.width - side), flipped ? -(size.height - side) : 0};
    if (!VLCompositor::renderLayer(*layer, bitmap->mutablePixels(), scale, translation))
        return {};
    return measure(bitmap->pixels(), flipped ? FirstRow::Bottom : FirstRow::Top, scale);
}
