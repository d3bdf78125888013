#pragma once

#include "Modules/Canvas/Context2D/VLVector2.h"
#include "Platform/Foundation/VLAffineTransform.h"

// The path calls that a recorded path replays and that a recording accepts: the 2D context builds
// geometry from them, a Path2D records them. Coordinates are user-space floats; `radii` points at the
// four corners upper-left, upper-right, lower-right, lower-left. Used on the owner's JavaScript thread.
class VLCanvas2DPathReplaying {
public:
    virtual ~VLCanvas2DPathReplaying() = default;

    virtual void moveToX(float x, float y) = 0;
    virtual void lineToX(float x, float y) = 0;
    virtual void rectX(float x, float y, float w, float h) = 0;
    virtual void bezierCurveToCpx1(float cpx1, float cpy1, float cpx2, float cpy2, float x, float y) = 0;
    virtual void quadraticCurveToCpx(float cpx, float cpy, float x, float y) = 0;
    virtual void arcToX1(float x1, float y1, float x2, float y2, float radius) = 0;
    virtual void arcX(float x, float y, float radius, float startAngle, float endAngle,
                      bool antiClockwise) = 0;
    virtual void ellipseX(float x, float y, float radiusX, float radiusY, float rotation, float startAngle,
                          float endAngle, bool antiClockwise) = 0;
    virtual void roundRectX(float x, float y, float w, float h, const VLVector2 radii[4]) = 0;
    virtual void closePath() = 0;
    virtual void setPathTransform(const VLAffineTransform& transform) = 0;
};
