#pragma once

#include <cmath>

// A point in some view's or screen's coordinates, in points.
struct VLPoint {
    double x = 0;
    double y = 0;

    // Constructors rather than an aggregate, so that both parentheses and braces build one with any compiler.
    constexpr VLPoint() = default;
    constexpr VLPoint(double x, double y) : x(x), y(y) {}

    // Neither coordinate is NaN or infinite.
    bool isFinite() const { return std::isfinite(x) && std::isfinite(y); }

    friend bool operator==(const VLPoint&, const VLPoint&) = default;
};
