#include "Platform/WindowServer/VLWSScreen.h"

#include "Platform/WindowServer/VLWSGeometry.h"

#include <cmath>

VLWSScreen VLWSScreen::defaultScreen() {
    VLWSScreen screen;
    screen.isMain = true;
    return screen;
}

std::optional<uint32_t> VLWSScreen::screenNumber() const {
    return hasScreenNumber ? std::optional<uint32_t>(displayID) : std::nullopt;
}

bool VLWSScreen::isValid() const {
    return displayID != 0 && VLWSIsValidFrame(frame) && VLWSIsValidFrame(visibleFrame) &&
           std::isfinite(backingScaleFactor) && backingScaleFactor > 0 && std::isfinite(refreshRate) &&
           refreshRate >= 0 && VLWSIsValidSize(physicalSize) &&
           (!modePixelSize || VLWSIsValidSize(*modePixelSize));
}
