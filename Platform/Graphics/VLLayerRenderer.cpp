#include "Platform/Graphics/VLLayerRenderer.h"

#include "Platform/WindowServer/VLWSLayer.h"

#include <algorithm>
#include <cmath>

namespace {

// Deeper trees are not drawn: a bound on the stack whatever a tree holds.
constexpr int kMaximumDepth = 256;
// Beyond this many group buffers at once, groups are drawn layer by layer with their opacity passed
// down: close, and it bounds the memory a pathological tree can take.
constexpr int kMaximumGroupDepth = 6;

bool isRoundedClip(const VLWSLayerProperties& p, const VLAffineTransform& toDevice) {
    return p.masksToBounds && ((p.cornerRadius > 0 && p.maskedCorners) || !toDevice.keepsAxes());
}

// Whether the pieces a layer draws can overlap, so that opacity has to apply to them as one.
bool hasOverlappingPieces(const VLWSLayer& layer, const VLWSLayerProperties& p) {
    const size_t pieces = (p.backgroundColor.alpha > 0) + bool(p.contents) +
                          (p.borderWidth > 0 && p.borderColor.alpha > 0) + layer.sublayersLocked().size();
    return pieces > 1;
}

// Pixels of the bounds, to clip to.
VLPixelBox boundsBox(const VLRect& bounds, const VLAffineTransform& toDevice) {
    const VLRect device = toDevice.apply(bounds);
    return toDevice.keepsAxes() ? VLPixelBox::nearest(device) : VLPixelBox::around(device);
}

// Where contents of `size` points go in the bounds. Vertical alignment is as seen: top is the bounds'
// maximum y unless the coordinates are flipped.
VLRect placeContents(const VLRect& bounds, VLSize size, VLWSLayerContentsGravity gravity, bool flipped) {
    using Gravity = VLWSLayerContentsGravity;
    double width = size.width, height = size.height, fx = 0.5, fromTop = 0.5;
    switch (gravity) {
    case Gravity::Resize:
        return bounds;
    case Gravity::ResizeAspect:
    case Gravity::ResizeAspectFill: {
        const double sx = bounds.size.width / size.width, sy = bounds.size.height / size.height;
        const double scale = gravity == Gravity::ResizeAspect ? std::min(sx, sy) : std::max(sx, sy);
        width *= scale;
        height *= scale;
        break;
    }
    case Gravity::Center:
        break;
    case Gravity::Top:
        fromTop = 0;
        break;
    case Gravity::Bottom:
        fromTop = 1;
        break;
    case Gravity::Left:
        fx = 0;
        break;
    case Gravity::Right:
        fx = 1;
        break;
    case Gravity::TopLeft:
        fx = fromTop = 0;
        break;
    case Gravity::TopRight:
        fx = 1, fromTop = 0;
        break;
    case Gravity::BottomLeft:
        fx = 0, fromTop = 1;
        break;
    case Gravity::BottomRight:
        fx = fromTop = 1;
        break;
    }
    const double fy = flipped ? fromTop : 1 - fromTop;
    return {bounds.origin.x + (bounds.size.width - width) * fx,
            bounds.origin.y + (bounds.size.height - height) * fy, width, height};
}

} // namespace

void VLLayerRenderer::draw(const VLWSLayer& layer, const VLPixmanCanvas& canvas,
                           const VLAffineTransform& toDevice, bool flipped, double alpha) {
    if (_depth >= kMaximumDepth)
        return;
    ++_depth;
    drawLayer(layer, canvas, toDevice, flipped, alpha);
    --_depth;
}

void VLLayerRenderer::drawLayer(const VLWSLayer& layer, const VLPixmanCanvas& canvas,
                                const VLAffineTransform& toDevice, bool flipped, double alpha) {
    const VLWSLayerProperties& p = layer.propertiesLocked();
    if (p.hidden || p.opacity <= 0 || alpha <= 0 || !toDevice.isFinite() || canvas.clip().isEmpty())
        return;
    const bool needsGroup =
        layer.maskLocked() || isRoundedClip(p, toDevice) || (p.opacity < 1 && hasOverlappingPieces(layer, p));
    if (needsGroup && _groupDepth < kMaximumGroupDepth &&
        drawLayerGroup(layer, canvas, toDevice, flipped, alpha))
        return;
    // Nothing overlaps (or no buffer could be had): the opacity applies to each piece alone.
    drawContent(layer, canvas, toDevice, flipped, alpha * p.opacity);
}

