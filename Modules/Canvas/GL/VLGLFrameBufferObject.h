#pragma once

#include "Platform/Graphics/VLGLFunctions.h"

#include <memory>

class VLEGLContext;
class VLGLTexture;

// An offscreen framebuffer drawing into a colour texture, with a stencil buffer when asked: the layers
// and shadow passes of 2D drawing. Its names belong to the context current at the first prepare(), and
// are deleted in it, since framebuffers are not shared between the contexts of a group.
//
// Used on the thread where that context is current; freed on any thread.
class VLGLFrameBufferObject {
public:
    VLGLFrameBufferObject(float width, float height);
    ~VLGLFrameBufferObject();
    VLGLFrameBufferObject(const VLGLFrameBufferObject&) = delete;
    VLGLFrameBufferObject& operator=(const VLGLFrameBufferObject&) = delete;

    // Makes the framebuffer and its texture (rows bottom-up, so drawn flipped) the first time; leaves it
    // bound and cleared to transparent black, colour and stencil, with the viewport of its size.
    void prepare();
    // A GL_STENCIL_INDEX8 buffer of the framebuffer's size, made and attached to the bound framebuffer
    // once; the renderbuffer binding is put back.
    void createStencilBufferOnce();

    float width() const { return _width; }
    float height() const { return _height; }
    GLuint fbo() const { return _fbo; }
    const std::shared_ptr<VLGLTexture>& texture() const { return _texture; }

private:
    GLuint _stencilBuffer = 0;
    float _width;
    float _height;
    GLuint _fbo = 0;
    std::shared_ptr<VLGLTexture> _texture;
    std::shared_ptr<VLEGLContext> _glContext;
};
