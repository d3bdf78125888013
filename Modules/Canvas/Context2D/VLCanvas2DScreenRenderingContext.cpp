#include "Modules/Canvas/Context2D/VLCanvas2DScreenRenderingContext.h"

#include "Core/Runtime/Rendering/VLRenderingPresentableDelegate.h"
#include "Core/Runtime/Rendering/VLScreenUpdate.h"
#include "Modules/Canvas/Context2D/VLCanvasImageData.h"
#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Modules/Canvas/GL/VLEGLLayer.h"
#include "Modules/Canvas/GL/VLGLMultisampleResolve.h"
#include "Modules/Canvas/GL/VLGLTexture.h"
#include "Modules/Canvas/VLCanvasView.h"
#include "Platform/Foundation/VLMainQueue.h"

VLCanvas2DScreenRenderingContext::VLCanvas2DScreenRenderingContext(
    const std::shared_ptr<VLJSBindingContext>& bindingContext, int16_t width, int16_t height)
    : VLCanvas2DRenderingContext(bindingContext, width, height), _style(0, 0, width, height) {}

VLCanvas2DScreenRenderingContext::~VLCanvas2DScreenRenderingContext() {
    if (_canvasView)
        VLMainQueue::async([view = std::move(_canvasView)] { view->removeFromSuperview(); });
}

// Presenting

bool VLCanvas2DScreenRenderingContext::needsPresenting() {
    return (VLCanvasRenderingContext::needsPresenting() || vertexBufferIndex() > 0) && !isContextLost();
}

bool VLCanvas2DScreenRenderingContext::present() {
    makeContextCurrent();
    flushBuffers();
    if (!VLCanvasRenderingContext::needsPresenting() || checkContextLost()) {
        setNeedsPresenting(false);
        return false;
    }
    bool presented;
    if (msaaEnabled()) {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, msaaFrameBuffer());
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, viewFrameBuffer());
        glResolveMultisampleFramebufferAPPLE();
        glBindRenderbuffer(GL_RENDERBUFFER, viewRenderBuffer());
        presented = glContext()->presentRenderbuffer(GL_RENDERBUFFER);
        // Drawing goes on into the multisampled buffer.
        glBindFramebuffer(GL_FRAMEBUFFER, msaaFrameBuffer());
    } else {
        presented = glContext()->presentRenderbuffer(GL_RENDERBUFFER);
    }
    // A frame that found no surface is dropped, not kept for the next present.
    setNeedsPresenting(false);
    return presented;
}

void VLCanvas2DScreenRenderingContext::finish() {
    makeContextCurrent();
    glFinish();
}

std::shared_ptr<VLRenderingPresentableDelegate>
VLCanvas2DScreenRenderingContext::presentableDelegate() const {
    return _presentableDelegate.lock();
}

void VLCanvas2DScreenRenderingContext::setPresentableDelegate(
    std::weak_ptr<VLRenderingPresentableDelegate> delegate) {
    _presentableDelegate = std::move(delegate);
}

std::shared_ptr<VLWSView> VLCanvas2DScreenRenderingContext::view() const {
    return _canvasView;
}

void VLCanvas2DScreenRenderingContext::didLoseContext(int reset) {
    VLCanvas2DRenderingContext::didLoseContext(reset);
    if (std::shared_ptr<VLRenderingPresentableDelegate> delegate = presentableDelegate())
        delegate->renderingPresentableDidLoseContext(*this);
}

// The view and its size

VLRect VLCanvas2DScreenRenderingContext::frame() const {
    VLRect frame = _style;
    if (frame.size.width == 0)
        frame.size.width = width();
    if (frame.size.height == 0)
        frame.size.height = height();
    return frame;
}

void VLCanvas2DScreenRenderingContext::performViewFrameChange(const VLRect& frame) {
    if (!_canvasView)
        return;
    VLScreenUpdatePerform([weakView = std::weak_ptr(_canvasView), frame] {
        std::shared_ptr<VLCanvasView> view = weakView.lock();
        if (view && view->frame() != frame)
            view->setFrame(frame);
    });
}

std::shared_ptr<VLEGLLayer> VLCanvas2DScreenRenderingContext::_updateView() {
    const VLRect frame = this->frame();
    // Only the main thread makes views. It never waits for this thread, so waiting for it cannot
    // deadlock; once the view exists nothing needs it.
    if (!_canvasView) {
        VLMainQueue::sync([this, frame] {
            auto view = std::make_shared<VLCanvasView>(frame);
            view->layer()->setOpaque(isOpaque());
            _canvasView = view;
            if (std::shared_ptr<VLRenderingPresentableDelegate> delegate = presentableDelegate())
                delegate->handleRenderingPresentableViewCreated(*this);
        });
    }
    performViewFrameChange(frame);
    return _canvasView->eglLayer();
}

void VLCanvas2DScreenRenderingContext::resizeToWidth(int16_t width, int16_t height) {
    flushBuffers();
    storeSizeWidth(width, height);
    const std::shared_ptr<VLEGLLayer> layer = _updateView();
    glBindFramebuffer(GL_FRAMEBUFFER, viewFrameBuffer());
    glBindRenderbuffer(GL_RENDERBUFFER, viewRenderBuffer());
    glContext()->renderbufferStorage(GL_RENDERBUFFER, layer, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, viewRenderBuffer());
    GLint storedWidth = 0;
    GLint storedHeight = 0;
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_WIDTH, &storedWidth);
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_HEIGHT, &storedHeight);
    // Storage that GL refused keeps the size asked for rather than an empty canvas.
    if (storedWidth > 0 && storedHeight > 0)
        storeSizeWidth(int16_t(storedWidth), int16_t(storedHeight));
    // The presented rows are written top first from GL's last row: the canvas's first row goes there.
    setUpsideDown(true);
    resetFramebuffer();
}

void VLCanvas2DScreenRenderingContext::setStyle(const VLRect& style) {
    const VLRect oldFrame = frame();
    _style = style;
    const VLRect newFrame = frame();
    if (_canvasView && newFrame.size != oldFrame.size && needsPresenting())
        VLScreenUpdateHoldUntilPresent();
    performViewFrameChange(newFrame);
}

// Snapshot

std::shared_ptr<VLGLTexture> VLCanvas2DScreenRenderingContext::texture() {
    if (_snapshot && _snapshotVersion == contentVersion() && vertexBufferIndex() == 0)
        return _snapshot;
    const std::shared_ptr<VLCanvasRenderingContext> previous = VLCanvasRenderingContextGetCurrent();
    makeContextCurrent();
    flushBuffers();
    _snapshot = imageDataWithSx(0, 0, bufferWidth(), bufferHeight())->texture();
    _snapshotVersion = contentVersion();
    if (previous)
        previous->makeContextCurrent();
    return _snapshot;
}
