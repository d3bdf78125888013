#pragma once

#include "Platform/Foundation/VLRect.h"
#include "Platform/WindowServer/VLWSScreen.h"

#include <optional>
#include <vector>

// Which screen a window belongs on. Frames are in screen coordinates (y up); `screens` lists the primary
// screen first. A frame that is not finite lies on no screen.
//
// Pure: any thread.
struct VLScreenChoice {
    // The first screen whose frame holds the point, by the platform's point rule.
    static std::optional<VLWSScreen> containing(const std::vector<VLWSScreen>& screens, VLPoint point);
    // The first screen whose frame holds the pointer at that location, by the mouse rule (y up).
    static std::optional<VLWSScreen> underPointer(const std::vector<VLWSScreen>& screens, VLPoint location);
    // The first screen holding the frame's centre; else `current`, when given; else the screen whose
    // centre lies nearest the frame's centre, the first of equal distances.
    static std::optional<VLWSScreen> forFrame(const std::vector<VLWSScreen>& screens, const VLRect& frame,
                                              const std::optional<VLWSScreen>& current = std::nullopt);
};
