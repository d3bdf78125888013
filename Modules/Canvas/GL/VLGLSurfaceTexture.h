#pragma once

#include "Platform/Graphics/VLGLFunctions.h"

#include <cstdint>
#include <memory>

class VLEGLContext;
class VLSurface;

// A decoded video frame (a BGRA surface) as a GL_TEXTURE_2D of the context current at its making,
// nearest and clamped, filled from the surface when its name is first asked for; and the frame copied
// into other textures of the share group, converted on the CPU (VLGLCopyTextureCHROMIUM).
//
// Made, used and copied on the thread that has its context current (the runtime's JavaScript thread);
// it may be freed on any thread, which deletes the texture in its context.
class VLGLSurfaceTexture {
public:
    // Null without a surface, for a pixel format other than BGRA, or without a current context.
    static std::shared_ptr<VLGLSurfaceTexture> textureWithPixelBuffer(std::shared_ptr<VLSurface> pixelBuffer);
    ~VLGLSurfaceTexture();
    VLGLSurfaceTexture(const VLGLSurfaceTexture&) = delete;
    VLGLSurfaceTexture& operator=(const VLGLSurfaceTexture&) = delete;

    // Replaces the whole destination level by the frame, recorded by the memory tracker.
    void copyToTexture(GLuint destination, GLenum target, GLint level, GLint internalFormat, GLenum type,
                       bool flipY, bool premultiply) const;
    // Writes the whole frame into the existing destination level at (x, y).
    void copyToSubTexture(GLuint destination, GLenum target, GLint level, GLint x, GLint y, bool flipY,
                          bool premultiply) const;

    const std::shared_ptr<VLSurface>& pixelBuffer() const { return _pixelBuffer; }
    const std::shared_ptr<VLEGLContext>& glContext() const { return _glContext; }
    GLenum target() const { return GL_TEXTURE_2D; }
    // Made and filled in the texture's context at the first call; 0 when that context cannot be entered.
    GLuint textureId();
    uint32_t width() const { return _width; }
    uint32_t height() const { return _height; }

private:
    VLGLSurfaceTexture(std::shared_ptr<VLSurface> pixelBuffer, std::shared_ptr<VLEGLContext> glContext);
    void fillTexture();

    std::shared_ptr<VLSurface> _pixelBuffer;
    std::shared_ptr<VLEGLContext> _glContext;
    uint32_t _width;
    uint32_t _height;
    GLuint _textureId = 0;
};

// Whether a frame can be copied into a texture of the internal format, format and type: the unsized
// pairs always, the sized ones only where sized formats are allowed (WebGL 2).
bool VLGLSurfaceTextureCanCopyTo(GLint internalFormat, GLenum format, GLenum type, bool sizedFormatsAllowed);
