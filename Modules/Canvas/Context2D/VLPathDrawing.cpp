// Filling and clipping with VLPath: the polygons are counted into the stencil, then one rectangle over
// their bounds draws every pixel whose count says inside, once, and resets its stencil.

#include "Modules/Canvas/Context2D/VLPath.h"

#include "Modules/Canvas/Context2D/VLCanvas2DRenderingContext.h"

#include <algorithm>

namespace {

constexpr int32_t kVLPathEvenOdd = 1;
constexpr int32_t kVLPathClipTarget = 1;

void VLPathSetColorWrites(bool on) {
    const GLboolean mask = on ? GL_TRUE : GL_FALSE;
    glColorMask(mask, mask, mask, mask);
}

// The triangle fan of one polygon into the stencil. Under nonzero, front faces count up and back faces
// down, so a point's count is its winding; under evenodd each cover flips it.
void VLPathDrawStencilFan(const subpath_t& subpath, bool evenOdd) {
    if (subpath.points.size() < 3)
        return;
    const auto count = GLsizei(subpath.points.size());
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, subpath.points.data());
    if (evenOdd) {
        glDrawArrays(GL_TRIANGLE_FAN, 0, count);
        return;
    }
    glCullFace(GL_BACK);
    glStencilOp(GL_INCR_WRAP, GL_KEEP, GL_INCR_WRAP);
    glDrawArrays(GL_TRIANGLE_FAN, 0, count);
    glCullFace(GL_FRONT);
    glStencilOp(GL_DECR_WRAP, GL_KEEP, GL_DECR_WRAP);
    glDrawArrays(GL_TRIANGLE_FAN, 0, count);
}

// An empty clip: the depth buffer holds nothing inside, so every later draw fails its test.
void VLPathClipEverythingAway(VLCanvas2DRenderingContext& context) {
    context.flushBuffers();
    context.createStencilBufferOnce();
    glDepthMask(GL_TRUE);
    glClear(GL_DEPTH_BUFFER_BIT);
    glDepthMask(GL_FALSE);
    glDepthFunc(GL_EQUAL);
}

} // namespace

void VLPath::drawPolygonsToContext(VLCanvas2DRenderingContext& context, int32_t fillRule, int32_t target) {
    _fillRule = fillRule;
    drawPolygonsWithoutKeepingRule(context, fillRule, target);
}

void VLPath::drawPolygonsWithoutKeepingRule(VLCanvas2DRenderingContext& context, int32_t fillRule,
                                            int32_t target) const {
    if (_longestSubpath < 3 && _currentPath.points.size() < 3) {
        // A clip with no area leaves nothing to draw into, rather than the clip before it.
        if (target == kVLPathClipTarget)
            VLPathClipEverythingAway(context);
        return;
    }
    const VLCanvasState& state = *context.state();
    const VLAffineTransform identity;
    const bool evenOdd = fillRule == kVLPathEvenOdd;
    context.flushBuffers();
    context.createStencilBufferOnce();
    glDisableVertexAttribArray(1);
    glDisableVertexAttribArray(2);
    glDisable(GL_BLEND);
    glEnable(GL_STENCIL_TEST);
    glStencilMask(0xFF);
    glStencilFunc(GL_ALWAYS, 0, 0xFF);
    VLPathSetColorWrites(false);
    glStencilOp(GL_ZERO, GL_ZERO, GL_ZERO);

    // The stencil over the bounds starts at zero; an active clip's depth test does not keep it from that.
    const VLVector2 size = _maxPos - _minPos;
    context.pushRectX(_minPos.x, _minPos.y, size.x, size.y, 0xFFFFFFFF, identity);
    context.flushBuffers();

    if (evenOdd)
        glStencilOp(GL_KEEP, GL_KEEP, GL_INVERT);
    else
        glEnable(GL_CULL_FACE);
    for (const subpath_t& subpath : _paths)
        VLPathDrawStencilFan(subpath, evenOdd);
    VLPathDrawStencilFan(_currentPath, evenOdd);
    if (!evenOdd)
        glDisable(GL_CULL_FACE);
    context.bindVertexBuffer();

    if (target == kVLPathClipTarget) {
        glDepthFunc(GL_ALWAYS);
        glDepthMask(GL_TRUE);
        glClear(GL_DEPTH_BUFFER_BIT);
    } else {
        VLPathSetColorWrites(true);
        glEnable(GL_BLEND);
    }
    glStencilFunc(GL_NOTEQUAL, 0, 0xFF);
    glStencilOp(GL_ZERO, GL_ZERO, GL_ZERO);
    if (target != kVLPathClipTarget && state.fillObject) {
        // The style is laid out in user space: the device bounds mapped back, and upright there.
        const std::optional<VLAffineTransform> inverse = _transform.inverted();
        if (inverse) {
            const VLRect box = inverse->apply(VLRect(_minPos.x, _minPos.y, size.x, size.y));
            context.pushFilledRectX(VLFloatFromDouble(box.minX()), VLFloatFromDouble(box.minY()),
                                    VLFloatFromDouble(box.width()), VLFloatFromDouble(box.height()),
                                    state.fillObject, context.textureVertexColor(), _transform);
        }
    } else {
        context.pushRectX(_minPos.x, _minPos.y, size.x, size.y, context.vertexColor(state.fillColor),
                          identity);
    }
    context.flushBuffers();
    glDisable(GL_STENCIL_TEST);
    if (target == kVLPathClipTarget) {
        glDepthMask(GL_FALSE);
        glDepthFunc(GL_EQUAL);
        VLPathSetColorWrites(true);
        glEnable(GL_BLEND);
    }
}
