#include "Modules/Window/Window/VLDesktopWindowNumberCache.h"

#include "Platform/WindowServer/VLWSWindowLevel.h"
#include "Platform/WindowServer/VLWindowServer.h"

namespace {

bool liesAtDesktop(int64_t windowNumber) {
    const auto entries =
        VLWindowServer::shared()->snapshot()->windowList(VLWSWindowListOptionIncludingWindow, windowNumber);
    return !entries.empty() && entries.front().level <= VLWSWindowLevelForKey(VLWSDesktopIconWindowLevelKey);
}

} // namespace

VLDesktopWindowNumberCache& VLDesktopWindowNumberCache::shared() {
    static VLDesktopWindowNumberCache cache;
    return cache;
}

bool VLDesktopWindowNumberCache::isDesktopWindowNumber(int64_t windowNumber) {
    if (auto known = _answers.find(windowNumber); known != _answers.end())
        return known->second;
    const bool answer = liesAtDesktop(windowNumber);
    if (_answers.size() >= capacity)
        _answers.clear();
    _answers.emplace(windowNumber, answer);
    return answer;
}

bool VLIsDesktopWindowNumber(int64_t windowNumber) {
    return VLDesktopWindowNumberCache::shared().isDesktopWindowNumber(windowNumber);
}
