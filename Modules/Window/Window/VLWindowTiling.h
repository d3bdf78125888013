#pragma once

#include "Platform/Foundation/VLRect.h"

class VLWSWindow;

// Undoes the system's tiling of a window that does not allow it, and of the widget window: a live
// resize begun without the button held is the system's, and the window goes back to the frame it had.
// Zooms and full-screen transitions are the user's own resizes, never undone. Part of its window; main
// thread only.
class VLWindowTiling final {
public:
    bool allowsTiling() const { return _allowsTiling; }
    void setAllowsTiling(bool allows) { _allowsTiling = allows; }
    bool isUndoing() const { return _isUndoing; }
    void setZoomingOrFullScreening(bool on) { _isZoomingOrFullScreening = on; }

    void liveResizeWillStart(const VLWSWindow& window, bool isWidgetWindow);
    // Puts a resize of the tiling's back; answers whether it was one.
    bool undoResize(VLWSWindow& window);
    // Ends the undoing with the window put back; answers whether there was one.
    bool endLiveResize(VLWSWindow& window);
    // A script may still resize a window whose tiling is being undone.
    void noteLayoutFrame(const VLRect& frame) {
        if (_isUndoing)
            _untiledFrame = frame;
    }
    void stop() { _isUndoing = false; }

private:
    bool _allowsTiling = true;
    bool _isUndoing = false;
    bool _isZoomingOrFullScreening = false;
    VLRect _untiledFrame;
};
