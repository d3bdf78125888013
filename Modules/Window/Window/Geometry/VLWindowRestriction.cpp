#include "Modules/Window/Window/Geometry/VLWindowRestriction.h"

#include "Modules/Window/Window/Geometry/VLScreenChoice.h"
#include "Platform/WindowServer/VLWSGeometry.h"

#include <algorithm>
#include <cmath>

bool VLWindowRestriction::restricts(const std::optional<std::string>& type, bool restrictsWindows) {
    return type == "widget" || (type == "overlay" && restrictsWindows);
}

VLRect VLWindowRestriction::restrictedFrame(const VLRect& frame, const std::optional<std::string>& type,
                                            bool restrictsWindows, const std::vector<VLWSScreen>& screens) {
    if (!restricts(type, restrictsWindows) || !VLWSIsValidFrame(frame))
        return frame;
    const std::optional<VLWSScreen> screen = VLScreenChoice::forFrame(screens, frame);
    if (!screen)
        return frame;
    const VLRect& screenFrame = screen->frame;
    const VLRect& visible = screen->visibleFrame;
    double width = frame.size.width, height = frame.size.height;
    if (restrictsWindows) {
        const double halfArea = screenFrame.size.width * screenFrame.size.height * 0.5;
        const double area = width * height;
        if (area > halfArea) {
            const double scale = std::sqrt(halfArea / area);
            width = std::floor(width * scale);
            height = std::floor(height * scale);
        }
        width = std::min(width, screenFrame.size.width);
        height = std::min(height, visible.size.height);
    }
    const double top = frame.origin.y + frame.size.height;
    const double visibleTop = visible.origin.y + visible.size.height;
    const double y = (top > visibleTop ? visibleTop : top) - height;
    return {frame.origin.x, y, width, height};
}
