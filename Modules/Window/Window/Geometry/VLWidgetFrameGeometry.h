#pragma once

#include "Core/Launcher/VLWidgetSizing.h"
#include "Platform/Foundation/VLEdgeInsets.h"
#include "Platform/Foundation/VLRect.h"
#include "Platform/WindowServer/VLWSScreen.h"

#include <optional>
#include <vector>

// The widget window's frame arithmetic: what size the sizing allows, the transparent border around the
// main hit region, which screen the widget is on, and the frame that keeps it on that screen. Frames
// are in screen coordinates (y up) unless said otherwise.
//
// Sizing values that are not finite count as absent (a minimum of 1, no maximum, no aspect ratio);
// a frame that is not valid, or a result that would not be finite, leaves the frame as it was.
//
// A value the window fills in on the main thread from its state; pure, so any thread may use a copy.
struct VLWidgetFrameGeometry {
    VLWidgetSizing sizing;
    // The size the widget has now, when its content does not size it.
    VLSize widgetSize;
    // Rectangles relative to the window's top-left corner, y downwards; none: the whole window is hit.
    std::optional<std::vector<VLRect>> mainHitRegion;
    // The primary screen first.
    std::vector<VLWSScreen> screens;
    // The screen the platform window is on, if any.
    std::optional<VLWSScreen> windowScreen;
    // A screen that overrides the choice of the widget's screen: where a drag ended, or one the caller
    // has already chosen.
    std::optional<VLWSScreen> chosenScreen;

    // The size brought into the sizing's range. With an aspect ratio, a size within a point of it and
    // of the range comes back as it is; any other is put on the ratio and rounded half away from zero.
    VLSize sizeInRange(VLSize size) const;
    // The transparent border around the main hit region in a window of that size; the top is always 0.
    // Zero without a hit region or when none of it lies in the window.
    VLEdgeInsets marginsForSize(VLSize size) const;
    // The first screen holding the frame's centre, else the window's screen, else the nearest one.
    std::optional<VLWSScreen> screenForFrame(const VLRect& frame) const;
    // As above, judged by the centre of the frame less its margins first.
    std::optional<VLWSScreen> screenForWidgetFrame(const VLRect& frame) const;
    // The frame the widget window takes for a proposed one: its left and top edges kept where they may
    // be, its size from the sizing (a zero size changes nothing) and fitted to the screen's visible
    // frame, which only its margins may leave on the left, right and bottom.
    VLRect widgetFrame(const VLRect& frame) const;
    // The size a user resize may propose: scaled into the visible frame of the window's screen (else the
    // main screen) with the aspect ratio kept and floored, or without one cut to it per side.
    VLSize proposedSize(VLSize size) const;
};
