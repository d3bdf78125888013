#pragma once

#include "Modules/Canvas/Context2D/VLCanvasPath2D.h"

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

// A builder that writes down each call it gets as "name(args)", numbers to four significant digits, with
// " @a,b,c,d,tx,ty" for a transform in force that is not the identity.
class VLRecordingPathBuilder final : public VLCanvas2DPathBuilding {
public:
    using Calls = std::vector<std::string>;
    Calls calls;

    // The calls of the path replayed from the given transform.
    static Calls replayed(const VLCanvasPath2D& path, const VLAffineTransform& start = {}) {
        VLRecordingPathBuilder builder;
        builder.setPathTransform(start);
        path.replayToBuilder(builder);
        return builder.calls;
    }

    void moveToX(float x, float y) override { log("moveTo", {x, y}); }
    void lineToX(float x, float y) override { log("lineTo", {x, y}); }
    void rectX(float x, float y, float w, float h) override { log("rect", {x, y, w, h}); }
    void bezierCurveToCpx1(float cpx1, float cpy1, float cpx2, float cpy2, float x, float y) override {
        log("bezierCurveTo", {cpx1, cpy1, cpx2, cpy2, x, y});
    }
    void quadraticCurveToCpx(float cpx, float cpy, float x, float y) override {
        log("quadraticCurveTo", {cpx, cpy, x, y});
    }
    void arcToX1(float x1, float y1, float x2, float y2, float radius) override {
        log("arcTo", {x1, y1, x2, y2, radius});
    }
    void arcX(float x, float y, float radius, float startAngle, float endAngle, bool antiClockwise) override {
        log("arc", {x, y, radius, startAngle, endAngle, float(antiClockwise)});
    }
    void ellipseX(float x, float y, float radiusX, float radiusY, float rotation, float startAngle,
                  float endAngle, bool antiClockwise) override {
        log("ellipse", {x, y, radiusX, radiusY, rotation, startAngle, endAngle, float(antiClockwise)});
    }
    void roundRectX(float x, float y, float w, float h, const VLVector2 radii[4]) override {
        log("roundRect", {x, y, w, h, radii[0].x, radii[0].y, radii[1].x, radii[1].y, radii[2].x, radii[2].y,
                          radii[3].x, radii[3].y});
    }
    void closePath() override { log("closePath", {}); }
    void setPathTransform(const VLAffineTransform& transform) override { _transform = transform; }
    VLAffineTransform pathTransform() const override { return _transform; }

private:
    void log(const char* name, std::initializer_list<double> args) {
        std::string call = std::string(name) + "(";
        bool first = true;
        for (const double arg : args) {
            call += (first ? "" : ",") + number(arg);
            first = false;
        }
        call += ")";
        if (!_transform.isIdentity()) {
            const VLAffineTransform& t = _transform;
            call += " @";
            first = true;
            for (const double entry : {t.a, t.b, t.c, t.d, t.tx, t.ty}) {
                call += (first ? "" : ",") + number(entry);
                first = false;
            }
        }
        calls.push_back(call);
    }
    static std::string number(double value) {
        char text[32];
        std::snprintf(text, sizeof text, "%.4g", value + 0.0);
        return text;
    }

    VLAffineTransform _transform;
};
