#pragma once

#include "Modules/Canvas/Context2D/VLPath.h"

#include <cstdint>
#include <optional>
#include <vector>

class VLCanvas2DRenderingContext;
struct VLCanvasState;

// Turns one VLPath into stroke triangles in a 2D context's batch: a quad per segment, miter, bevel or
// round joins, butt, square or round caps, after dashing. The geometry is made in user space (the
// device points mapped back through the path's transform) and pushed with that transform. A stroke
// that is not opaque source-over marks one stencil bit per pixel, so overlaps blend once.
// Made for one stroke on the context's JavaScript thread, with its GL context current.
class VLPathStroker {
public:
    // Most triangles a round join or cap gets, whatever the line width and scale.
    static constexpr int kMaxFanTriangles = 1024;

    VLPathStroker(const VLPath& path, VLCanvas2DRenderingContext& context);

    void strokeAll();
    // The colour of fans pushed on their own; a stroke uses the state's stroke colour.
    void setColor(uint32_t color) { _color = color; }
    // A fan around `center` from `from` to `to`; `u1` and `u2` are their unit directions from it.
    void pushArcFan(VLVector2 center, VLVector2 from, VLVector2 to, VLVector2 u1, VLVector2 u2);

private:
    // The two edges that meet at a vertex: where the previous quad ends and the next begins, on the
    // + and − sides of their normals, and the piece that fills the outer gap.
    struct Join {
        VLVector2 previousPlus;
        VLVector2 previousMinus;
        VLVector2 nextPlus;
        VLVector2 nextMinus;
        bool hasPiece = false;
        VLVector2 center;
        VLVector2 outerPrevious;
        VLVector2 outerNext;
        // Unit directions of the outer points from the centre, for a round piece.
        VLVector2 outerPreviousDirection;
        VLVector2 outerNextDirection;
    };

    void beginStencil();
    void finishStencil();
    void strokeSubpath(const subpath_t& subpath);
    VLVector2 toUser(VLVector2 device) const;
    VLVector2 normalOf(VLVector2 direction) const;
    // The normal from a device-space tangent, for a curve's first or last edge.
    VLVector2 normalOfTangent(VLVector2 tangent) const;
    Join joinAt(VLVector2 p, VLVector2 previousDirection, VLVector2 direction);
    void pushJoinPiece(const Join& join);
    void pushQuad(VLVector2 v1, VLVector2 v2, VLVector2 v3, VLVector2 v4);
    void pushStartCap(VLVector2 p, VLVector2 direction, VLVector2 normal);
    void pushEndCap(VLVector2 q, VLVector2 direction, VLVector2 normal);
    void widenBounds(VLVector2 user);

    const VLPath& _path;
    VLCanvas2DRenderingContext& _context;
    const VLCanvasState& _state;
    std::optional<VLAffineTransform> _inverse;
    float _halfWidth;
    double _scale;
    uint32_t _color;
    bool _usesStencil = false;
    bool _stencilOnly = false;
    uint8_t _stencilBit = 0;
    VLVector2 _minPos;
    VLVector2 _maxPos;
    // Reused for each subpath: its points in user space, then its segments' directions.
    std::vector<VLVector2> _points;
    std::vector<VLVector2> _directions;
};
