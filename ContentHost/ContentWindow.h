#pragma once

#include "Platform/Foundation/VLRect.h"
#include "Platform/Foundation/VLValue.h"

#include <cstdint>
#include <optional>
#include <string_view>

class VLWSWindow;

// What the main application hears of one window of a runtime. A record read off the window server on
// the main thread, then a plain value.
struct ContentWindow {
    enum class Kind { Desktop, Widget, Overlay, Panel };

    int64_t number = 0;
    Kind kind = Kind::Widget;
    bool isWidgetWindow = false;
    // Screen coordinates.
    VLRect frame;
    VLRect contentFrame;
    // The display number of the window's screen; nothing without a screen.
    std::optional<uint32_t> displayId;
    double backingScaleFactor = 1;
    int32_t level = 0;
    bool isVisible = false;
    bool isUncovered = false;
    bool inLiveResize = false;

    // Main thread. At or below the desktop level a window is "desktop"; above it a panel is "overlay",
    // any other titled window "panel" and the rest "widget".
    static ContentWindow of(const VLWSWindow& window, bool isWidgetWindow);
    static std::string_view kindName(Kind kind);

    VLDictionary dictionary() const;
};
