#pragma once

#include "Modules/Window/Window/VLNSWindowCommon.h"
#include "Modules/Window/Window/VLNSWindowMouseEventDelegate.h"
#include "Platform/WindowServer/VLWSWindowLevel.h"

#include <memory>

class VLWSEventMonitor;

// The level of "widget" windows, just above the desktop's icons.
inline constexpr int32_t VLNSWindowWidgetLevel = VLWSDesktopIconWindowLevel + 1;

// The engine's window for "desktop", "widget", "panel" and untyped windows. Besides what it shares with
// the panel, it becomes key and main at the widget level although borderless, and, while it has a mouse
// delegate, it reports pointer moves and takes the presses that land on the desktop's own windows over
// its frame: a window below the desktop's icons would otherwise never see a click.
//
// Main thread only.
class VLNSWindow : public VLNSWindowCommon<VLWSWindow> {
public:
    VLNSWindow(VLRect contentRect, uint64_t styleMask);
    ~VLNSWindow() override;

    bool canBecomeKeyWindow() const override;
    bool canBecomeMainWindow() const override;

    std::shared_ptr<VLNSWindowMouseEventDelegate> mouseEventDelegate() const {
        return _mouseEventDelegate.lock();
    }
    // Held weakly. With a delegate the window accepts mouse-moved events and watches the desktop's
    // presses; without one it does neither.
    void setMouseEventDelegate(std::weak_ptr<VLNSWindowMouseEventDelegate> delegate);

    // Tells the mouse delegate "mousemove".
    void mouseMoved(const VLWSEvent& event) override;

    // A press, release or move that went to another process's window at the desktop reaches this window
    // at the same screen point when it lies inside the frame.
    void _forwardDesktopMouseEvent(const VLWSEvent& event);

private:
    void removeDesktopMonitors();

    std::weak_ptr<VLNSWindowMouseEventDelegate> _mouseEventDelegate;
    // The window server keeps the monitors until they are removed.
    std::weak_ptr<VLWSEventMonitor> _globalMonitor;
    std::weak_ptr<VLWSEventMonitor> _localMonitor;
};
