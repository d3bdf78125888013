// Rectangles of VLCanvas2DRenderingContext, and the clip's reset.

#include "Modules/Canvas/Context2D/VLCanvas2DRenderingContext.h"

namespace {

// "destination-out": the source's alpha takes away from the canvas.
constexpr int32_t kCanvasClearOperation = 5;

} // namespace

void VLCanvas2DRenderingContext::fillRectX(float x, float y, float w, float h) {
    makeContextCurrent();
    drawComposited([this, x, y, w, h] {
        setProgram(programFlat());
        pushRectX(x, y, w, h, vertexColor(_state->fillColor), _state->transform);
    });
}

void VLCanvas2DRenderingContext::clearRectX(float x, float y, float w, float h) {
    makeContextCurrent();
    setProgram(programFlat());
    const int32_t operation = globalCompositeOperation();
    setGlobalCompositeOperation(kCanvasClearOperation);
    pushRectX(x, y, w, h, VLColorRGBA(255, 255, 255, 255).packed(), _state->transform);
    setGlobalCompositeOperation(operation);
}

void VLCanvas2DRenderingContext::resetClip() {
    makeContextCurrent();
    if (!_state->clipPaths)
        return;
    flushBuffers();
    _state->clipPaths = nullptr;
    glDepthMask(GL_TRUE);
    glClear(GL_DEPTH_BUFFER_BIT);
    glDepthMask(GL_FALSE);
    glDepthFunc(GL_ALWAYS);
}
