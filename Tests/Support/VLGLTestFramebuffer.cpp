#include "Tests/Support/VLGLTestFramebuffer.h"

VLGLTestFramebuffer::VLGLTestFramebuffer(GLsizei width, GLsizei height, GLsizei samples)
    : _width(width), _height(height) {
    glGenRenderbuffers(1, &_renderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, _renderbuffer);
    if (samples > 0)
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_RGBA8, width, height);
    else
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glGenFramebuffers(1, &_framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, _framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, _renderbuffer);
    glViewport(0, 0, width, height);
}

VLGLTestFramebuffer::~VLGLTestFramebuffer() {
    glDeleteFramebuffers(1, &_framebuffer);
    glDeleteRenderbuffers(1, &_renderbuffer);
}

bool VLGLTestFramebuffer::isComplete() const {
    bind();
    return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

void VLGLTestFramebuffer::bind() const {
    glBindFramebuffer(GL_FRAMEBUFFER, _framebuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, _renderbuffer);
    glViewport(0, 0, _width, _height);
}

void VLGLTestFramebuffer::clear(float red, float green, float blue, float alpha) const {
    bind();
    glClearColor(red, green, blue, alpha);
    glClear(GL_COLOR_BUFFER_BIT);
}

std::array<uint8_t, 4> VLGLTestFramebuffer::pixel(GLint x, GLint y) const {
    bind();
    std::array<uint8_t, 4> rgba = {};
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}
