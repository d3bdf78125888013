#pragma once

#include "Platform/Foundation/VLPoint.h"

#include <cstdint>

// One mouse happening as the input monitor hands it out: a value.
struct VLInputMouseEvent {
    enum Kind : int64_t { Move = 0, ButtonDown = 1, ButtonUp = 2, Wheel = 3 };

    int64_t kind = Move;
    // Global display coordinates: the origin at the top-left of the main display, y downwards.
    VLPoint location;
    // For down and up, the DOM button number (0 left, 1 middle, 2 right); 0 otherwise.
    int64_t button = 0;
    // For the wheel, the scroll deltas; 0 otherwise.
    double deltaX = 0;
    double deltaY = 0;
};
