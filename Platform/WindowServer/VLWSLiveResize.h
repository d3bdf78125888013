#pragma once

#include "Platform/Foundation/VLRect.h"

#include <vector>

class VLWSWindow;

// Resizes that the user or the system makes to a window, with what its delegate hears: a live resize
// (will-start, for each step the proposed size brought within the window's content limits and then
// offered to the delegate, did-end), a zoom to the screen's visible frame and back, and full-screen
// transitions. Each answers whether it took place; a window that is not visible or not resizable takes
// none.
//
// Main thread only.
class VLWSLiveResize final {
public:
    VLWSLiveResize() = delete;

    // Each frame's top-left corner stays where the step put it.
    static bool resize(VLWSWindow& window, const std::vector<VLRect>& frames);
    static bool zoom(VLWSWindow& window);
    // Into full screen, or out of it when in; a transition that fails leaves the frame as it was.
    static bool toggleFullScreen(VLWSWindow& window, bool succeeds);

    // A frame size within the window's content minimum, maximum and aspect ratio.
    static VLSize constrainedFrameSize(const VLWSWindow& window, VLSize frameSize);

private:
    static bool canResize(const VLWSWindow& window);
    static VLRect screenFrame(const VLWSWindow& window, bool visible);
    static void step(VLWSWindow& window, const VLRect& frame);
};
