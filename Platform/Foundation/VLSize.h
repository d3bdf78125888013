#pragma once

// A width and a height, in points. Negative sizes are allowed, as rectangles may run either way.
struct VLSize {
    double width = 0;
    double height = 0;

    friend bool operator==(const VLSize&, const VLSize&) = default;
};
