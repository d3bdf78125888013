// VLEGLContext: the drawables that receive its renderbuffers' pictures.
#include "Modules/Canvas/GL/VLEGLContext.h"

#include "Modules/Canvas/GL/VLEGLDrawable.h"
#include "Modules/Canvas/GL/VLGLPixelStore.h"
#include "Modules/Canvas/GL/VLGLWrappers.h"
#include "Platform/Graphics/VLSurface.h"

#include <algorithm>
#include <cstring>

namespace {

// Writes the rows of a GL picture (bottom row first, tightly packed BGRA) into the surface top row first;
// an opaque surface shows no transparency, whatever alpha the picture holds.
void writePictureRowsUpright(const uint8_t* picture, const VLSurface& surface, bool opaque) {
    const size_t rowBytes = size_t(surface.width()) * 4;
    for (uint32_t y = 0; y < surface.height(); ++y) {
        const uint8_t* source = picture + size_t(surface.height() - 1 - y) * rowBytes;
        uint8_t* destination = surface.baseAddress() + y * surface.bytesPerRow();
        std::memcpy(destination, source, rowBytes);
        if (opaque) {
            for (size_t alpha = 3; alpha < rowBytes; alpha += 4)
                destination[alpha] = 0xFF;
        }
    }
}

} // namespace

bool VLEGLContext::renderbufferStorage(GLenum target, std::shared_ptr<VLEGLDrawable> drawable, int32_t width,
                                       int32_t height) {
    GLint renderbuffer = 0;
    glGetIntegerv(GL_RENDERBUFFER_BINDING, &renderbuffer);
    {
        std::lock_guard lock(_drawableLock);
        _drawableMap[GLuint(renderbuffer)] = std::move(drawable);
    }
    VLGLRenderbufferStorage(target, GL_RGBA8, std::max(1, width), std::max(1, height));
    return true;
}

bool VLEGLContext::presentRenderbuffer(GLenum) {
    GLint renderbuffer = 0;
    glGetIntegerv(GL_RENDERBUFFER_BINDING, &renderbuffer);
    std::shared_ptr<VLEGLDrawable> drawable;
    {
        std::lock_guard lock(_drawableLock);
        auto found = _drawableMap.find(GLuint(renderbuffer));
        if (found != _drawableMap.end())
            drawable = found->second;
    }
    if (!drawable)
        return false;
    GLint width = 0;
    GLint height = 0;
    GLint framebuffer = 0;
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_WIDTH, &width);
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_HEIGHT, &height);
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
    if (framebuffer == 0 || width < 1 || height < 1)
        return false;
    std::shared_ptr<VLSurface> surface = drawable->nextSurfaceWithWidth(uint32_t(width), uint32_t(height));
    if (!surface)
        return false;

    // After a multisample resolve the read binding is still the multisampled buffer, which cannot be read.
    _presentPixels.resize(size_t(width) * size_t(height) * 4);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(framebuffer));
    VLGLWithDefaultPixelStore(
        [&] { glReadPixels(0, 0, width, height, GL_BGRA_EXT, GL_UNSIGNED_BYTE, _presentPixels.data()); });
    glBindFramebuffer(GL_FRAMEBUFFER, GLuint(framebuffer));
    writePictureRowsUpright(_presentPixels.data(), *surface, drawable->surfacesAreOpaque());
    drawable->surfaceDidDraw();
    drawable->presentSurface();
    return true;
}

uint64_t VLEGLContext::drawableMemorySize() const {
    std::lock_guard lock(_drawableLock);
    uint64_t bytes = 0;
    for (const auto& [renderbuffer, drawable] : _drawableMap)
        bytes += drawable ? drawable->surfaceMemorySize() : 0;
    return bytes;
}

void VLEGLContext::destroyDrawables() {
    std::map<GLuint, std::shared_ptr<VLEGLDrawable>> drawables;
    {
        std::lock_guard lock(_drawableLock);
        drawables.swap(_drawableMap);
    }
    for (const auto& [renderbuffer, drawable] : drawables) {
        if (drawable)
            drawable->destroySurfaces();
    }
}