bool VLLayerRenderer::drawGroup(const VLPixmanCanvas& canvas, VLPixelBox box, const Paint& paint,
                                const MakeMask& mask) {
    box = box.intersection(canvas.clip());
    if (box.isEmpty())
        return true;
    VLPixmanImage buffer = VLPixmanImage::make(PIXMAN_a8r8g8b8, box.width(), box.height());
    if (!buffer)
        return false;
    const VLAffineTransform shift = VLAffineTransform::translation(-box.x1, -box.y1);
    const VLPixelBox area{0, 0, box.width(), box.height()};
    ++_groupDepth;
    paint(VLPixmanCanvas(buffer.get(), area), shift);
    const VLPixmanImage cut = mask(shift, area);
    --_groupDepth;
    canvas.composite(buffer.get(), cut.get(), box, true);
    return true;
}

bool VLLayerRenderer::drawLayerGroup(const VLWSLayer& layer, const VLPixmanCanvas& canvas,
                                     const VLAffineTransform& toDevice, bool flipped, double alpha) {
    const VLWSLayerProperties& p = layer.propertiesLocked();
    VLPixelBox box = canvas.clip();
    if (p.masksToBounds)
        box = box.intersection(VLPixelBox::around(toDevice.apply(p.bounds)));
    return drawGroup(
        canvas, box,
        [&](const VLPixmanCanvas& inside, const VLAffineTransform& shift) {
            drawContent(layer, inside, toDevice.concatenating(shift), flipped, 1);
        },
        [&](const VLAffineTransform& shift, const VLPixelBox& area) {
            return groupMask(layer, area, toDevice.concatenating(shift), flipped, alpha * p.opacity);
        });
}

VLPixmanImage VLLayerRenderer::groupMask(const VLWSLayer& layer, const VLPixelBox& area,
                                         const VLAffineTransform& toDevice, bool flipped, double alpha) {
    const VLWSLayerProperties& p = layer.propertiesLocked();
    VLPixmanImage mask;
    if (const auto& maskLayer = layer.maskLocked()) {
        mask = VLPixmanImage::make(PIXMAN_a8r8g8b8, area.width(), area.height());
        if (mask) {
            const VLWSLayerProperties& m = maskLayer->propertiesLocked();
            draw(*maskLayer, VLPixmanCanvas(mask.get(), area), m.toSuperlayer().concatenating(toDevice),
                 flipped != m.geometryFlipped);
        }
    }
    // In-reverse keeps the mask where the next one covers it: masks multiply.
    auto multiply = [&](VLPixmanImage next) {
        if (!mask)
            mask = std::move(next);
        else if (next)
            pixman_image_composite32(PIXMAN_OP_IN_REVERSE, next.get(), nullptr, mask.get(), 0, 0, 0, 0, 0, 0,
                                     area.width(), area.height());
    };
    if (isRoundedClip(p, toDevice))
        multiply(VLPixmanCanvas::coverage(
            VLDevicePolygon::roundedRect(p.bounds, p.cornerRadius, p.maskedCorners, toDevice), area));
    if (alpha < 1)
        multiply(VLPixmanImage::solid(VLColor::whiteColor(), alpha));
    return mask;
}

void VLLayerRenderer::drawContent(const VLWSLayer& layer, const VLPixmanCanvas& canvas,
                                  const VLAffineTransform& toDevice, bool flipped, double alpha) {
    const VLWSLayerProperties& p = layer.propertiesLocked();
    fillShape(canvas, p.bounds, p.cornerRadius, p.maskedCorners, toDevice, p.backgroundColor, alpha);
    const VLPixmanCanvas inside = p.masksToBounds ? canvas.clippedTo(boundsBox(p.bounds, toDevice)) : canvas;
    if (p.contents)
        drawContents(p, inside, toDevice, flipped, alpha);
    const auto& sublayers = layer.sublayersLocked();
    if (!sublayers.empty()) {
        const VLAffineTransform toSublayers = p.sublayersToLayer().concatenating(toDevice);
        for (const auto& sublayer : sublayers) {
            const VLWSLayerProperties& s = sublayer->propertiesLocked();
            draw(*sublayer, inside, s.toSuperlayer().concatenating(toSublayers), flipped != s.geometryFlipped,
                 alpha);
        }
    }
    drawBorder(p, canvas, toDevice, alpha);
}

