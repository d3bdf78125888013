// Filling, stroking and clipping with a path, and the two hit tests, of VLCanvas2DRenderingContext.

#include "Modules/Canvas/Context2D/VLCanvas2DRenderingContext.h"

#include "Modules/Canvas/Context2D/VLCanvasPath2D.h"
#include "Modules/Canvas/Context2D/VLPath.h"
#include "Modules/Canvas/Context2D/VLPathFillRule.h"

#include <cmath>

namespace {

constexpr int32_t kVLFillTarget = 0;
constexpr int32_t kVLClipTarget = 1;

} // namespace

void VLCanvas2DRenderingContext::drawShape(const std::function<void(bool shadowPass)>& draw) {
    makeContextCurrent();
    drawComposited([&] { draw(false); });
}

void VLCanvas2DRenderingContext::fill(JSContextRef ctx, JSValueRef fillRule, const VLCanvasPath2D* path) {
    const int32_t rule = VLPathFillRuleFromJSValue(ctx, fillRule);
    withPath(path, false, [&] {
        drawShape([&](bool shadowPass) {
            setProgram(programFlat());
            (shadowPass ? *_shadowPath : *_path).drawPolygonsToContext(*this, rule, kVLFillTarget);
        });
    });
}

void VLCanvas2DRenderingContext::strokePath(const VLCanvasPath2D* path) {
    withPath(path, false, [&] {
        drawShape([&](bool shadowPass) {
            setProgram(programFlat());
            (shadowPass ? *_shadowPath : *_path).drawLinesToContext(*this);
        });
    });
}

void VLCanvas2DRenderingContext::clip(JSContextRef ctx, JSValueRef fillRule, const VLCanvasPath2D* path) {
    const int32_t rule = VLPathFillRuleFromJSValue(ctx, fillRule);
    withPath(path, false, [&] {
        makeContextCurrent();
        flushBuffers();
        // A new array: a saved level keeps the one it had.
        auto copy = std::make_shared<VLPath>(_path->copyWithZone());
        auto paths = std::make_shared<std::vector<std::shared_ptr<const VLPath>>>();
        if (_state->clipPaths)
            *paths = *_state->clipPaths;
        paths->push_back(copy);
        _state->clipPaths = std::move(paths);
        setProgram(programFlat());
        copy->drawPolygonsToContext(*this, rule, kVLClipTarget);
    });
}

void VLCanvas2DRenderingContext::rebuildClip() {
    // The depth buffer holds no clip (cleared, or new): the first path must not be tested against it.
    glDepthFunc(GL_ALWAYS);
    setProgram(programFlat());
    for (const std::shared_ptr<const VLPath>& path : *_state->clipPaths)
        path->drawPolygonsWithoutKeepingRule(*this, path->fillRule(), kVLClipTarget);
}

bool VLCanvas2DRenderingContext::isPointInPath(const VLCanvasPath2D* path, double x, double y,
                                               JSValueRef fillRule, JSContextRef ctx) {
    if (!std::isfinite(x) || !std::isfinite(y))
        return false;
    const int32_t rule = VLPathFillRuleFromJSValue(ctx, fillRule);
    if (!path) {
        bool empty = false;
        path = currentPathForHitTest(empty);
        if (empty)
            return false;
    }
    bool inside = false;
    withPath(path, true, [&] {
        inside = _path->containsPoint(VLVector2(VLFloatFromDouble(x), VLFloatFromDouble(y)), rule);
    });
    return inside;
}

bool VLCanvas2DRenderingContext::isPointInStroke(const VLCanvasPath2D* path, double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y))
        return false;
    makeContextCurrent();
    flushBuffers();
    if (!path) {
        bool empty = false;
        path = currentPathForHitTest(empty);
        if (empty)
            return false;
    }
    bool found = false;
    withPath(path, true, [&] {
        // Plain opaque triangles, tested instead of drawn; the state is put back whole.
        const VLCanvasState saved = *_state;
        _state->strokeColor = VLColorRGBA(0, 0, 0, 255);
        _state->strokeObject = nullptr;
        _state->globalAlpha = 1;
        _state->globalCompositeOperation = 0;
        _hitTesting = true;
        _hitPoint = {VLFloatFromDouble(x), VLFloatFromDouble(y)};
        _hitFound = false;
        _path->drawLinesToContext(*this);
        flushBuffers();
        _hitTesting = false;
        found = _hitFound;
        *_state = saved;
    });
    return found;
}

void VLCanvas2DRenderingContext::strokeRectX(float x, float y, float w, float h) {
    drawShape([&](bool) {
        VLPath path;
        path.setTransform(_state->transform);
        path.moveToX(x, y);
        path.lineToX(x + w, y);
        path.lineToX(x + w, y + h);
        path.lineToX(x, y + h);
        path.close();
        setProgram(programFlat());
        path.drawLinesToContext(*this);
    });
}
