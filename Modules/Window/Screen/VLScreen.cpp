#include "Modules/Window/Screen/VLScreen.h"

#include "Core/Launcher/VLManager.h"
#include "Modules/Window/Screen/VLScreenManager.h"
#include "Platform/WindowServer/VLWindowServer.h"

#include <algorithm>

template <typename Value, typename Read>
Value VLScreen::read(Read read, Value absent) const {
    const std::shared_ptr<const VLWSSnapshot> snapshot = VLWindowServer::shared()->snapshot();
    const VLWSScreen* display = snapshot->display(_displayId);
    return display ? read(*snapshot, *display) : absent;
}

uint32_t VLScreen::identifier() const {
    const VLManager::DisplayIdentifierProvider provider = VLManager::displayIdentifierProvider();
    return provider ? provider(_displayId) : _displayId;
}

bool VLScreen::isActive() const {
    return read([](const VLWSSnapshot&, const VLWSScreen& display) { return display.isActive; }, false);
}

bool VLScreen::isAsleep() const {
    return read([](const VLWSSnapshot&, const VLWSScreen& display) { return display.isAsleep; }, false);
}

bool VLScreen::isOnline() const {
    return read([](const VLWSSnapshot&, const VLWSScreen& display) { return display.isOnline; }, false);
}

bool VLScreen::isMain() const {
    return read([](const VLWSSnapshot&, const VLWSScreen& display) { return display.isMain; }, false);
}

bool VLScreen::isBuiltin() const {
    return read([](const VLWSSnapshot&, const VLWSScreen& display) { return display.isBuiltin; }, false);
}

bool VLScreen::isInMirrorSet() const {
    return read(
        [](const VLWSSnapshot& snapshot, const VLWSScreen& display) {
            return display.mirrorOf != 0 ||
                   std::any_of(snapshot.displays().begin(), snapshot.displays().end(),
                               [&](const VLWSScreen& other) { return other.mirrorOf == display.displayID; });
        },
        false);
}

VLRect VLScreen::bounds() const {
    return read([this](const VLWSSnapshot& snapshot,
                       const VLWSScreen&) { return snapshot.displayBounds(_displayId); },
                VLRectZero);
}

VLRect VLScreen::visibleFrame() const {
    return VLScreenManager::sharedInstance()->visibleFrameOfDisplay(_displayId);
}

VLSize VLScreen::resolution() const {
    return read(
        [](const VLWSSnapshot&, const VLWSScreen& display) {
            if (display.modePixelSize)
                return *display.modePixelSize;
            const double scale = display.backingScaleFactor;
            return VLSize{display.frame.width() * scale, display.frame.height() * scale};
        },
        VLSize{});
}

VLSize VLScreen::physicalSize() const {
    return read([](const VLWSSnapshot&, const VLWSScreen& display) { return display.physicalSize; },
                VLSize{});
}