void VLLayerRenderer::drawContents(const VLWSLayerProperties& p, const VLPixmanCanvas& canvas,
                                   const VLAffineTransform& toDevice, bool flipped, double alpha) {
    p.contents->lendPixels([&](const VLPixels& pixels) {
        VLPixmanImage source = VLPixmanImage::wrap(pixels);
        const VLRect part = p.contentsRect.standardized();
        const double x0 = part.origin.x * pixels.width, y0 = part.origin.y * pixels.height;
        const double width = part.size.width * pixels.width, height = part.size.height * pixels.height;
        if (!source || !(width > 0) || !(height > 0))
            return;
        const VLRect shown = placeContents(p.bounds, {width / p.contentsScale, height / p.contentsScale},
                                           p.contentsGravity, flipped);
        if (shown.isEmpty())
            return;
        // Source pixels (rows down from the top) to the layer's coordinates, upright as seen.
        const double sx = shown.size.width / width, sy = shown.size.height / height;
        const VLAffineTransform toLayer =
            flipped ? VLAffineTransform{sx, 0, 0, sy, shown.origin.x - x0 * sx, shown.origin.y - y0 * sy}
                    : VLAffineTransform{sx, 0, 0, -sy, shown.origin.x - x0 * sx, shown.maxY() + y0 * sy};
        const VLAffineTransform toTarget = toLayer.concatenating(toDevice);
        const auto fromTarget = toTarget.inverted();
        if (!fromTarget)
            return;
        const pixman_f_transform sampling{{{fromTarget->a, fromTarget->c, fromTarget->tx},
                                           {fromTarget->b, fromTarget->d, fromTarget->ty},
                                           {0, 0, 1}}};
        pixman_transform_t fixed;
        if (!pixman_transform_from_pixman_f_transform(&fixed, &sampling))
            return;
        pixman_image_set_transform(source.get(), &fixed);
        const bool magnified = std::fabs(toTarget.determinant()) > 1;
        const VLWSLayerFilter filter = magnified ? p.magnificationFilter : p.minificationFilter;
        pixman_image_set_filter(
            source.get(), filter == VLWSLayerFilter::Nearest ? PIXMAN_FILTER_NEAREST : PIXMAN_FILTER_BILINEAR,
            nullptr, 0);
        // Edges keep their colour instead of fading into what lies beyond the image.
        pixman_image_set_repeat(source.get(), PIXMAN_REPEAT_PAD);
        if (toDevice.keepsAxes()) {
            const VLPixmanImage fade =
                alpha < 1 ? VLPixmanImage::solid(VLColor::whiteColor(), alpha) : VLPixmanImage();
            canvas.composite(source.get(), fade.get(), VLPixelBox::nearest(toDevice.apply(shown)));
            return;
        }
        const VLDevicePolygon outline = VLDevicePolygon::roundedRect(shown, 0, 0, toDevice);
        const VLPixelBox box = outline.bounds().intersection(canvas.clip());
        if (box.isEmpty())
            return;
        const VLPixmanImage coverage = VLPixmanCanvas::coverage(outline, box, alpha);
        if (coverage)
            canvas.composite(source.get(), coverage.get(), box);
    });
}

void VLLayerRenderer::drawBorder(const VLWSLayerProperties& p, const VLPixmanCanvas& canvas,
                                 const VLAffineTransform& toDevice, double alpha) {
    if (!(p.borderWidth > 0) || p.borderColor.alpha <= 0 || p.bounds.isEmpty())
        return;
    const double width = std::min(p.borderWidth, std::min(p.bounds.size.width, p.bounds.size.height) / 2);
    const VLRect inner = p.bounds.insetBy(width, width);
    if (toDevice.keepsAxes() && (p.cornerRadius <= 0 || !p.maskedCorners)) {
        // Four bands that meet without overlapping.
        const VLPixelBox o = VLPixelBox::nearest(toDevice.apply(p.bounds));
        const VLPixelBox i =
            inner.isEmpty() ? VLPixelBox{o.x1, o.y1, o.x1, o.y1} : VLPixelBox::nearest(toDevice.apply(inner));
        for (const VLPixelBox& band :
             {VLPixelBox{o.x1, o.y1, o.x2, i.y1}, VLPixelBox{o.x1, i.y2, o.x2, o.y2},
              VLPixelBox{o.x1, i.y1, i.x1, i.y2}, VLPixelBox{i.x2, i.y1, o.x2, i.y2}})
            canvas.fillBox(band, p.borderColor, alpha);
        return;
    }
    const VLDevicePolygon outer =
        VLDevicePolygon::roundedRect(p.bounds, p.cornerRadius, p.maskedCorners, toDevice);
    const VLDevicePolygon hole =
        VLDevicePolygon::roundedRect(inner, std::max(p.cornerRadius - width, 0.0), p.maskedCorners, toDevice);
    canvas.fillRing(outer, hole, p.borderColor, alpha);
}

void VLLayerRenderer::fillShape(const VLPixmanCanvas& canvas, const VLRect& rect, double radius,
                                uint8_t corners, const VLAffineTransform& toDevice, VLColor color,
                                double alpha) {
    if (color.alpha <= 0 || rect.isEmpty())
        return;
    if (toDevice.keepsAxes() && (radius <= 0 || !corners))
        canvas.fillBox(VLPixelBox::nearest(toDevice.apply(rect)), color, alpha);
    else
        canvas.fillPolygon(VLDevicePolygon::roundedRect(rect, radius, corners, toDevice), color, alpha);
}
