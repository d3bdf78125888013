#pragma once

#include "Platform/Foundation/VLRect.h"
#include "Platform/Foundation/VLSize.h"

#include <cstdint>
#include <optional>

// One display as the window server knows it: what AppKit tells of a screen and CoreGraphics of a
// display. A value; the server hands out copies.
struct VLWSScreen {
    uint32_t displayID = 1;
    // Global coordinates, y up, the primary screen's frame at 0,0.
    VLRect frame{0, 0, 1440, 900};
    // The frame less the menu bar and the Dock.
    VLRect visibleFrame{0, 0, 1440, 875};
    double backingScaleFactor = 1;
    // Hertz; 0 when the display does not say.
    double refreshRate = 60;
    // Pixels of the current mode, when it can be read.
    std::optional<VLSize> modePixelSize;
    // Millimetres.
    VLSize physicalSize{381, 238};
    bool isActive = true;
    bool isAsleep = false;
    bool isOnline = true;
    // The main display; the server sets it on the first screen when none says so.
    bool isMain = false;
    bool isBuiltin = false;
    // The display this one mirrors; 0 when it mirrors none.
    uint32_t mirrorOf = 0;
    // Whether the screen carries its number (the display id) in its device description.
    bool hasScreenNumber = true;

    // The headless screen of `velto run`: 1440 by 900 points at scale 1 and 60 Hz, a 25-point menu bar
    // outside the visible frame, no Dock.
    static VLWSScreen defaultScreen();

    // The screen's "NSScreenNumber", when it has one.
    std::optional<uint32_t> screenNumber() const;

    // A non-zero id, finite frames of non-negative size, a positive scale, a non-negative rate.
    bool isValid() const;

    friend bool operator==(const VLWSScreen&, const VLWSScreen&) = default;
};
