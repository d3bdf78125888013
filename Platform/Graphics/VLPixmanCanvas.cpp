#include "Platform/Graphics/VLPixmanCanvas.h"

void VLPixmanCanvas::fillBox(const VLPixelBox& box, VLColor color, double alpha) const {
    const VLPixelBox inside = box.intersection(_clip);
    const pixman_color_t fill = VLPixmanImage::color(color, alpha);
    if (inside.isEmpty() || fill.alpha == 0)
        return;
    const pixman_box32_t pixmanBox{inside.x1, inside.y1, inside.x2, inside.y2};
    // An opaque fill replaces what is below, which pixman does fastest as a plain store.
    pixman_image_fill_boxes(fill.alpha == 0xFFFF ? PIXMAN_OP_SRC : PIXMAN_OP_OVER, _target, &fill, 1,
                            &pixmanBox);
}

void VLPixmanCanvas::fillPolygon(const VLDevicePolygon& polygon, VLColor color, double alpha) const {
    const VLDevicePolygon inside = polygon.clippedTo(_clip);
    const VLPixmanImage source = VLPixmanImage::solid(color, alpha);
    const auto triangles = inside.triangles(0, 0);
    if (triangles.empty() || !source)
        return;
    pixman_composite_triangles(PIXMAN_OP_OVER, source.get(), _target, PIXMAN_a8, 0, 0, 0, 0,
                               int(triangles.size()), triangles.data());
}

void VLPixmanCanvas::fillRing(const VLDevicePolygon& outer, const VLDevicePolygon& inner, VLColor color,
                              double alpha) const {
    const VLPixelBox box = outer.bounds().intersection(_clip);
    if (box.isEmpty())
        return;
    VLPixmanImage mask = coverage(outer, box);
    const VLPixmanImage opaque = VLPixmanImage::solid(VLColor::whiteColor());
    const auto hole = inner.clippedTo(box).triangles(-box.x1, -box.y1);
    if (!mask || !opaque)
        return;
    // Out-reverse keeps the mask only where the hole does not cover it.
    if (!hole.empty())
        pixman_composite_triangles(PIXMAN_OP_OUT_REVERSE, opaque.get(), mask.get(), PIXMAN_a8, 0, 0, 0, 0,
                                   int(hole.size()), hole.data());
    const VLPixmanImage source = VLPixmanImage::solid(color, alpha);
    if (source)
        composite(source.get(), mask.get(), box);
}

void VLPixmanCanvas::composite(pixman_image_t* source, pixman_image_t* mask, const VLPixelBox& box,
                               bool sourceAtBox) const {
    const VLPixelBox inside = box.intersection(_clip);
    if (inside.isEmpty() || !source)
        return;
    const int32_t sourceX = sourceAtBox ? inside.x1 - box.x1 : inside.x1;
    const int32_t sourceY = sourceAtBox ? inside.y1 - box.y1 : inside.y1;
    pixman_image_composite32(PIXMAN_OP_OVER, source, mask, _target, sourceX, sourceY, inside.x1 - box.x1,
                             inside.y1 - box.y1, inside.x1, inside.y1, inside.width(), inside.height());
}

VLPixmanImage VLPixmanCanvas::coverage(const VLDevicePolygon& polygon, const VLPixelBox& box, double alpha) {
    VLPixmanImage mask = VLPixmanImage::make(PIXMAN_a8, box.width(), box.height());
    const auto triangles = polygon.clippedTo(box).triangles(-box.x1, -box.y1);
    if (!mask || triangles.empty())
        return mask;
    if (alpha >= 1) {
        pixman_add_triangles(mask.get(), 0, 0, int(triangles.size()), triangles.data());
    } else {
        const VLPixmanImage source = VLPixmanImage::solid(VLColor::whiteColor(), alpha);
        if (source)
            pixman_composite_triangles(PIXMAN_OP_ADD, source.get(), mask.get(), PIXMAN_a8, 0, 0, 0, 0,
                                       int(triangles.size()), triangles.data());
    }
    return mask;
}
