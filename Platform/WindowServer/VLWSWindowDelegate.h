#pragma once

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
};
