#pragma once

// Distances inwards from each edge of a rectangle, in points.
struct VLEdgeInsets {
    double top = 0;
    double left = 0;
    double bottom = 0;
    double right = 0;

    friend bool operator==(const VLEdgeInsets&, const VLEdgeInsets&) = default;
};
