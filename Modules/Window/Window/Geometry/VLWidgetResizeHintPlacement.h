#pragma once

#include "Platform/Foundation/VLRect.h"

class VLWidgetResizeHintView;

// Where the resize hint goes: its stroke hugs the widget's visible corner, outside it while the screen
// leaves room to the right and below, else inside it.
struct VLWidgetResizeHintPlacement {
    // The room, in points, the hint needs outside the corner.
    static constexpr double kRoom = 11;

    // What the hint was shaped for, and the frame of its window in screen coordinates (y up).
    double cornerRadius = 0;
    bool outside = true;
    VLRect frame;

    // The point of the content view (y downwards, bounds `bounds`) the hint's corner goes to, for the
    // content's inset from the window's corner.
    static VLPoint anchor(const VLRect& bounds, VLSize inset);

    // Shapes the hint for the measured corner and tells where its window goes, its corner on `anchor`
    // (in screen coordinates) on a screen of that frame; an empty screen frame leaves room everywhere.
    // Main thread.
    static VLWidgetResizeHintPlacement place(VLWidgetResizeHintView& hint, VLPoint anchor,
                                             const VLRect& screenFrame, VLSize inset, double cornerRadius);
};
