#include "Supports/WindowList/VLWindowListReader.h"

#include "Platform/Foundation/VLClock.h"
#include "Platform/WindowServer/VLWSSnapshot.h"
#include "Platform/WindowServer/VLWSWindowLevel.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

constexpr size_t kWindowListMaxDisplays = 16;
constexpr double kWindowListMinimumSide = 40;
constexpr double kWindowListMinimumAlpha = 0.5;
// How far below a display's top a full-screen window's top may start (a split view's title strip).
constexpr double kWindowListFullScreenTopSlack = 60;
constexpr double kUnknownProcessRecheck = 5.0;

bool isSystemUIBundleIdentifier(std::string_view bundleIdentifier) {
    static constexpr std::array<std::string_view, 8> identifiers = {
        "com.apple.dock",
        "com.apple.WindowManager",
        "com.apple.controlcenter",
        "com.apple.notificationcenterui",
        "com.apple.Spotlight",
        "com.apple.systemuiserver",
        "com.apple.screencaptureui",
        "com.apple.TextInputMenuAgent",
    };
    return std::find(identifiers.begin(), identifiers.end(), bundleIdentifier) != identifiers.end();
}

struct WindowListDisplay {
    VLRect bounds;
    bool desktopShown = false;
};

struct WindowListKept {
    uint32_t windowID;
    VLRect bounds;
    pid_t ownerPID;
    bool floating;
};

bool fillsDisplayLikeFullScreen(const VLRect& window, const std::vector<WindowListDisplay>& displays) {
    return std::any_of(displays.begin(), displays.end(), [&](const WindowListDisplay& display) {
        const VLRect& screen = display.bounds;
        return !display.desktopShown && window.minX() >= screen.minX() && window.maxX() <= screen.maxX() &&
               window.maxY() == screen.maxY() && window.minY() >= screen.minY() &&
               window.minY() - screen.minY() <= kWindowListFullScreenTopSlack;
    });
}

} // namespace

std::optional<std::vector<VLWindowListEntry>> VLWindowListReader::read(const VLWSSnapshot& snapshot,
                                                                       pid_t ownPID,
                                                                       const std::set<pid_t>& related,
                                                                       Translucency* translucency) {
    std::vector<WindowListDisplay> displays;
    for (const auto& screen : snapshot.screens()) {
        if (displays.size() == kWindowListMaxDisplays)
            break;
        displays.push_back({snapshot.flip(screen.frame)});
    }
    const pid_t frontmost = snapshot.frontmostProcessIdentifier();
    const int32_t normal = VLWSWindowLevelForKey(VLWSNormalWindowLevelKey);
    const int32_t dock = VLWSWindowLevelForKey(VLWSDockWindowLevelKey);
    const int32_t desktopIcon = VLWSWindowLevelForKey(VLWSDesktopIconWindowLevelKey);

    std::vector<WindowListKept> kept;
    for (const auto& window : snapshot.windowList(VLWSWindowListOptionOnScreenOnly)) {
        const VLRect& bounds = window.bounds;
        if (!bounds.isFinite())
            continue;
        if (window.level == desktopIcon) {
            for (auto& display : displays)
                display.desktopShown = display.desktopShown || display.bounds == bounds;
            continue;
        }
        if (window.level == dock) {
            const bool coversDisplay =
                std::any_of(displays.begin(), displays.end(),
                            [&](const auto& display) { return bounds.contains(display.bounds); });
            if (coversDisplay && isSystemProcess(snapshot, window.ownerPID))
                return std::nullopt;
            continue;
        }
        if (window.level < normal || window.level >= dock || window.ownerPID == ownPID)
            continue;
        if (related.contains(window.ownerPID) || bounds.width() < kWindowListMinimumSide ||
            bounds.height() < kWindowListMinimumSide)
            continue;
        const uint32_t windowID = uint32_t(window.number);
        if (window.alpha > 0 && window.alpha < 1 && translucency)
            (*translucency)[windowID] = window.alpha;
        if (window.alpha < kWindowListMinimumAlpha)
            continue;
        const bool floating = window.level > normal;
        if (floating && isSystemProcess(snapshot, window.ownerPID))
            continue;
        kept.push_back({windowID, bounds, window.ownerPID, floating});
    }

    std::vector<VLWindowListEntry> entries;
    entries.reserve(kept.size());
    for (const auto& window : kept)
        entries.emplace_back(window.windowID, window.bounds, window.ownerPID == frontmost,
                             !window.floating && fillsDisplayLikeFullScreen(window.bounds, displays),
                             window.floating);
    return entries;
}

bool VLWindowListReader::isSystemProcess(const VLWSSnapshot& snapshot, pid_t processIdentifier) {
    const double now = VLClock::shared()->seconds();
    std::lock_guard lock(_lock);
    if (auto cached = _systemProcesses.find(processIdentifier); cached != _systemProcesses.end())
        return cached->second;
    if (auto unknown = _unknownProcesses.find(processIdentifier);
        unknown != _unknownProcesses.end() && now - unknown->second < kUnknownProcessRecheck)
        return true;
    const std::string bundleIdentifier = snapshot.bundleIdentifier(processIdentifier);
    if (bundleIdentifier.empty()) {
        _unknownProcesses[processIdentifier] = now;
        return true;
    }
    const bool system = isSystemUIBundleIdentifier(bundleIdentifier);
    _systemProcesses[processIdentifier] = system;
    return system;
}

void VLWindowListReader::forgetUnknownProcess(pid_t processIdentifier) {
    std::lock_guard lock(_lock);
    _unknownProcesses.erase(processIdentifier);
}

void VLWindowListReader::forgetProcess(pid_t processIdentifier) {
    std::lock_guard lock(_lock);
    _unknownProcesses.erase(processIdentifier);
    _systemProcesses.erase(processIdentifier);
}

void VLWindowListReader::forgetAll() {
    std::lock_guard lock(_lock);
    _unknownProcesses.clear();
    _systemProcesses.clear();
}
