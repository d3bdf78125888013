#include "Platform/WindowServer/VLWSTimingFunction.h"

#include <cmath>

namespace {

// One coordinate of the curve with control values p1 and p2 at parameter t.
double bezier(double p1, double p2, double t) {
    const double u = 1 - t;
    return 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t;
}

} // namespace

double VLWSTimingFunction::progress(double time) const {
    if (!(time < 1))
        return 1;
    if (time <= 0)
        return 0;
    // x(t) rises monotonically with control x values in 0…1, so bisection finds t; 52 halvings reach the
    // precision of a double.
    double low = 0, high = 1;
    for (int step = 0; step < 52; ++step) {
        const double middle = (low + high) / 2;
        (bezier(_x1, _x2, middle) < time ? low : high) = middle;
    }
    return bezier(_y1, _y2, (low + high) / 2);
}
