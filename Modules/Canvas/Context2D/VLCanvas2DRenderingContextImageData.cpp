// Pixel read-back of VLCanvas2DRenderingContext.

#include "Modules/Canvas/Context2D/VLCanvas2DRenderingContext.h"

#include "Modules/Canvas/Context2D/VLCanvasImageData.h"
#include "Modules/Canvas/GL/VLGLMultisampleResolve.h"
#include "Modules/Canvas/GL/VLGLTexturePixels.h"

#include <algorithm>
#include <cstring>

std::shared_ptr<VLCanvasImageData> VLCanvas2DRenderingContext::imageDataWithSx(int32_t sx, int32_t sy,
                                                                               int32_t sw, int32_t sh) {
    flushBuffers();
    const int64_t width = std::max<int64_t>(sw, 0);
    const int64_t height = std::max<int64_t>(sh, 0);
    std::vector<uint8_t> block(size_t(width * height * 4), 0);
    if (msaaEnabled()) {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, _msaaFrameBuffer);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, _viewFrameBuffer);
        glResolveMultisampleFramebufferAPPLE();
        glBindFramebuffer(GL_FRAMEBUFFER, _viewFrameBuffer);
        readPixelsInto(block, sx, sy, width, height);
        glBindFramebuffer(GL_FRAMEBUFFER, _msaaFrameBuffer);
    } else {
        readPixelsInto(block, sx, sy, width, height);
    }
    if (_upsideDown)
        VLGLTextureFlipPixelsY(block.data(), size_t(width * 4), size_t(height));
    return std::make_shared<VLCanvasImageData>(uint32_t(width), uint32_t(height), std::move(block));
}

void VLCanvas2DRenderingContext::readPixelsInto(std::vector<uint8_t>& block, int64_t sx, int64_t sy,
                                                int64_t sw, int64_t sh) const {
    // Only the part inside the buffer is read (GL leaves the rest undefined): it lands at its place in
    // the block, whose rows are in GL's order until the caller flips them.
    const int64_t left = std::max<int64_t>(sx, 0);
    const int64_t right = std::min<int64_t>(sx + sw, _bufferWidth);
    const int64_t readTop = _upsideDown ? int64_t(_bufferHeight) - (sy + sh) : sy;
    const int64_t bottom = std::min<int64_t>(readTop + sh, _bufferHeight);
    const int64_t top = std::max<int64_t>(readTop, 0);
    if (left >= right || top >= bottom)
        return;
    const int64_t columns = right - left;
    const int64_t rows = bottom - top;
    const size_t blockRowBytes = size_t(sw * 4);
    uint8_t* first = block.data() + size_t(top - readTop) * blockRowBytes + size_t(left - sx) * 4;
    if (columns == sw) {
        glReadPixels(GLint(left), GLint(top), GLsizei(columns), GLsizei(rows), GL_RGBA, GL_UNSIGNED_BYTE,
                     first);
        return;
    }
    std::vector<uint8_t> part(size_t(columns * rows * 4));
    glReadPixels(GLint(left), GLint(top), GLsizei(columns), GLsizei(rows), GL_RGBA, GL_UNSIGNED_BYTE,
                 part.data());
    for (int64_t row = 0; row < rows; ++row)
        std::memcpy(first + size_t(row) * blockRowBytes, part.data() + size_t(row * columns * 4),
                    size_t(columns * 4));
}
