#pragma once

#include "Platform/Foundation/VLRect.h"

#include <optional>
#include <vector>

// A window that a left press inside one of some rectangles drags, and that says whether the press being
// handled moves it.
//
// Main thread only.
class VLNSWindowDragRegion {
public:
    virtual ~VLNSWindowDragRegion() = default;
    // In the content view's coordinates (origin at the top-left, y downwards). nullopt: no region, and
    // the window's background decides; an empty region drags from nowhere.
    virtual const std::optional<std::vector<VLRect>>& dragRegion() const = 0;
    virtual void setDragRegion(std::optional<std::vector<VLRect>> region) = 0;
    // Set for each left press before the window handles it.
    virtual bool vl_pressMovesWindow() const = 0;
    virtual void setPressMovesWindow(bool moves) = 0;
};
