#pragma once

#include "Platform/Foundation/VLRect.h"

#include <optional>

// A 2-D affine transform in the platform's row-vector form: a point (x, y) becomes
// (a·x + c·y + tx, b·x + d·y + ty). A plain value; any thread.
struct VLAffineTransform {
    double a = 1;
    double b = 0;
    double c = 0;
    double d = 1;
    double tx = 0;
    double ty = 0;

    // Constructors rather than an aggregate, so that both parentheses and braces build one with any compiler.
    constexpr VLAffineTransform() = default;
    constexpr VLAffineTransform(double a, double b, double c, double d, double tx, double ty)
        : a(a), b(b), c(c), d(d), tx(tx), ty(ty) {}

    static constexpr VLAffineTransform identity() { return {}; }
    static constexpr VLAffineTransform translation(double tx, double ty) { return {1, 0, 0, 1, tx, ty}; }
    static constexpr VLAffineTransform scale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
    // Counter-clockwise in a y-up space, by `angle` radians.
    static VLAffineTransform rotation(double angle);

    // This transform, then `next`.
    VLAffineTransform concatenating(const VLAffineTransform& next) const;
    // The step applied before this transform, as the platform's translate, scale and rotate do.
    VLAffineTransform translatedBy(double tx, double ty) const;
    VLAffineTransform scaledBy(double sx, double sy) const;
    VLAffineTransform rotatedBy(double angle) const;
    // Nothing when the transform cannot be undone.
    std::optional<VLAffineTransform> inverted() const;

    VLPoint apply(VLPoint point) const;
    // The smallest upright rectangle holding the transformed corners; the null rectangle stays null.
    VLRect apply(const VLRect& rect) const;

    bool isIdentity() const { return *this == identity(); }
    bool isFinite() const;
    // Upright rectangles stay upright: no rotation or skew, flips allowed.
    bool keepsAxes() const { return b == 0 && c == 0; }
    double determinant() const { return a * d - b * c; }

    friend bool operator==(const VLAffineTransform&, const VLAffineTransform&) = default;
};
