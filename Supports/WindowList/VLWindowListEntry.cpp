#include "Supports/WindowList/VLWindowListEntry.h"

#include "Platform/Foundation/VLStringWithFormat.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Truncates toward zero within the integer range: a window far off screen (or a NaN) would otherwise
// make the conversion undefined.
int64_t windowListTruncated(double value) {
    if (std::isnan(value))
        return 0;
    constexpr double lowest = double(std::numeric_limits<int64_t>::min());
    constexpr double highest = 9223372036854774784.0; // the largest double below 2^63
    return int64_t(std::clamp(value, lowest, highest));
}

} // namespace

VLWindowListEntry VLWindowListEntry::withFrame(VLRect frame) const {
    return VLWindowListEntry(_windowID, frame, _isActiveApp, _isFullScreen, _isFloating);
}

size_t VLWindowListEntry::hash() const {
    const uint64_t x = uint64_t(windowListTruncated(_frame.origin.x));
    const uint64_t y = uint64_t(windowListTruncated(_frame.origin.y));
    return size_t(uint64_t(_windowID) ^ (x << 8) ^ (y << 20));
}

std::string VLWindowListEntry::description() const {
    const std::string frame = VLStringWithFormat("{{%@, %@}, {%@, %@}}", _frame.origin.x, _frame.origin.y,
                                                 _frame.size.width, _frame.size.height);
    return VLStringWithFormat("<%@ %u %@%@%@%@>", "VLWindowListEntry", _windowID, frame,
                              _isActiveApp ? " active" : "", _isFullScreen ? " fullscreen" : "",
                              _isFloating ? " floating" : "");
}
