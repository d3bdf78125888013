#include "Modules/Canvas/Context2D/VLCanvas2DRenderingContext.h"

#include "Modules/Canvas/Context2D/VLCanvasPath2D.h"
#include "Modules/Canvas/Context2D/VLGLProgram2D.h"
#include "Modules/Canvas/Context2D/VLGLProgram2DShaders.h"
#include "Modules/Canvas/Context2D/VLPath.h"
#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Modules/Canvas/GL/VLEGLContextScope.h"
#include "Modules/Canvas/GL/VLGLFrameBufferObject.h"
#include "Modules/Canvas/GL/VLGLTexture.h"
#include "Modules/Canvas/GL/VLGLWrappers.h"
#include "Modules/Canvas/VLCanvasServices.h"

#include <cstddef>

VLCanvas2DRenderingContext::VLCanvas2DRenderingContext(
    const std::shared_ptr<VLJSBindingContext>& bindingContext, int16_t width, int16_t height)
    : VLCanvasRenderingContext(bindingContext, width, height), _bufferWidth(width), _bufferHeight(height),
      _state(&_stateStack[0]), _buffer(size_t(_vertexBufferSize)) {
    setGLContext(VLEGLContext::create(2, VLCanvasServices::glSharegroup(bindingContext)));
    resetCurrentState();
    _path = std::make_unique<VLPath>();
}

VLCanvas2DRenderingContext::~VLCanvas2DRenderingContext() {
    const GLuint framebuffers[] = {_viewFrameBuffer, _msaaFrameBuffer};
    const GLuint renderbuffers[] = {_viewRenderBuffer, _msaaRenderBuffer, _stencilBuffer};
    VLGLEnterContextWithBlockScope(glContext(), [&] {
        for (GLuint framebuffer : framebuffers) {
            if (framebuffer)
                glDeleteFramebuffers(1, &framebuffer);
        }
        for (GLuint renderbuffer : renderbuffers) {
            if (renderbuffer)
                VLGLDeleteRenderbuffers(1, &renderbuffer);
        }
        // Framebuffer objects belong to this context: they go while it is entered.
        _shadowFbo.reset();
        _shadowBlurFbo.reset();
        _layerFbo.reset();
        _destinationFbo.reset();
    });
}

void VLCanvas2DRenderingContext::create() {
    VLGLEnterContextWithBlockScope(glContext(), [this] {
        if (msaaEnabled()) {
            glGenFramebuffers(1, &_msaaFrameBuffer);
            glGenRenderbuffers(1, &_msaaRenderBuffer);
        }
        glGenFramebuffers(1, &_viewFrameBuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, _viewFrameBuffer);
        glGenRenderbuffers(1, &_viewRenderBuffer);
        glBindRenderbuffer(GL_RENDERBUFFER, _viewRenderBuffer);
        glDisable(GL_CULL_FACE);
        glDisable(GL_DITHER);
        glEnable(GL_BLEND);
        glDepthFunc(GL_ALWAYS);
        resizeToWidth(width(), height());
    });
}

void VLCanvas2DRenderingContext::storeSizeWidth(int16_t width, int16_t height) {
    VLCanvasRenderingContext::setWidth(width);
    VLCanvasRenderingContext::setHeight(height);
    _bufferWidth = width;
    _bufferHeight = height;
}

void VLCanvas2DRenderingContext::resizeToWidth(int16_t width, int16_t height) {
    storeSizeWidth(width, height);
    resetFramebuffer();
}

void VLCanvas2DRenderingContext::setWidth(int16_t width) {
    if (width != this->width())
        resizeToWidth(width, height());
}

void VLCanvas2DRenderingContext::setHeight(int16_t height) {
    if (height != this->height())
        resizeToWidth(width(), height);
}

void VLCanvas2DRenderingContext::resetFramebuffer() {
    if (_stencilBuffer) {
        VLGLDeleteRenderbuffers(1, &_stencilBuffer);
        _stencilBuffer = 0;
    }
    _shadowFbo.reset();
    _shadowBlurFbo.reset();
    _layerFbo.reset();
    _destinationFbo.reset();
    if (msaaEnabled() && _msaaFrameBuffer && _msaaRenderBuffer) {
        glBindFramebuffer(GL_FRAMEBUFFER, _msaaFrameBuffer);
        glBindRenderbuffer(GL_RENDERBUFFER, _msaaRenderBuffer);
        VLGLRenderbufferStorageMultisampleAPPLE(GL_RENDERBUFFER, msaaSamples(), GL_RGBA8, _bufferWidth,
                                                _bufferHeight);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, _msaaRenderBuffer);
    }
    prepare();
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    setNeedsPresenting(true);
    ++_contentVersion;
    // The clip lived in the buffer just dropped; the state still has it.
    if (_state->clipPaths)
        rebuildClip();
}

