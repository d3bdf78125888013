#include "Modules/Window/Window/Geometry/VLScreenChoice.h"

#include <cmath>

std::optional<VLWSScreen> VLScreenChoice::containing(const std::vector<VLWSScreen>& screens, VLPoint point) {
    for (const VLWSScreen& screen : screens)
        if (VLPointInRect(point, screen.frame))
            return screen;
    return std::nullopt;
}

std::optional<VLWSScreen> VLScreenChoice::underPointer(const std::vector<VLWSScreen>& screens,
                                                       VLPoint location) {
    for (const VLWSScreen& screen : screens)
        if (VLMouseInRect(location, screen.frame, false))
            return screen;
    return std::nullopt;
}

std::optional<VLWSScreen> VLScreenChoice::forFrame(const std::vector<VLWSScreen>& screens,
                                                   const VLRect& frame,
                                                   const std::optional<VLWSScreen>& current) {
    if (!frame.isFinite())
        return std::nullopt;
    const VLPoint centre{frame.midX(), frame.midY()};
    if (std::optional<VLWSScreen> screen = containing(screens, centre))
        return screen;
    if (current)
        return current;
    const VLWSScreen* nearest = nullptr;
    double nearestDistance = INFINITY;
    for (const VLWSScreen& screen : screens) {
        const double distance = std::hypot(screen.frame.midX() - centre.x, screen.frame.midY() - centre.y);
        if (!nearest || distance < nearestDistance) {
            nearest = &screen;
            nearestDistance = distance;
        }
    }
    return nearest ? std::optional<VLWSScreen>(*nearest) : std::nullopt;
}
