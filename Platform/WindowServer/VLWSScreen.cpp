#include "Platform/WindowServer/VLWSScreen.h"

#include <cmath>

namespace {

bool isFiniteRect(const VLRect& rect) {
    return rect.isFinite() && rect.size.width >= 0 && rect.size.height >= 0;
}

bool isFiniteSize(const VLSize& size) {
    return std::isfinite(size.width) && std::isfinite(size.height) && size.width >= 0 && size.height >= 0;
}

} // namespace

VLWSScreen VLWSScreen::defaultScreen() {
    VLWSScreen screen;
    screen.isMain = true;
    return screen;
}

std::optional<uint32_t> VLWSScreen::screenNumber() const {
    return hasScreenNumber ? std::optional<uint32_t>(displayID) : std::nullopt;
}

bool VLWSScreen::isValid() const {
    return displayID != 0 && isFiniteRect(frame) && isFiniteRect(visibleFrame) &&
           std::isfinite(backingScaleFactor) && backingScaleFactor > 0 && std::isfinite(refreshRate) &&
           refreshRate >= 0 && isFiniteSize(physicalSize) && (!modePixelSize || isFiniteSize(*modePixelSize));
}
