#pragma once

#include "Platform/Foundation/VLRect.h"

#include <vector>

// One ordered-in window as occlusion sees it.
struct VLWSOcclusionInput {
    VLRect frame;
    // Covers what lies below it: opaque and at alpha 1.
    bool covers = false;
};

// Which windows of a front-to-back list can be seen: each must have some part on a screen that no
// covering window above it hides. Regions are pixman's, at an eighth of a point; a window counts as
// hidden only when the covers hide it whole at that precision.
std::vector<bool> VLWSVisibleWindows(const std::vector<VLWSOcclusionInput>& frontToBack,
                                     const std::vector<VLRect>& screens);
