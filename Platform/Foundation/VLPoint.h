#pragma once

#include <cmath>

// A point in some view's or screen's coordinates, in points.
struct VLPoint {
    double x = 0;
    double y = 0;

    // Neither coordinate is NaN or infinite.
    bool isFinite() const { return std::isfinite(x) && std::isfinite(y); }

    friend bool operator==(const VLPoint&, const VLPoint&) = default;
};
