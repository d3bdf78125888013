#pragma once

#include "Platform/Foundation/VLRect.h"

class VLWSWindow;

// What a window tells its delegate, at once, on the main thread. Every method does nothing unless
// overridden. A window holds its delegate weakly.
class VLWSWindowDelegate {
public:
    virtual ~VLWSWindowDelegate() = default;

    // The origin changed.
    virtual void windowDidMove(VLWSWindow&) {}
    // The size changed.
    virtual void windowDidResize(VLWSWindow&) {}
    virtual void windowDidChangeScreen(VLWSWindow&) {}
    // The backing scale changed.
    virtual void windowDidChangeBackingProperties(VLWSWindow&) {}
    // Delivered once per change, from the main queue.
    virtual void windowDidChangeOcclusionState(VLWSWindow&) {}
    virtual void windowDidBecomeKey(VLWSWindow&) {}
    virtual void windowDidResignKey(VLWSWindow&) {}
    virtual void windowDidBecomeMain(VLWSWindow&) {}
    virtual void windowDidResignMain(VLWSWindow&) {}
    virtual void windowWillClose(VLWSWindow&) {}

    // A drag of the window is about to move it; once per drag.
    virtual void windowWillMove(VLWSWindow&) {}
    // Around a live resize (the user's, a tiling, a zoom or a full-screen transition).
    virtual void windowWillStartLiveResize(VLWSWindow&) {}
    virtual void windowDidEndLiveResize(VLWSWindow&) {}
    // The frame size a resize step proposes; the answer is the size taken.
    virtual VLSize windowWillResize(VLWSWindow&, VLSize frameSize) { return frameSize; }
    // Whether a zoom to the frame may go ahead.
    virtual bool windowShouldZoom(VLWSWindow&, VLRect) { return true; }
    virtual void windowWillEnterFullScreen(VLWSWindow&) {}
    virtual void windowDidEnterFullScreen(VLWSWindow&) {}
    virtual void windowDidFailToEnterFullScreen(VLWSWindow&) {}
    virtual void windowWillExitFullScreen(VLWSWindow&) {}
    virtual void windowDidExitFullScreen(VLWSWindow&) {}
    virtual void windowDidFailToExitFullScreen(VLWSWindow&) {}
};
