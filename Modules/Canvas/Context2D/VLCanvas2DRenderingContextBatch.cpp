// The batch of VLCanvas2DRenderingContext: pushes, the vertex colours and the flush.

#include "Modules/Canvas/Context2D/VLCanvas2DRenderingContext.h"

#include "Modules/Canvas/GL/VLGLTexture.h"

#include <cmath>
#include <limits>

void VLCanvas2DRenderingContext::pushVertex(float x, float y, float u, float v, uint32_t color,
                                            const VLAffineTransform& transform) {
    VLCanvas2DVertex& vertex = _buffer[size_t(_vertexBufferIndex++)];
    if (transform.isIdentity()) {
        vertex.x = x;
        vertex.y = y;
    } else {
        vertex.x = float(transform.a * x + transform.c * y + transform.tx);
        vertex.y = float(transform.b * x + transform.d * y + transform.ty);
    }
    vertex.u = u;
    vertex.v = v;
    vertex.color = color;
}

void VLCanvas2DRenderingContext::pushTriX1(float x1, float y1, float x2, float y2, float x3, float y3,
                                           uint32_t color, const VLAffineTransform& transform) {
    if (_vertexBufferIndex >= _vertexBufferSize - 3)
        flushBuffers();
    pushVertex(x1, y1, 0, 0, color, transform);
    pushVertex(x2, y2, 0, 0, color, transform);
    pushVertex(x3, y3, 0, 0, color, transform);
}

void VLCanvas2DRenderingContext::pushQuadV1(const std::array<float, 2>& v1, const std::array<float, 2>& v2,
                                            const std::array<float, 2>& v3, const std::array<float, 2>& v4,
                                            uint32_t color, const VLAffineTransform& transform) {
    if (_vertexBufferIndex >= _vertexBufferSize - 6)
        flushBuffers();
    for (const std::array<float, 2>* point : {&v1, &v2, &v3, &v2, &v3, &v4})
        pushVertex((*point)[0], (*point)[1], 0, 0, color, transform);
}

void VLCanvas2DRenderingContext::pushRectX(float x, float y, float w, float h, uint32_t color,
                                           const VLAffineTransform& transform) {
    pushTexturedRectX(x, y, w, h, 0, 0, 0, 0, color, transform);
}

void VLCanvas2DRenderingContext::pushTexturedRectX(float x, float y, float w, float h, float tx, float ty,
                                                   float tw, float th, uint32_t color,
                                                   const VLAffineTransform& transform) {
    if (_vertexBufferIndex >= _vertexBufferSize - 6)
        flushBuffers();
    if (_currentTexture && _currentTexture->drawFlippedY()) {
        ty = 1 - ty;
        th = -th;
    }
    // Corners first, each mapped on its own, so a rotated rectangle keeps exact corners.
    const float right = x + w;
    const float bottom = y + h;
    const float textureRight = tx + tw;
    const float textureBottom = ty + th;
    // Triangles (top left, top right, bottom left) and (top right, bottom left, bottom right).
    pushVertex(x, y, tx, ty, color, transform);
    pushVertex(right, y, textureRight, ty, color, transform);
    pushVertex(x, bottom, tx, textureBottom, color, transform);
    pushVertex(right, y, textureRight, ty, color, transform);
    pushVertex(x, bottom, tx, textureBottom, color, transform);
    pushVertex(right, bottom, textureRight, textureBottom, color, transform);
}

void VLCanvas2DRenderingContext::pushFilledRectX(float, float, float, float,
                                                 const std::shared_ptr<VLCanvas2DFillable>&, uint32_t,
                                                 const VLAffineTransform&) {
    // Gradients and patterns do not draw yet.
}

uint32_t VLCanvas2DRenderingContext::vertexColor(VLColorRGBA color) const {
    // Truncated toward zero, from the alpha scaled but not yet truncated.
    const double alpha = double(color.alpha) * double(_state->globalAlpha);
    const auto channel = [alpha](uint8_t value) { return uint8_t(std::trunc(double(value) * alpha / 255)); };
    return VLColorRGBA(channel(color.red), channel(color.green), channel(color.blue),
                       uint8_t(std::trunc(alpha)))
        .packed();
}

uint32_t VLCanvas2DRenderingContext::textureVertexColor() const {
    const auto alpha = uint8_t(std::trunc(255 * double(_state->globalAlpha)));
    return VLColorRGBA(alpha, alpha, alpha, alpha).packed();
}

void VLCanvas2DRenderingContext::flushBuffers() {
    if (_vertexBufferIndex == 0)
        return;
    if (_hitTesting) {
        hitTestBatch();
    } else {
        if (_drawingLayer || _drawingShadow)
            uniteBatchBounds();
        if (width() > 0 && height() > 0)
            glDrawArrays(GL_TRIANGLES, 0, _vertexBufferIndex);
        setNeedsPresenting(true);
        ++_contentVersion;
    }
    _vertexBufferIndex = 0;
}

void VLCanvas2DRenderingContext::uniteBatchBounds() {
    float minX = std::numeric_limits<float>::infinity();
    float minY = minX;
    float maxX = -minX;
    float maxY = -minX;
    for (int32_t i = 0; i < _vertexBufferIndex; ++i) {
        const VLCanvas2DVertex& vertex = _buffer[size_t(i)];
        if (!std::isfinite(vertex.x) || !std::isfinite(vertex.y))
            continue;
        minX = std::min(minX, vertex.x);
        minY = std::min(minY, vertex.y);
        maxX = std::max(maxX, vertex.x);
        maxY = std::max(maxY, vertex.y);
    }
    if (minX > maxX || minY > maxY)
        return;
    const VLRect bounds(minX, minY, double(maxX) - minX, double(maxY) - minY);
    VLRect& target = _drawingShadow ? _shadowBounds : _layerBounds;
    target = target.unionWith(bounds);
}

void VLCanvas2DRenderingContext::hitTestBatch() {
    // The edge value of P against the edge from A to B; its sign tells the side.
    const auto edge = [](const VLCanvas2DVertex& a, const VLCanvas2DVertex& b, float px, float py) {
        return (b.y - a.y) * (px - a.x) - (py - a.y) * (b.x - a.x);
    };
    const float px = _hitPoint.x;
    const float py = _hitPoint.y;
    for (int32_t i = 0; i + 2 < _vertexBufferIndex && !_hitFound; i += 3) {
        const VLCanvas2DVertex& t0 = _buffer[size_t(i)];
        const VLCanvas2DVertex& t1 = _buffer[size_t(i + 1)];
        const VLCanvas2DVertex& t2 = _buffer[size_t(i + 2)];
        const float e0 = edge(t0, t2, px, py);
        const float e1 = edge(t2, t1, px, py);
        const float e2 = edge(t1, t0, px, py);
        const bool sameSide = (e0 >= 0 && e1 >= 0 && e2 >= 0) || (e0 <= 0 && e1 <= 0 && e2 <= 0);
        // On an edge counts; a degenerate triangle with the point on its line does not.
        _hitFound = sameSide && !(e0 == 0 && e1 == 0 && e2 == 0);
    }
}
