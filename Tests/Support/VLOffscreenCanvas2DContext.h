#pragma once

#include "Modules/Canvas/Context2D/VLCanvas2DRenderingContext.h"

#include <array>
#include <cstdint>
#include <memory>

// A 2D context that draws into a renderbuffer of its own instead of a presented one, for tests that
// read pixels back. Made and used on the runtime's JavaScript thread (llvmpipe's surfaceless EGL needs
// no display).
class VLOffscreenCanvas2DContext final : public VLCanvas2DRenderingContext {
public:
    struct Options {
        bool upsideDown = false;
        // 0 for none.
        int32_t samples = 0;
    };

    // Created, and current.
    static std::shared_ptr<VLOffscreenCanvas2DContext>
    make(const std::shared_ptr<VLJSBindingContext>& bindingContext, int16_t width, int16_t height,
         Options options);

    using VLCanvas2DRenderingContext::VLCanvas2DRenderingContext;

    // Gives the view renderbuffer GL_RGBA8 storage of the size and attaches it.
    void resizeToWidth(int16_t width, int16_t height) override;

    // The premultiplied RGBA bytes of the canvas pixel, read back.
    std::array<uint8_t, 4> pixel(int32_t x, int32_t y);
};
