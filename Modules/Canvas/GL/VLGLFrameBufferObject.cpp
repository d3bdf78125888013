#include "Modules/Canvas/GL/VLGLFrameBufferObject.h"

#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Modules/Canvas/GL/VLEGLContextScope.h"
#include "Modules/Canvas/GL/VLGLTexture.h"
#include "Modules/Canvas/GL/VLGLWrappers.h"

VLGLFrameBufferObject::VLGLFrameBufferObject(float width, float height) : _width(width), _height(height) {}

VLGLFrameBufferObject::~VLGLFrameBufferObject() {
    if (!_glContext || (!_fbo && !_stencilBuffer))
        return;
    const GLuint fbo = _fbo;
    const GLuint stencilBuffer = _stencilBuffer;
    VLGLEnterContextWithBlockScope(_glContext, [fbo, stencilBuffer] {
        if (fbo)
            glDeleteFramebuffers(1, &fbo);
        if (stencilBuffer)
            VLGLDeleteRenderbuffers(1, &stencilBuffer);
    });
}

void VLGLFrameBufferObject::prepare() {
    if (!_fbo) {
        _glContext = VLEGLContext::currentContext();
        if (!_glContext)
            return;
        glGenFramebuffers(1, &_fbo);
    }
    if (!_texture) {
        _texture = VLGLTexture::createAsRenderTargetWithWidth(int32_t(_width), int32_t(_height), _fbo);
        _texture->setDrawFlippedY(true);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, _fbo);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, _texture->textureId(), 0);
    glViewport(0, 0, GLsizei(_width), GLsizei(_height));
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

void VLGLFrameBufferObject::createStencilBufferOnce() {
    if (_stencilBuffer || !VLEGLContext::currentContext())
        return;
    GLint previous = 0;
    glGetIntegerv(GL_RENDERBUFFER_BINDING, &previous);
    glGenRenderbuffers(1, &_stencilBuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, _stencilBuffer);
    VLGLRenderbufferStorage(GL_RENDERBUFFER, GL_STENCIL_INDEX8, GLsizei(_width), GLsizei(_height));
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER, _stencilBuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, GLuint(previous));
}
