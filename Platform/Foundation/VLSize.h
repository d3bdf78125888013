#pragma once

// A width and a height, in points. Negative sizes are allowed, as rectangles may run either way.
struct VLSize {
    double width = 0;
    double height = 0;

    // Constructors rather than an aggregate, so that both parentheses and braces build one with any compiler.
    constexpr VLSize() = default;
    constexpr VLSize(double width, double height) : width(width), height(height) {}

    friend bool operator==(const VLSize&, const VLSize&) = default;
};