void VLCanvas2DRenderingContext::createStencilBufferOnce() {
    if (_drawingShadow || _drawingLayer) {
        VLGLFrameBufferObject* target = _drawingShadow ? _shadowFbo.get() : _layerFbo.get();
        if (target)
            target->createStencilBufferOnce();
        glClear(GL_STENCIL_BUFFER_BIT);
        return;
    }
    if (!_stencilBuffer) {
        glGenRenderbuffers(1, &_stencilBuffer);
        glBindRenderbuffer(GL_RENDERBUFFER, _stencilBuffer);
        if (msaaEnabled())
            VLGLRenderbufferStorageMultisampleAPPLE(GL_RENDERBUFFER, msaaSamples(), GL_DEPTH24_STENCIL8,
                                                    _bufferWidth, _bufferHeight);
        else
            VLGLRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, _bufferWidth, _bufferHeight);
        // New storage is cleared whole, whatever bit the last stroke wrote.
        glStencilMask(0xFF);
    }
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, _stencilBuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER, _stencilBuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, msaaEnabled() ? _msaaRenderBuffer : _viewRenderBuffer);
    glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
}

void VLCanvas2DRenderingContext::bindVertexBuffer() {
    const auto* base = reinterpret_cast<const uint8_t*>(_buffer.data());
    constexpr GLsizei stride = sizeof(VLCanvas2DVertex);
    for (GLuint attribute : {0u, 1u, 2u})
        glEnableVertexAttribArray(attribute);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, stride, base + offsetof(VLCanvas2DVertex, x));
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, stride, base + offsetof(VLCanvas2DVertex, u));
    glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride, base + offsetof(VLCanvas2DVertex, color));
}

void VLCanvas2DRenderingContext::prepare() {
    if (_drawingLayer) {
        glBindFramebuffer(GL_FRAMEBUFFER, _layerFbo ? _layerFbo->fbo() : 0);
        glViewport(0, 0, _bufferWidth, _bufferHeight);
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
        glDisable(GL_DEPTH_TEST);
    } else {
        glBindFramebuffer(GL_FRAMEBUFFER, msaaEnabled() ? _msaaFrameBuffer : _viewFrameBuffer);
        glBindRenderbuffer(GL_RENDERBUFFER, msaaEnabled() ? _msaaRenderBuffer : _viewRenderBuffer);
        glViewport(0, 0, _bufferWidth, _bufferHeight);
        const VLCompositeOperationFunc& blend = VLCompositeOperationFuncs[size_t(globalCompositeOperation())];
        glBlendFunc(blend.source, blend.destination);
        if (_stencilBuffer)
            glEnable(GL_DEPTH_TEST);
        else
            glDisable(GL_DEPTH_TEST);
        glDepthFunc(_state->clipPaths ? GL_EQUAL : GL_ALWAYS);
    }
    _currentTexture = nullptr;
    _currentProgram = nullptr;
    bindVertexBuffer();
    flushBuffers();
}

void VLCanvas2DRenderingContext::setProgram(const std::shared_ptr<VLGLProgram2D>& program) {
    if (program == _currentProgram)
        return;
    flushBuffers();
    _currentProgram = program;
    if (!program)
        return;
    glUseProgram(program->program());
    // The margin widens the mapping for shadows drawn past the canvas's edges.
    const float margin = _shadowMargin;
    const float screenHeight = float(height()) + 2 * margin;
    glUniform2f(program->screen(), float(width()) + 2 * margin, _upsideDown ? -screenHeight : screenHeight);
    glUniform2f(program->offset(), margin, margin);
}

void VLCanvas2DRenderingContext::setTexture(const std::shared_ptr<VLGLTexture>& texture) {
    if (texture == _currentTexture)
        return;
    flushBuffers();
    _currentTexture = texture;
    if (texture)
        texture->bindWithFilter(_textureFilter);
}

const std::shared_ptr<VLGLProgram2D>&
VLCanvas2DRenderingContext::program(std::shared_ptr<VLGLProgram2D>& slot, const char* fragmentShader) {
    if (!slot)
        slot = VLGLProgram2D::create<VLGLProgram2D>(VLCanvas2DVertexShader, fragmentShader);
    return slot;
}

const std::shared_ptr<VLGLProgram2D>& VLCanvas2DRenderingContext::programFlat() {
    return program(_programFlat, VLCanvas2DFlatFragmentShader);
}

const std::shared_ptr<VLGLProgram2D>& VLCanvas2DRenderingContext::programTexture() {
    return program(_programTexture, VLCanvas2DTextureFragmentShader);
}

const std::shared_ptr<VLGLProgram2D>& VLCanvas2DRenderingContext::programAlphaTexture() {
    return program(_programAlphaTexture, VLCanvas2DAlphaTextureFragmentShader);
}

const std::shared_ptr<VLGLProgram2D>& VLCanvas2DRenderingContext::programPattern() {
    return program(_programPattern, VLCanvas2DPatternFragmentShader);
}
