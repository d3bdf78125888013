#include "Tests/Support/VLOffscreenCanvas2DContext.h"

#include "Modules/Canvas/Context2D/VLCanvasImageData.h"
#include "Modules/Canvas/GL/VLGLWrappers.h"

std::shared_ptr<VLOffscreenCanvas2DContext>
VLOffscreenCanvas2DContext::make(const std::shared_ptr<VLJSBindingContext>& bindingContext, int16_t width,
                                 int16_t height, Options options) {
    auto context = std::make_shared<VLOffscreenCanvas2DContext>(bindingContext, width, height);
    context->setUpsideDown(options.upsideDown);
    context->setMsaaEnabled(options.samples > 0);
    if (options.samples > 0)
        context->setMsaaSamples(options.samples);
    context->create();
    context->makeContextCurrent();
    return context;
}

void VLOffscreenCanvas2DContext::resizeToWidth(int16_t width, int16_t height) {
    storeSizeWidth(width, height);
    glBindFramebuffer(GL_FRAMEBUFFER, viewFrameBuffer());
    glBindRenderbuffer(GL_RENDERBUFFER, viewRenderBuffer());
    VLGLRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, viewRenderBuffer());
    resetFramebuffer();
}

std::array<uint8_t, 4> VLOffscreenCanvas2DContext::pixel(int32_t x, int32_t y) {
    std::shared_ptr<VLCanvasImageData> data = imageDataWithSx(x, y, 1, 1);
    const std::vector<uint8_t>& bytes = data->pixels();
    return {bytes[0], bytes[1], bytes[2], bytes[3]};
}
