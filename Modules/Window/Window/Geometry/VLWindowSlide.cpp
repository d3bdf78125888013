#include "Modules/Window/Window/Geometry/VLWindowSlide.h"

#include <algorithm>

double VLWindowSlide::ease(double t) {
    const double rest = 1 - t;
    return 1 - rest * rest * rest;
}

VLWindowSlide::Step VLWindowSlide::stepAt(double now) const {
    const double elapsed = now - _start;
    const double t = elapsed > 0 ? std::min(1.0, elapsed * (1 / kDuration)) : 0;
    if (t >= 1)
        return {_to, true};
    const double e = ease(t);
    return {{_from.x + (_to.x - _from.x) * e, _from.y + (_to.y - _from.y) * e}, false};
}
