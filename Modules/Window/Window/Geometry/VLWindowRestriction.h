#pragma once

#include "Platform/Foundation/VLRect.h"
#include "Platform/WindowServer/VLWSScreen.h"

#include <optional>
#include <string>
#include <vector>

// Where a window other than the widget window may stay after the user moved it: its top edge below the
// menu bar, and in a runtime that restricts windows, no more than half a screen. Frames are in screen
// coordinates (y up); `screens` lists the primary screen first.
//
// Pure: any thread.
struct VLWindowRestriction {
    // Whether a window of that kind ("widget", "overlay", ...) is held on screen at all.
    static bool restricts(const std::optional<std::string>& type, bool restrictsWindows);

    // The frame the window may have: unchanged for the kinds left alone, without a screen, or when the
    // frame is not a valid one. x never changes and the bottom is not limited; only the top edge is
    // kept below the visible frame's top. Strict (a restricting runtime): a window larger than half the
    // screen's area shrinks to half of it, both sides alike and floored, and never grows wider than the
    // screen or taller than its visible frame.
    static VLRect restrictedFrame(const VLRect& frame, const std::optional<std::string>& type,
                                  bool restrictsWindows, const std::vector<VLWSScreen>& screens);
};
