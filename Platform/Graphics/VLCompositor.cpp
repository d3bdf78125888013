#include "Platform/Graphics/VLCompositor.h"

#include "Platform/Graphics/VLBitmap.h"
#include "Platform/Graphics/VLLayerRenderer.h"
#include "Platform/WindowServer/VLWSLayer.h"
#include "Platform/WindowServer/VLWSScreen.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWindowServer.h"

#include <cmath>
#include <cstring>

namespace {

bool isWithinCaps(double width, double height) {
    return width <= VLCompositor::kMaximumSide && height <= VLCompositor::kMaximumSide &&
           width * height <= double(VLCompositor::kMaximumPixels);
}

// The target as a cleared pixman image; empty when it is refused.
VLPixmanImage clearedTarget(const VLMutablePixels& target) {
    if (!isWithinCaps(target.width, target.height))
        return {};
    VLPixmanImage image = VLPixmanImage::wrap(target);
    if (image)
        for (uint32_t row = 0; row < target.height; ++row)
            std::memset(target.bytes + row * target.rowBytes, 0, size_t(target.width) * 4);
    return image;
}

// A bitmap to draw into, made only for sizes within the caps: `draw` fills it or refuses.
template <class Draw>
std::shared_ptr<VLBitmap> drawnBitmap(double width, double height, Draw draw) {
    if (!(width >= 1) || !(height >= 1) || !isWithinCaps(width, height))
        return nullptr;
    auto bitmap = VLBitmap::make(uint32_t(width), uint32_t(height), VLBitmapByteOrder::BGRA,
                                 VLBitmapAlpha::Premultiplied, VLBitmapContents::Unset);
    return bitmap && draw(bitmap->mutablePixels()) ? bitmap : nullptr;
}

// From coordinates with y up to pixels: `origin` lands `height` pixels below the target's top.
VLAffineTransform toPixels(VLPoint origin, double scale, double height) {
    return {scale, 0, 0, -scale, -origin.x * scale, height + origin.y * scale};
}

} // namespace

bool VLCompositor::renderLayer(const VLWSLayer& layer, const VLMutablePixels& target, double scale,
                               VLPoint translation) {
    if (!std::isfinite(scale) || scale <= 0 || !std::isfinite(translation.x) || !std::isfinite(translation.y))
        return false;
    VLPixmanImage image = clearedTarget(target);
    if (!image)
        return false;
    const VLPixmanCanvas canvas(image.get(), {0, 0, int32_t(target.width), int32_t(target.height)});
    auto lock = VLWSLayer::lockTree();
    VLLayerRenderer().draw(layer, canvas,
                           toPixels({-translation.x, -translation.y}, scale, double(target.height)),
                           layer.propertiesLocked().geometryFlipped);
    return true;
}

bool VLCompositor::compositeScreen(VLWindowServer& server, const VLWSScreen& screen,
                                   const VLMutablePixels& target) {
    if (!screen.isValid())
        return false;
    VLPixmanImage image = clearedTarget(target);
    if (!image)
        return false;
    const VLPixmanCanvas canvas(image.get(), {0, 0, int32_t(target.width), int32_t(target.height)});
    // The screen's top-left corner at the target's.
    const double scale = screen.backingScaleFactor;
    const VLAffineTransform globalToPixels =
        toPixels(screen.frame.origin, scale, screen.frame.size.height * scale);
    auto windows = server.orderedWindows();
    std::vector<std::shared_ptr<VLWSLayer>> roots;
    for (const auto& window : windows)
        roots.push_back(window->frameView()->layer()); // made before the lock: views are main-thread work

    auto lock = VLWSLayer::lockTree();
    VLLayerRenderer renderer;
    for (size_t i = windows.size(); i-- > 0;) {
        const VLWSWindow& window = *windows[i];
        const VLRect frame = window.frame();
        if (window.alphaValue() <= 0 || !frame.intersects(screen.frame))
            continue;
        const VLAffineTransform toDevice =
            VLAffineTransform::translation(frame.origin.x, frame.origin.y).concatenating(globalToPixels);
        const VLRect windowRect{{0, 0}, frame.size};
        const VLPixelBox box = VLPixelBox::nearest(toDevice.apply(windowRect));
        const VLWSLayer& root = *roots[i];
        auto paint = [&](const VLPixmanCanvas& inside, const VLAffineTransform& shift) {
            const VLAffineTransform windowToDevice = toDevice.concatenating(shift);
            const VLPixmanCanvas clipped =
                inside.clippedTo(box.offsetBy(int32_t(shift.tx), int32_t(shift.ty)));
            if (window.isOpaque())
                clipped.fillBox(VLPixelBox::nearest(windowToDevice.apply(windowRect)),
                                window.backgroundColor(), 1);
            const VLWSLayerProperties& p = root.propertiesLocked();
            renderer.draw(root, clipped, p.toSuperlayer().concatenating(windowToDevice), p.geometryFlipped);
        };
        if (window.alphaValue() >= 1) {
            paint(canvas, VLAffineTransform());
            continue;
        }
        const double alpha = window.alphaValue();
        const bool grouped =
            renderer.drawGroup(canvas, box, paint, [&](const VLAffineTransform&, const VLPixelBox&) {
                return VLPixmanImage::solid(VLColor::whiteColor(), alpha);
            });
        if (!grouped)
            paint(canvas, VLAffineTransform()); // no memory for the group: at least the content shows
    }
    return true;
}

std::shared_ptr<VLBitmap> VLCompositor::renderLayer(const VLWSLayer& layer, uint32_t width, uint32_t height,
                                                    double scale, VLPoint translation) {
    return drawnBitmap(width, height, [&](const VLMutablePixels& pixels) {
        return renderLayer(layer, pixels, scale, translation);
    });
}

std::shared_ptr<VLBitmap> VLCompositor::compositeScreen(VLWindowServer& server, const VLWSScreen& screen) {
    if (!screen.isValid())
        return nullptr;
    const double scale = screen.backingScaleFactor;
    return drawnBitmap(
        std::round(screen.frame.size.width * scale), std::round(screen.frame.size.height * scale),
        [&](const VLMutablePixels& pixels) { return compositeScreen(server, screen, pixels); });
}
