#pragma once

#include "Platform/Foundation/VLRect.h"

#include <cmath>

// What the window server takes as a size or a frame: finite, and no side negative.
inline bool VLWSIsValidSize(VLSize size) {
    return std::isfinite(size.width) && std::isfinite(size.height) && size.width >= 0 && size.height >= 0;
}

inline bool VLWSIsValidFrame(const VLRect& frame) {
    return frame.isFinite() && VLWSIsValidSize(frame.size);
}
