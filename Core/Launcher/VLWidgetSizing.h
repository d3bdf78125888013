#pragma once

#include "Platform/Foundation/VLPoint.h"
#include "Platform/Foundation/VLSize.h"

#include <optional>

// How the widget window may be sized and placed. A value: the payload and the runtime each keep a
// copy, and a copy equals its original in every property. What zero sizes and a missing place or
// start mean is the widget window's to decide.
class VLWidgetSizing {
public:
    VLWidgetSizing() = default;

    VLSize size() const { return _size; }
    void setSize(VLSize size) { _size = size; }
    VLSize minimumSize() const { return _minimumSize; }
    void setMinimumSize(VLSize size) { _minimumSize = size; }
    VLSize maximumSize() const { return _maximumSize; }
    void setMaximumSize(VLSize size) { _maximumSize = size; }
    bool resizableByUser() const { return _resizableByUser; }
    void setResizableByUser(bool resizable) { _resizableByUser = resizable; }
    bool resizableByContent() const { return _resizableByContent; }
    void setResizableByContent(bool resizable) { _resizableByContent = resizable; }
    VLSize aspectRatio() const { return _aspectRatio; }
    void setAspectRatio(VLSize ratio) { _aspectRatio = ratio; }
    const std::optional<VLPoint>& place() const { return _place; }
    void setPlace(std::optional<VLPoint> place) { _place = place; }
    const std::optional<VLPoint>& start() const { return _start; }
    void setStart(std::optional<VLPoint> start) { _start = start; }

    friend bool operator==(const VLWidgetSizing&, const VLWidgetSizing&) = default;

private:
    VLSize _size;
    VLSize _minimumSize{32, 32};
    VLSize _maximumSize;
    bool _resizableByUser = false;
    bool _resizableByContent = false;
    VLSize _aspectRatio;
    std::optional<VLPoint> _place;
    std::optional<VLPoint> _start;
};
