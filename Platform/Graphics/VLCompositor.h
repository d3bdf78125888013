#pragma once

#include "Platform/Foundation/VLPoint.h"
#include "Platform/Graphics/VLPixelSource.h"

#include <cstdint>
#include <memory>

class VLBitmap;
class VLWSLayer;
struct VLWSScreen;
class VLWindowServer;

// Draws layer trees and whole screens into pixels on the CPU, with pixman. Targets are cleared first;
// one that is empty, larger than the caps, or not laid out as pixman can take it is refused (false, and
// nothing is written).
//
// Main thread: it reads windows and views. Layers may change on other threads meanwhile: the layer tree's
// lock is held for the whole pass.
class VLCompositor final {
public:
    // The largest render: each side, and all pixels.
    static constexpr uint32_t kMaximumSide = 16384;
    static constexpr uint64_t kMaximumPixels = uint64_t(1) << 25;

    VLCompositor() = delete;

    // The layer and its sublayers as the layer sees itself: a point p of its coordinates lands at
    // scale × (p + translation) from the bottom-left corner of the target, y up, so that the target's
    // first row is its top. The layer's own position, transform and flip play no part; its opacity,
    // clip and mask do. A scale or translation that is not finite, or a scale not above 0, is refused.
    static bool renderLayer(const VLWSLayer& layer, const VLMutablePixels& target, double scale,
                            VLPoint translation);
    // The same into a new premultiplied BGRA bitmap of that many pixels; nullptr when refused or when
    // the memory cannot be had.
    static std::shared_ptr<VLBitmap> renderLayer(const VLWSLayer& layer, uint32_t width, uint32_t height,
                                                 double scale, VLPoint translation);

    // What the screen shows at its backing scale: the server's visible windows that lie on it, back to
    // front, each as a group at its alpha: its background colour over the frame when it is opaque, then
    // its views' layers, clipped to the frame. Where no window is, the target stays transparent. The
    // screen's top-left corner is the target's; the target's size should be the screen's size times its
    // scale, and drawing is cut to it.
    static bool compositeScreen(VLWindowServer& server, const VLWSScreen& screen,
                                const VLMutablePixels& target);
    // The same into a new bitmap of the screen's size times its scale, in whole pixels.
    static std::shared_ptr<VLBitmap> compositeScreen(VLWindowServer& server, const VLWSScreen& screen);
};
