#pragma once

// A point in some view's or screen's coordinates, in points.
struct VLPoint {
    double x = 0;
    double y = 0;

    friend bool operator==(const VLPoint&, const VLPoint&) = default;
};
