#pragma once

#include "Platform/Foundation/VLPoint.h"
#include "Platform/WindowServer/VLWSEvent.h"

#include <memory>
#include <vector>

class VLWSTrackingArea;
class VLWSView;
class VLWSWindow;

// Which tracking areas the pointer is in, and the entered, exited and moved events that its travels
// give their owners. Only areas that are always active count; an area of a view that is hidden, or of a
// window that does not take the pointer, holds nothing.
//
// Main thread only.
class VLWSTracking final {
public:
    struct Crossing {
        std::shared_ptr<VLWSTrackingArea> area;
        std::shared_ptr<VLWSWindow> window;
        VLWSEventType type;
    };

    // The pointer is at `screenLocation` over `window` (nullptr when no window of ours takes it). Answers
    // what to deliver: exits (the innermost first), then entries (the outermost first), then, when the
    // pointer `moved` without a button, moves.
    std::vector<Crossing> update(const std::shared_ptr<VLWSWindow>& window, VLPoint screenLocation,
                                 bool moved);

private:
    struct Inside {
        std::weak_ptr<VLWSTrackingArea> area;
        std::weak_ptr<VLWSWindow> window;
    };

    // The window's active areas holding the point (window coordinates), outer views first.
    static std::vector<std::shared_ptr<VLWSTrackingArea>> areasAt(VLWSWindow& window, VLPoint point);
    static void collect(VLWSView& view, VLPoint point, std::vector<std::shared_ptr<VLWSTrackingArea>>& areas);

    std::vector<Inside> _inside; // in the order entered
};
