#pragma once

#include "Platform/Graphics/VLGLFunctions.h"

#include <array>
#include <cstdint>

// A framebuffer of one GL_RGBA8 colour renderbuffer (multisampled when asked), in the context current
// on the calling thread, which must stay current until it is destroyed. Made bound, with the viewport
// set to its size.
class VLGLTestFramebuffer {
public:
    VLGLTestFramebuffer(GLsizei width, GLsizei height, GLsizei samples = 0);
    ~VLGLTestFramebuffer();
    VLGLTestFramebuffer(const VLGLTestFramebuffer&) = delete;
    VLGLTestFramebuffer& operator=(const VLGLTestFramebuffer&) = delete;

    GLuint framebuffer() const { return _framebuffer; }
    GLuint renderbuffer() const { return _renderbuffer; }
    bool isComplete() const;
    // Binds it to GL_FRAMEBUFFER and its renderbuffer to GL_RENDERBUFFER, and sets the viewport.
    void bind() const;

    // Clears it to the colour (bound afterwards).
    void clear(float red, float green, float blue, float alpha) const;
    // The RGBA bytes at the pixel, read from it (bound afterwards); single-sampled ones only.
    std::array<uint8_t, 4> pixel(GLint x, GLint y) const;

private:
    GLsizei _width;
    GLsizei _height;
    GLuint _framebuffer = 0;
    GLuint _renderbuffer = 0;
};
