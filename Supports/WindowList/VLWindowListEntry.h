#pragma once

#include "Platform/Foundation/VLRect.h"

#include <cstddef>
#include <cstdint>
#include <string>

// One window of another application as the window list monitor publishes it. An immutable value.
class VLWindowListEntry final {
public:
    // `frame` in global display coordinates: points, origin at the main display's top-left corner, y down.
    VLWindowListEntry(uint32_t windowID, VLRect frame, bool isActiveApp, bool isFullScreen, bool isFloating)
        : _windowID(windowID), _frame(frame), _isActiveApp(isActiveApp), _isFullScreen(isFullScreen),
          _isFloating(isFloating) {}

    uint32_t windowID() const { return _windowID; }
    const VLRect& frame() const { return _frame; }
    // Its application was frontmost when the list was read.
    bool isActiveApp() const { return _isActiveApp; }
    bool isFullScreen() const { return _isFullScreen; }
    // Above the normal window level.
    bool isFloating() const { return _isFloating; }

    // The same entry with another frame.
    VLWindowListEntry withFrame(VLRect frame) const;

    size_t hash() const;
    std::string description() const;

    friend bool operator==(const VLWindowListEntry&, const VLWindowListEntry&) = default;

private:
    uint32_t _windowID;
    VLRect _frame;
    bool _isActiveApp;
    bool _isFullScreen;
    bool _isFloating;
};
