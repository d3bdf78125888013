#pragma once

#include <cmath>
#include <limits>

// A 2-D point or direction in single precision, as path points are stored and handed to the GPU.
// A plain value; any thread.
struct VLVector2 {
    float x = 0;
    float y = 0;

    constexpr VLVector2() = default;
    constexpr VLVector2(float x, float y) : x(x), y(y) {}

    constexpr bool isZero() const { return x == 0 && y == 0; }

    friend constexpr VLVector2 operator+(VLVector2 a, VLVector2 b) { return {a.x + b.x, a.y + b.y}; }
    friend constexpr VLVector2 operator-(VLVector2 a, VLVector2 b) { return {a.x - b.x, a.y - b.y}; }
    friend constexpr VLVector2 operator*(VLVector2 a, float k) { return {a.x * k, a.y * k}; }
    friend constexpr bool operator==(VLVector2, VLVector2) = default;
};

// A double narrowed to a float; past the float range it becomes infinite, where a plain conversion
// would be undefined.
inline float VLFloatFromDouble(double value) {
    if (std::fabs(value) > std::numeric_limits<float>::max())
        return std::copysign(std::numeric_limits<float>::infinity(), value);
    return float(value);
}
