#pragma once

#include "Platform/Graphics/VLDevicePolygon.h"
#include "Platform/Graphics/VLPixmanImage.h"

// Drawing over a pixman image, everything composited over what is there and kept inside a clip box.
// The image stays its owner's.
//
// Used by one thread at a time.
class VLPixmanCanvas final {
public:
    VLPixmanCanvas(pixman_image_t* target, VLPixelBox clip) : _target(target), _clip(clip) {}

    pixman_image_t* target() const { return _target; }
    const VLPixelBox& clip() const { return _clip; }
    // The same image, clipped further.
    VLPixmanCanvas clippedTo(const VLPixelBox& box) const { return {_target, _clip.intersection(box)}; }

    // The colour, its alpha multiplied by `alpha`.
    void fillBox(const VLPixelBox& box, VLColor color, double alpha) const;
    // Anti-aliased.
    void fillPolygon(const VLDevicePolygon& polygon, VLColor color, double alpha) const;
    // What lies inside `outer` and outside `inner`, anti-aliased.
    void fillRing(const VLDevicePolygon& outer, const VLDevicePolygon& inner, VLColor color,
                  double alpha) const;
    // `source` over the box, through `mask` when there is one (its pixel 0, 0 at the box's corner). A
    // source with a transform is sampled at the target's own coordinates.
    void composite(pixman_image_t* source, pixman_image_t* mask, const VLPixelBox& box,
                   bool sourceAtBox = false) const;

    // An a8 image over the box holding the polygon's coverage, scaled by `alpha`; empty when it cannot
    // be made.
    static VLPixmanImage coverage(const VLDevicePolygon& polygon, const VLPixelBox& box, double alpha = 1);

private:
    pixman_image_t* _target;
    VLPixelBox _clip;
};
