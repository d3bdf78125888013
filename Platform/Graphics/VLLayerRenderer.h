#pragma once

#include "Platform/Graphics/VLPixmanCanvas.h"

#include <functional>

class VLWSLayer;
struct VLWSLayerProperties;

// Draws layer trees with pixman: backgrounds (rounded by the corner radius), contents placed by their
// gravity and sampled with the layer's filters, sublayers through the sublayer transform, borders, clips
// to the bounds (rounded too), masks, and group opacity. Animations are not played: the layers' own
// values are drawn.
//
// Whoever draws holds the layer tree's lock (VLWSLayer::lockTree) throughout. One renderer serves one
// pass on one thread.
class VLLayerRenderer final {
public:
    // A group paints into its buffer with a transform that moves device space onto it; its mask covers
    // the same area of the buffer.
    using Paint = std::function<void(const VLPixmanCanvas& canvas, const VLAffineTransform& shift)>;
    using MakeMask = std::function<VLPixmanImage(const VLAffineTransform& shift, const VLPixelBox& area)>;

    // Draws the layer whose own coordinates reach device pixels through `toDevice`. `flipped`: whether its
    // coordinates run downwards as the result is seen, so that contents come out upright.
    void draw(const VLWSLayer& layer, const VLPixmanCanvas& canvas, const VLAffineTransform& toDevice,
              bool flipped, double alpha = 1);

    // Paints into a buffer over the box (within the canvas's clip), then composites it through the mask
    // made for it (none when empty). False, with nothing drawn, when no buffer can be had.
    bool drawGroup(const VLPixmanCanvas& canvas, VLPixelBox box, const Paint& paint, const MakeMask& mask);

private:
    void drawLayer(const VLWSLayer& layer, const VLPixmanCanvas& canvas, const VLAffineTransform& toDevice,
                   bool flipped, double alpha);
    bool drawLayerGroup(const VLWSLayer& layer, const VLPixmanCanvas& canvas,
                        const VLAffineTransform& toDevice, bool flipped, double alpha);
    VLPixmanImage groupMask(const VLWSLayer& layer, const VLPixelBox& area, const VLAffineTransform& toDevice,
                            bool flipped, double alpha);
    // The layer's background, contents, sublayers and border, as they are.
    void drawContent(const VLWSLayer& layer, const VLPixmanCanvas& canvas, const VLAffineTransform& toDevice,
                     bool flipped, double alpha);
    static void drawContents(const VLWSLayerProperties& layer, const VLPixmanCanvas& canvas,
                             const VLAffineTransform& toDevice, bool flipped, double alpha);
    static void drawBorder(const VLWSLayerProperties& layer, const VLPixmanCanvas& canvas,
                           const VLAffineTransform& toDevice, double alpha);
    static void fillShape(const VLPixmanCanvas& canvas, const VLRect& rect, double radius, uint8_t corners,
                          const VLAffineTransform& toDevice, VLColor color, double alpha);

    int _depth = 0;      // layers being drawn, one inside the other
    int _groupDepth = 0; // group buffers alive
};
