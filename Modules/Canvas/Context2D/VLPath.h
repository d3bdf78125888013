#pragma once

#include "Modules/Canvas/Context2D/VLVector2.h"
#include "Platform/Foundation/VLAffineTransform.h"

#include <cmath>
#include <cstdint>
#include <vector>

class VLCanvas2DRenderingContext;
struct VLCanvasState;

// The drawing scale of a transform, sqrt(a² + c²): curve tolerances, caps, fans and dashes follow it.
inline double VLPathScaleOf(const VLAffineTransform& transform) {
    return std::sqrt(transform.a * transform.a + transform.c * transform.c);
}

// One polygon of a path, in device space.
struct subpath_t {
    std::vector<VLVector2> points;
    bool isClosed = false;
    // Directions of the true curve at the first and last point, where a curve opened or ended the polygon.
    VLVector2 startTangent;
    VLVector2 endTangent;
    bool hasStartTangent = false;
    bool hasEndTangent = false;
};

// The 2D context's path: subpaths flattened into device-space polygons as each command comes, curves,
// arcs and rounded rectangles with as many segments as the transform's scale (and `precise`, for hit
// tests) asks for. Commands take user-space coordinates, mapped by `transform` in double precision.
// Owned by one context (or a saved clip, or a hit test); used on that runtime's JavaScript thread.
class VLPath {
public:
    VLPath();
    VLPath(VLPath&&) noexcept = default;
    VLPath& operator=(VLPath&&) noexcept = default;

    // Everything but the fill rule, which starts at 0 again (every fill and clip sets it).
    VLPath copyWithZone() const;

    // Empties the path; the transform, `precise` and the fill rule stay.
    void reset();

    void moveToX(float x, float y);
    void lineToX(float x, float y);
    // `scale` is the context transform's sqrt(a² + c²): the flatness tolerance is in device pixels.
    void bezierCurveToCpx1(float cpx1, float cpy1, float cpx2, float cpy2, float x, float y, float scale);
    void quadraticCurveToCpx(float cpx, float cpy, float x, float y, float scale);
    void arcToX1(float x1, float y1, float x2, float y2, float radius);
    void arcX(float x, float y, float radius, float startAngle, float endAngle, bool antiClockwise);
    void ellipseX(float x, float y, float radiusX, float radiusY, float rotation, float startAngle,
                  float endAngle, bool antiClockwise);
    // radii: upper-left, upper-right, lower-right, lower-left; x horizontal, y vertical.
    void roundRectX(float x, float y, float w, float h, const VLVector2 radii[4]);
    void close();

    const VLAffineTransform& transform() const { return _transform; }
    void setTransform(const VLAffineTransform& transform) { _transform = transform; }
    bool precise() const { return _precise; }
    void setPrecise(bool precise) { _precise = precise; }
    // 0 nonzero, 1 evenodd.
    int32_t fillRule() const { return _fillRule; }

    // Whether the device-space point lies inside under the fill rule (0 nonzero, 1 evenodd); a point on
    // an edge is inside.
    bool containsPoint(VLVector2 point, int32_t fillRule) const;

    // Drawing into a 2D context, on its thread with its GL context current.
    // Marks the polygons in the stencil under the fill rule, which is kept, and covers them: target 0
    // fills them with the state's fill style, target 1 makes them the clip in the depth buffer, within
    // the clip already there.
    void drawPolygonsToContext(VLCanvas2DRenderingContext& context, int32_t fillRule, int32_t target);
    // The same for a path that must not change, such as a saved clip.
    void drawPolygonsWithoutKeepingRule(VLCanvas2DRenderingContext& context, int32_t fillRule,
                                        int32_t target) const;
    // Strokes every subpath with the state's line settings, dashes and stroke style.
    void drawLinesToContext(VLCanvas2DRenderingContext& context) const;
    // A fan around `center` from `from` to `to`, both half the line width away from it, in user space: a
    // round join or cap.
    void drawArcToContext(VLCanvas2DRenderingContext& context, VLVector2 center, VLVector2 from, VLVector2 to,
                          uint32_t color) const;
    // The dash pieces of every subpath under the state's dash list, as open device-space subpaths; false,
    // with nothing in `pieces`, when the stroke is to be drawn solid.
    bool createLineDashPath(const VLCanvasState& state, std::vector<subpath_t>& pieces) const;

    // What drawing reads: the finished subpaths, the one being built, and the bounds of every point.
    const std::vector<subpath_t>& paths() const { return _paths; }
    const subpath_t& currentPath() const { return _currentPath; }
    VLVector2 currentPos() const { return _currentPos; }
    VLVector2 minPos() const { return _minPos; }
    VLVector2 maxPos() const { return _maxPos; }
    uint32_t longestSubpath() const { return _longestSubpath; }

private:
    subpath_t _currentPath;
    std::vector<subpath_t> _paths;
    VLVector2 _currentPos;
    VLVector2 _lastPushed;
    VLVector2 _minPos;
    VLVector2 _maxPos;
    uint32_t _longestSubpath = 0;
    float _distanceTolerance = 0;
    bool _continuesClosedSubpath = false;
    VLVector2 _closedSubpathStart;
    bool _precise = false;
    int32_t _fillRule = 0;
    VLAffineTransform _transform;

    VLPath(const VLPath&) = default;

    VLVector2 transformPoint(double x, double y) const;
    // The linear part only, for directions.
    VLVector2 transformDirection(double x, double y) const;
    void push(VLVector2 point);
    // A command after close starts at the closed subpath's first point.
    void continueClosedSubpath();
    void appendPoint(VLVector2 point);
    void widenBounds(VLVector2 point);
    // Keeps a subpath of 2 points or more, and starts the next.
    void endSubPath();

    // A curve's flattening: begin sets its tolerance from the scale and answers where it starts; the
    // subdivision appends its points straight to the subpath; end does push's bookkeeping once for them
    // all, pushes the end point and records the tangents.
    struct CurveStart {
        size_t index;
        size_t firstNewPoint;
    };
    CurveStart beginCurve(float scale);
    void appendCurvePoint(float x, float y);
    void endCurve(CurveStart start, VLVector2 end, VLVector2 startTangent, VLVector2 endTangent);
    void recursiveBezierX1(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                           int level);
    void recursiveQuadraticX1(float x1, float y1, float x2, float y2, float x3, float y3, int level);
    int subdivisionLimit() const { return _precise ? 16 : 8; }
    void curveAddedAfter(size_t index, VLVector2 startTangent, VLVector2 endTangent);
    // Segments for an elliptic arc of that sweep and larger radius.
    int ellipseSegmentCount(float sweep, float radius) const;
};
