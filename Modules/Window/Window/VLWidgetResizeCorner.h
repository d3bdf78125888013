#pragma once

#include "Platform/Foundation/VLRect.h"

#include <memory>

class VLWindow;
class VLWSEventMonitor;
class VLWSTrackingArea;
class VLWSWindow;
class VLWidgetResizeHintView;

// The resize corner of a widget window that the user may resize, and its hint: a small window beside
// the corner that shows a second after the pointer came over the widget. The pointer may leave the
// window for the hint's corner without the hint going away. Part of its window; main thread only.
class VLWidgetResizeCorner final {
public:
    explicit VLWidgetResizeCorner(VLWindow& owner) : _owner(owner) {}

    // The hint, its window and the widget's hover tracking area, for the owner's platform window.
    void setUp();
    // Takes them away from the platform window again.
    void release(VLWSWindow& window);

    const std::shared_ptr<VLWSWindow>& hintWindow() const { return _hintWindow; }
    const std::shared_ptr<VLWSTrackingArea>& hoverTrackingArea() const { return _hoverTrackingArea; }

    // Whether the pointer is over the widget, as the hover tracking area or the pass-through saw it.
    void pointerIsOver(bool over);
    void updateEmphasis();
    void hide();
    // Follows the window's frame and corner while the hint shows.
    void layout();

private:
    friend class VLWindow;

    bool pointerAtCorner() const;
    // Whether the pointer lies within reach of the window's bottom-right corner.
    bool pointerNearCorner() const;
    void watchPointerAtCorner(bool watch);
    void pointerMovedAtCorner();
    void show();
    void measureCorner();
    void place();

    VLWindow& _owner;
    std::shared_ptr<VLWidgetResizeHintView> _hint;
    std::shared_ptr<VLWSWindow> _hintWindow;
    std::shared_ptr<VLWSTrackingArea> _hoverTrackingArea;
    bool _pointerOver = false;
    std::shared_ptr<VLWSEventMonitor> _globalMonitor, _localMonitor;
    VLSize _inset; // of the widget's opaque corner from the window's, in points
    double _cornerRadius = 0;
};
