// Images of VLCanvas2DRenderingContext.

#include "Modules/Canvas/Context2D/VLCanvas2DRenderingContext.h"

#include "Modules/Canvas/GL/VLGLTexture.h"

void VLCanvas2DRenderingContext::drawImage(const std::shared_ptr<VLGLTexture>& texture, float sx, float sy,
                                           float sw, float sh, float dx, float dy, float dw, float dh) {
    if (!texture)
        return;
    drawShape([&](bool shadowPass) {
        setProgram(shadowPass ? programAlphaTexture() : programTexture());
        setTexture(texture);
        // Past the image's edges the coordinates leave 0...1 and the texture's wrap mode decides.
        const auto width = float(texture->width());
        const auto height = float(texture->height());
        const uint32_t color = shadowPass ? vertexColor(_state->fillColor) : textureVertexColor();
        pushTexturedRectX(dx, dy, dw, dh, sx / width, sy / height, sw / width, sh / height, color,
                          _state->transform);
    });
}
