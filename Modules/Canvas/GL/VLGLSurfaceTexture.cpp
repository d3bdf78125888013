#include "Modules/Canvas/GL/VLGLSurfaceTexture.h"

#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Modules/Canvas/GL/VLEGLContextScope.h"
#include "Modules/Canvas/GL/VLGLPixelStore.h"
#include "Modules/Canvas/GL/VLGLWrappers.h"
#include "Platform/Graphics/VLSurface.h"

#include <array>

namespace {

struct SurfaceCopyRow {
    GLint internalFormat;
    GLenum format;
    GLenum type;
    bool sized;
};

constexpr std::array kSurfaceCopyRows{
    SurfaceCopyRow{GL_RGBA, GL_RGBA, GL_UNSIGNED_BYTE, false},
    SurfaceCopyRow{GL_RGB, GL_RGB, GL_UNSIGNED_BYTE, false},
    SurfaceCopyRow{GL_RGBA, GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4, false},
    SurfaceCopyRow{GL_RGBA, GL_RGBA, GL_UNSIGNED_SHORT_5_5_5_1, false},
    SurfaceCopyRow{GL_RGB, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, false},
    SurfaceCopyRow{GL_LUMINANCE_ALPHA, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, false},
    SurfaceCopyRow{GL_LUMINANCE, GL_LUMINANCE, GL_UNSIGNED_BYTE, false},
    SurfaceCopyRow{GL_ALPHA, GL_ALPHA, GL_UNSIGNED_BYTE, false},
    SurfaceCopyRow{GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, true},
    SurfaceCopyRow{GL_SRGB8_ALPHA8, GL_RGBA, GL_UNSIGNED_BYTE, true},
    SurfaceCopyRow{GL_RGB8, GL_RGB, GL_UNSIGNED_BYTE, true},
    SurfaceCopyRow{GL_SRGB8, GL_RGB, GL_UNSIGNED_BYTE, true},
    SurfaceCopyRow{GL_R8, GL_RED, GL_UNSIGNED_BYTE, true},
    SurfaceCopyRow{GL_RG8, GL_RG, GL_UNSIGNED_BYTE, true},
    SurfaceCopyRow{GL_RGB565, GL_RGB, GL_UNSIGNED_BYTE, true},
    SurfaceCopyRow{GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, true},
    SurfaceCopyRow{GL_RGBA4, GL_RGBA, GL_UNSIGNED_BYTE, true},
    SurfaceCopyRow{GL_RGBA4, GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4, true},
    SurfaceCopyRow{GL_RGB5_A1, GL_RGBA, GL_UNSIGNED_BYTE, true},
    SurfaceCopyRow{GL_RGB5_A1, GL_RGBA, GL_UNSIGNED_SHORT_5_5_5_1, true},
    SurfaceCopyRow{GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT, true},
    SurfaceCopyRow{GL_RGBA16F, GL_RGBA, GL_FLOAT, true},
    SurfaceCopyRow{GL_RGBA32F, GL_RGBA, GL_FLOAT, true},
    SurfaceCopyRow{GL_RGB16F, GL_RGB, GL_HALF_FLOAT, true},
    SurfaceCopyRow{GL_RGB16F, GL_RGB, GL_FLOAT, true},
    SurfaceCopyRow{GL_RGB32F, GL_RGB, GL_FLOAT, true},
    SurfaceCopyRow{GL_R11F_G11F_B10F, GL_RGB, GL_HALF_FLOAT, true},
    SurfaceCopyRow{GL_R11F_G11F_B10F, GL_RGB, GL_FLOAT, true},
    SurfaceCopyRow{GL_R16F, GL_RED, GL_HALF_FLOAT, true},
    SurfaceCopyRow{GL_R16F, GL_RED, GL_FLOAT, true},
    SurfaceCopyRow{GL_R32F, GL_RED, GL_FLOAT, true},
    SurfaceCopyRow{GL_RG16F, GL_RG, GL_HALF_FLOAT, true},
    SurfaceCopyRow{GL_RG16F, GL_RG, GL_FLOAT, true},
    SurfaceCopyRow{GL_RG32F, GL_RG, GL_FLOAT, true},
};

} // namespace

bool VLGLSurfaceTextureCanCopyTo(GLint internalFormat, GLenum format, GLenum type, bool sizedFormatsAllowed) {
    for (const SurfaceCopyRow& row : kSurfaceCopyRows) {
        if (row.internalFormat == internalFormat && row.format == format && row.type == type)
            return !row.sized || sizedFormatsAllowed;
    }
    return false;
}

std::shared_ptr<VLGLSurfaceTexture>
VLGLSurfaceTexture::textureWithPixelBuffer(std::shared_ptr<VLSurface> pixelBuffer) {
    std::shared_ptr<VLEGLContext> context = VLEGLContext::currentContext();
    if (!pixelBuffer || pixelBuffer->pixelFormat() != VLSurface::PixelFormatBGRA || !context ||
        !context->isValid())
        return nullptr;
    return std::shared_ptr<VLGLSurfaceTexture>(
        new VLGLSurfaceTexture(std::move(pixelBuffer), std::move(context)));
}

VLGLSurfaceTexture::VLGLSurfaceTexture(std::shared_ptr<VLSurface> pixelBuffer,
                                       std::shared_ptr<VLEGLContext> glContext)
    : _pixelBuffer(std::move(pixelBuffer)), _glContext(std::move(glContext)), _width(_pixelBuffer->width()),
      _height(_pixelBuffer->height()) {}

VLGLSurfaceTexture::~VLGLSurfaceTexture() {
    if (_textureId == 0)
        return;
    VLGLEnterContextOfObjectsWithBlockScope(_glContext,
                                            [name = _textureId] { VLGLDeleteTextures(1, &name); });
}

GLuint VLGLSurfaceTexture::textureId() {
    if (_textureId == 0)
        VLGLEnterContextWithBlockScope(_glContext, [this] { fillTexture(); });
    return _textureId;
}

void VLGLSurfaceTexture::fillTexture() {
    GLint saved = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &saved);
    glGenTextures(1, &_textureId);
    glBindTexture(GL_TEXTURE_2D, _textureId);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    _pixelBuffer->lendPixels([&](const VLPixels& pixels) {
        VLGLWithDefaultPixelStore([&] {
            // Rows are padded to whole multiples of 16 pixels.
            glPixelStorei(GL_UNPACK_ROW_LENGTH, GLint(pixels.rowBytes / 4));
            VLGLTexImage2D(GL_TEXTURE_2D, 0, GL_BGRA_EXT, GLsizei(pixels.width), GLsizei(pixels.height), 0,
                           GL_BGRA_EXT, GL_UNSIGNED_BYTE, pixels.bytes);
            glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        });
    });
    glBindTexture(GL_TEXTURE_2D, GLuint(saved));
}

void VLGLSurfaceTexture::copyToTexture(GLuint destination, GLenum target, GLint level, GLint internalFormat,
                                       GLenum type, bool flipY, bool premultiply) const {
    _pixelBuffer->lendPixels([&](const VLPixels& pixels) {
        VLGLCopyTextureCHROMIUM(pixels, target, destination, level, internalFormat, type, flipY, premultiply,
                                false);
    });
}

void VLGLSurfaceTexture::copyToSubTexture(GLuint destination, GLenum target, GLint level, GLint x, GLint y,
                                          bool flipY, bool premultiply) const {
    _pixelBuffer->lendPixels([&](const VLPixels& pixels) {
        VLGLCopySubTextureCHROMIUM(pixels, target, destination, level, x, y, flipY, premultiply, false);
    });
}
