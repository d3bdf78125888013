#include "Modules/Window/Window/Geometry/VLWidgetFrameGeometry.h"

#include "Modules/Window/Window/Geometry/VLScreenChoice.h"
#include "Platform/WindowServer/VLWSGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kLargest = std::numeric_limits<double>::max();

double lowerBound(double minimum) {
    return std::isfinite(minimum) ? std::max(1.0, minimum) : 1;
}

double upperBound(double maximum) {
    return std::isfinite(maximum) && maximum > 0 ? maximum : kLargest;
}

// Width over height, when both are given.
std::optional<double> ratioOf(VLSize aspect) {
    if (!(aspect.width > 0 && aspect.height > 0))
        return std::nullopt;
    const double ratio = aspect.width / aspect.height;
    return std::isfinite(ratio) && ratio > 0 ? std::optional(ratio) : std::nullopt;
}

double clamp(double value, double lower, double upper) {
    return std::max(std::min(value, upper), lower);
}

bool isPositive(VLSize size) {
    return size.width > 0 && size.height > 0;
}

} // namespace

VLSize VLWidgetFrameGeometry::sizeInRange(VLSize size) const {
    const double minWidth = lowerBound(sizing.minimumSize().width);
    const double minHeight = lowerBound(sizing.minimumSize().height);
    const double maxWidth = upperBound(sizing.maximumSize().width);
    const double maxHeight = upperBound(sizing.maximumSize().height);
    const std::optional<double> ratio = ratioOf(sizing.aspectRatio());
    if (!ratio)
        return {clamp(size.width, minWidth, maxWidth), clamp(size.height, minHeight, maxHeight)};

    const double r = *ratio;
    const double heightWidth = size.height * r;
    const bool onRatio = std::fabs(size.width - heightWidth) <= 1;
    const double width = onRatio ? size.width : std::min(size.width, heightWidth);
    const double fitted = clamp(width, std::max(minWidth, minHeight * r), std::min(maxWidth, maxHeight * r));
    if (onRatio && std::fabs(fitted - size.width) <= 1)
        return size;
    return {std::round(fitted), std::round(fitted / r)};
}

VLEdgeInsets VLWidgetFrameGeometry::marginsForSize(VLSize size) const {
    if (!mainHitRegion)
        return {};
    const VLRect window{0, 0, size.width, size.height};
    VLRect hit = VLRectNull;
    for (const VLRect& rect : *mainHitRegion) {
        if (!rect.isFinite())
            continue;
        const VLRect common = rect.intersection(window);
        if (!common.isEmpty())
            hit = hit.unionWith(common);
    }
    if (hit.isNull() || hit.isEmpty() || !hit.isFinite())
        return {};
    return {0, hit.minX(), size.height - hit.maxY(), size.width - hit.maxX()};
}

std::optional<VLWSScreen> VLWidgetFrameGeometry::screenForFrame(const VLRect& frame) const {
    return VLScreenChoice::forFrame(screens, frame, windowScreen);
}

std::optional<VLWSScreen> VLWidgetFrameGeometry::screenForWidgetFrame(const VLRect& frame) const {
    if (!frame.isFinite())
        return std::nullopt;
    const VLEdgeInsets margins = marginsForSize(frame.size);
    const VLRect content{frame.origin.x + margins.left, frame.origin.y + margins.bottom,
                         frame.size.width - margins.left - margins.right,
                         frame.size.height - margins.top - margins.bottom};
    if (std::optional<VLWSScreen> screen =
            VLScreenChoice::containing(screens, {content.midX(), content.midY()}))
        return screen;
    return screenForFrame(frame);
}

VLRect VLWidgetFrameGeometry::widgetFrame(const VLRect& frame) const {
    if (!VLWSIsValidFrame(frame))
        return frame;
    const double top = frame.origin.y + frame.size.height;
    VLSize size = sizing.resizableByContent() ? sizeInRange(frame.size) : widgetSize;
    if (!isPositive(size))
        return frame;
    const std::optional<VLWSScreen> screen = chosenScreen ? chosenScreen : screenForWidgetFrame(frame);
    if (!screen) {
        const VLRect sized{frame.origin, size};
        return sized.isFinite() ? sized : frame;
    }

    const VLRect& visible = screen->visibleFrame;
    const bool resizable = sizing.resizableByUser() || sizing.resizableByContent();
    if (resizable && !ratioOf(sizing.aspectRatio())) {
        const VLSize minimum = sizing.minimumSize();
        size.width = std::max(std::min(size.width, std::floor(visible.size.width)), minimum.width);
        size.height = std::max(std::min(size.height, std::floor(visible.size.height)), minimum.height);
    } else {
        const double k = std::min(visible.size.width / size.width, visible.size.height / size.height);
        // A screen with no visible area leaves the size alone rather than making it zero.
        if (k < 1 && k > 0)
            size = {std::floor(size.width * k), std::floor(size.height * k)};
    }

    const VLEdgeInsets margins = marginsForSize(size);
    const double x = std::max(std::min(frame.origin.x, visible.maxX() - size.width + margins.right),
                              visible.minX() - margins.left);
    const double y = std::max(std::min(top, visible.maxY()) - size.height, visible.minY() - margins.bottom);
    const VLRect result{x, y, size.width, size.height};
    return VLWSIsValidFrame(result) && isPositive(size) ? result : frame;
}

VLSize VLWidgetFrameGeometry::proposedSize(VLSize size) const {
    const std::optional<VLWSScreen> screen =
        windowScreen ? windowScreen : (screens.empty() ? std::nullopt : std::optional(screens.front()));
    if (!screen || screen->visibleFrame.isEmpty() || !VLWSIsValidSize(size))
        return size;
    const VLSize visible = screen->visibleFrame.size;
    if (ratioOf(sizing.aspectRatio())) {
        const double k = std::min({1.0, visible.width / size.width, visible.height / size.height});
        return {std::floor(size.width * k), std::floor(size.height * k)};
    }
    return {std::min(size.width, visible.width), std::min(size.height, visible.height)};
}
