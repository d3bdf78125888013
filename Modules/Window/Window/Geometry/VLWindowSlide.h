#pragma once

#include "Platform/Foundation/VLPoint.h"

// A window's slide back into place after the user let it go: a quarter of a second, fast at first and
// easing out (1 − (1 − t)³), ending exactly on the target. Times are seconds of the window server's clock.
//
// A value; main thread.
class VLWindowSlide {
public:
    static constexpr double kDuration = 0.25;

    struct Step {
        VLPoint origin;
        // The origin is the target: the slide is over.
        bool finished = false;
    };

    VLWindowSlide() = default;
    VLWindowSlide(VLPoint from, VLPoint to, double start) : _from(from), _to(to), _start(start) {}

    VLPoint from() const { return _from; }
    VLPoint to() const { return _to; }
    double start() const { return _start; }

    // Where the window stands at that time; a time before the start, or not a number, is the start.
    Step stepAt(double now) const;
    // The eased share of the way for a share t of the time, 0…1.
    static double ease(double t);

private:
    VLPoint _from;
    VLPoint _to;
    double _start = 0;
};
