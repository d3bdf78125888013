#include "Modules/Canvas/Context2D/VLCanvasPath2D.h"

#include "Modules/Canvas/Context2D/VLSVGPathDataParser.h"

#include <algorithm>

VLCanvasPath2D VLCanvasPath2D::createWithSVGPathData(std::span<const uint16_t> data) {
    VLCanvasPath2D path;
    VLSVGPathDataParser(data, path).parse();
    return path;
}

bool VLCanvasPath2D::_add(int32_t kind, const float* args, size_t count) {
    if (isFull())
        return false;
    Operation& operation = _operations.emplace_back();
    operation.kind = kind;
    std::copy_n(args, std::min<size_t>(count, 16), operation.args);
    return true;
}

void VLCanvasPath2D::moveToX(float x, float y) {
    const float args[] = {x, y};
    _add(kMoveTo, args, 2);
}

void VLCanvasPath2D::lineToX(float x, float y) {
    const float args[] = {x, y};
    _add(kLineTo, args, 2);
}

void VLCanvasPath2D::rectX(float x, float y, float w, float h) {
    const float args[] = {x, y, w, h};
    _add(kRect, args, 4);
}

void VLCanvasPath2D::bezierCurveToCpx1(float cpx1, float cpy1, float cpx2, float cpy2, float x, float y) {
    const float args[] = {cpx1, cpy1, cpx2, cpy2, x, y};
    _add(kBezierCurveTo, args, 6);
}

void VLCanvasPath2D::quadraticCurveToCpx(float cpx, float cpy, float x, float y) {
    const float args[] = {cpx, cpy, x, y};
    _add(kQuadraticCurveTo, args, 4);
}

void VLCanvasPath2D::arcToX1(float x1, float y1, float x2, float y2, float radius) {
    const float args[] = {x1, y1, x2, y2, radius};
    _add(kArcTo, args, 5);
}

void VLCanvasPath2D::arcX(float x, float y, float radius, float startAngle, float endAngle,
                          bool antiClockwise) {
    const float args[] = {x, y, radius, startAngle, endAngle};
    if (_add(kArc, args, 5))
        _operations.back().anticlockwise = antiClockwise;
}

void VLCanvasPath2D::ellipseX(float x, float y, float radiusX, float radiusY, float rotation,
                              float startAngle, float endAngle, bool antiClockwise) {
    const float args[] = {x, y, radiusX, radiusY, rotation, startAngle, endAngle};
    if (_add(kEllipse, args, 7))
        _operations.back().anticlockwise = antiClockwise;
}

void VLCanvasPath2D::roundRectX(float x, float y, float w, float h, const VLVector2 radii[4]) {
    // The corners go to arguments 8-15, as replay hands them on.
    float args[16] = {x, y, w, h};
    for (int corner = 0; corner < 4; ++corner) {
        args[8 + 2 * corner] = radii[corner].x;
        args[9 + 2 * corner] = radii[corner].y;
    }
    _add(kRoundRect, args, 16);
}

void VLCanvasPath2D::closePath() {
    _add(kClosePath, nullptr, 0);
}

bool VLCanvasPath2D::addTransform(int32_t kind, const VLAffineTransform& transform) {
    const float args[] = {float(transform.a), float(transform.b),  float(transform.c),
                          float(transform.d), float(transform.tx), float(transform.ty)};
    return _add(kind, args, 6);
}

void VLCanvasPath2D::setPathTransform(const VLAffineTransform& transform) {
    addTransform(kSetTransform, transform);
}

void VLCanvasPath2D::addPath(const VLCanvasPath2D& other, const VLAffineTransform& transform) {
    const size_t added = other._operations.size();
    const size_t pair = transform.isIdentity() ? 0 : 2;
    if (added + pair > kMaxOperations - _operations.size())
        return;
    if (pair)
        addTransform(kPushTransform, transform);
    // The other path may be this one: its operations are read after the resize, and only the first
    // `added` of them, so the copy is of the path as it was.
    const size_t at = _operations.size();
    _operations.resize(at + added);
    std::copy_n(other._operations.data(), added, _operations.data() + at);
    if (pair)
        _add(kPopTransform, nullptr, 0);
}

void VLCanvasPath2D::replayToBuilder(VLCanvas2DPathBuilding& builder) const {
    std::vector<VLAffineTransform> pushed;
    for (const Operation& operation : _operations)
        replayOperation(operation, builder, pushed);
}

namespace {

VLAffineTransform canvasPath2DRecordedTransform(const float* args) {
    return {args[0], args[1], args[2], args[3], args[4], args[5]};
}

} // namespace

void VLCanvasPath2D::replayOperation(const Operation& operation, VLCanvas2DPathBuilding& builder,
                                     std::vector<VLAffineTransform>& pushed) {
    const float* a = operation.args;
    switch (operation.kind) {
    case kMoveTo:
        return builder.moveToX(a[0], a[1]);
    case kLineTo:
        return builder.lineToX(a[0], a[1]);
    case kRect:
        return builder.rectX(a[0], a[1], a[2], a[3]);
    case kBezierCurveTo:
        return builder.bezierCurveToCpx1(a[0], a[1], a[2], a[3], a[4], a[5]);
    case kQuadraticCurveTo:
        return builder.quadraticCurveToCpx(a[0], a[1], a[2], a[3]);
    case kArcTo:
        return builder.arcToX1(a[0], a[1], a[2], a[3], a[4]);
    case kArc:
        return builder.arcX(a[0], a[1], a[2], a[3], a[4], operation.anticlockwise);
    case kEllipse:
        return builder.ellipseX(a[0], a[1], a[2], a[3], a[4], a[5], a[6], operation.anticlockwise);
    case kRoundRect: {
        const VLVector2 radii[4] = {{a[8], a[9]}, {a[10], a[11]}, {a[12], a[13]}, {a[14], a[15]}};
        return builder.roundRectX(a[0], a[1], a[2], a[3], radii);
    }
    case kClosePath:
        return builder.closePath();
    case kPushTransform: {
        const VLAffineTransform current = builder.pathTransform();
        pushed.push_back(current);
        return builder.setPathTransform(canvasPath2DRecordedTransform(a).concatenating(current));
    }
    case kPopTransform:
        if (!pushed.empty()) {
            builder.setPathTransform(pushed.back());
            pushed.pop_back();
        }
        return;
    case kSetTransform:
        return builder.setPathTransform(canvasPath2DRecordedTransform(a));
    default:
        return;
    }
}
