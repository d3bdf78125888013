#pragma once

#include "Modules/Canvas/Context2D/VLCanvas2DPathBuilding.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// A path recorded as a list of calls, built once and replayed into a builder for every fill, stroke,
// clip or hit test. Owned by its Path2D object (or a context) and used on that runtime's JavaScript
// thread.
class VLCanvasPath2D final : public VLCanvas2DPathReplaying {
public:
    // One recorded call. Kinds 0-9 are the path calls in VLCanvas2DPathReplaying's order, 10 pushes a
    // transform, 11 pops it, 12 sets one; transforms are stored as a, b, c, d, tx, ty.
    struct Operation {
        int32_t kind = 0;
        float args[16] = {};
        uint8_t anticlockwise = 0;
    };
    enum Kind : int32_t {
        kMoveTo,
        kLineTo,
        kRect,
        kBezierCurveTo,
        kQuadraticCurveTo,
        kArcTo,
        kArc,
        kEllipse,
        kRoundRect,
        kClosePath,
        kPushTransform,
        kPopTransform,
        kSetTransform,
    };
    // A path holds at most this many operations: a script that adds a path to itself thirty times would
    // otherwise ask for a billion of them.
    static constexpr size_t kMaxOperations = size_t(1) << 22;

    VLCanvasPath2D() = default;
    // The parse of SVG path data, on its UTF-16 code units: everything before the first error.
    static VLCanvasPath2D createWithSVGPathData(std::span<const uint16_t> data);

    // Appends a zero-filled record with the first `count` (at most 16) arguments; false, with nothing
    // recorded, when the path is full.
    bool _add(int32_t kind, const float* args, size_t count);

    void moveToX(float x, float y) override;
    void lineToX(float x, float y) override;
    void rectX(float x, float y, float w, float h) override;
    void bezierCurveToCpx1(float cpx1, float cpy1, float cpx2, float cpy2, float x, float y) override;
    void quadraticCurveToCpx(float cpx, float cpy, float x, float y) override;
    void arcToX1(float x1, float y1, float x2, float y2, float radius) override;
    void arcX(float x, float y, float radius, float startAngle, float endAngle, bool antiClockwise) override;
    void ellipseX(float x, float y, float radiusX, float radiusY, float rotation, float startAngle,
                  float endAngle, bool antiClockwise) override;
    void roundRectX(float x, float y, float w, float h, const VLVector2 radii[4]) override;
    void closePath() override;
    void setPathTransform(const VLAffineTransform& transform) override;

    // Appends the other path's operations as they are now (the other may be this path), between a
    // push and a pop of the transform unless it is the identity. Nothing when the result would not fit.
    void addPath(const VLCanvasPath2D& other, const VLAffineTransform& transform);

    // Calls the builder for each operation, keeping the transforms pushed during the replay.
    void replayToBuilder(VLCanvas2DPathBuilding& builder) const;

    const std::vector<Operation>& operations() const { return _operations; }
    bool isFull() const { return _operations.size() >= kMaxOperations; }

private:
    bool addTransform(int32_t kind, const VLAffineTransform& transform);
    static void replayOperation(const Operation& operation, VLCanvas2DPathBuilding& builder,
                                std::vector<VLAffineTransform>& pushed);

    std::vector<Operation> _operations;
};
