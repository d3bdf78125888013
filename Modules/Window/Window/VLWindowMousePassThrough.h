#pragma once

#include "Platform/Foundation/VLRect.h"

#include <memory>

class VLWindow;
class VLWSEvent;
class VLWSEventMonitor;

// Lets the mouse through a window with a hit region wherever the pointer is outside the region, by
// watching the pointer with event monitors while the window is shown. Part of its window; main thread
// only.
class VLWindowMousePassThrough final {
public:
    explicit VLWindowMousePassThrough(VLWindow& owner) : _owner(owner) {}

    bool hasMonitors() const { return _globalMonitor != nullptr; }
    // Monitors while the window is shown with a hit region, none otherwise.
    void updateMonitors();
    void removeMonitors();
    // `event` is what a monitor saw, nullptr when the region or the frame changed.
    void update(const VLWSEvent* event);

private:
    friend class VLWindow;

    // Whether the window takes the mouse at a point given from its top-left corner, y downwards.
    bool takesMouseAtWindowPoint(VLPoint point) const;
    // The view under the pointer hears a move of its own: the platform sends none to a window that
    // ignored the mouse until now, and the monitors swallow the window's own.
    void sendMouseMovedUnderPointer(const VLWSEvent* cause);

    VLWindow& _owner;
    std::shared_ptr<VLWSEventMonitor> _globalMonitor, _localMonitor;
};
