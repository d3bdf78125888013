#include "Supports/WindowList/VLWindowListReader.h"

#include "Platform/Foundation/VLClock.h"
#include "Platform/WindowServer/VLWSSnapshot.h"
#include "Platform/WindowServer/VLWSWindowLevel.h"

#include <algorithm>
#include <array>
#include <cmath>
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

// A rectangle by its edges, worked out once.
struct WindowListEdges {
    double minX, minY, maxX, maxY;

    explicit WindowListEdges(const VLRect& rect)
        : minX(std::min(rect.origin.x, rect.origin.x + rect.size.width)),
          minY(std::min(rect.origin.y, rect.origin.y + rect.size.height)),
          maxX(std::max(rect.origin.x, rect.origin.x + rect.size.width)),
          maxY(std::max(rect.origin.y, rect.origin.y + rect.size.height)) {}
    double width() const { return maxX - minX; }
    double height() const { return maxY - minY; }
    bool contains(const WindowListEdges& other) const {
        return minX <= other.minX && minY <= other.minY && other.maxX <= maxX && other.maxY <= maxY;
    }
};

struct WindowListDisplay {
    VLRect bounds;
    WindowListEdges edges;
    bool desktopShown = false;
};

struct WindowListKept {
    uint32_t windowID;
    VLRect bounds;
    pid_t ownerPID;
    bool floating;
};

bool fillsDisplayLikeFullScreen(const VLRect& bounds, const std::vector<WindowListDisplay>& displays) {
    const WindowListEdges window(bounds);
    return std::any_of(displays.begin(), displays.end(), [&](const WindowListDisplay& display) {
        const WindowListEdges& screen = display.edges;
        return !display.desktopShown && window.minX >= screen.minX && window.maxX <= screen.maxX &&
               window.maxY == screen.maxY && window.minY >= screen.minY &&
               window.minY - screen.minY <= kWindowListFullScreenTopSlack;
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
        const VLRect bounds = snapshot.flip(screen.frame);
        displays.push_back({bounds, WindowListEdges(bounds)});
    }
    const pid_t frontmost = snapshot.frontmostProcessIdentifier();
    const int32_t normal = VLWSWindowLevelForKey(VLWSNormalWindowLevelKey);
    const int32_t dock = VLWSWindowLevelForKey(VLWSDockWindowLevelKey);
    const int32_t desktopIcon = VLWSWindowLevelForKey(VLWSDesktopIconWindowLevelKey);

    std::vector<WindowListKept> kept;
    kept.reserve(snapshot.windows().size());
    for (const auto& window : snapshot.windows()) {
        if (!window.isOnScreen)
            continue;
        const VLRect& bounds = window.bounds;
        if (!std::isfinite(bounds.origin.x) || !std::isfinite(bounds.origin.y) ||
            !std::isfinite(bounds.size.width) || !std::isfinite(bounds.size.height))
            continue;
        if (window.level == desktopIcon) {
            for (auto& display : displays)
                display.desktopShown = display.desktopShown || display.bounds == bounds;
            continue;
        }
        const WindowListEdges edges(bounds);
        if (window.level == dock) {
            const bool coversDisplay =
                std::any_of(displays.begin(), displays.end(),
                            [&](const auto& display) { return edges.contains(display.edges); });
            if (coversDisplay && isSystemProcess(snapshot, window.ownerPID))
                return std::nullopt;
            continue;
        }
        if (window.level < normal || window.level >= dock || window.ownerPID == ownPID)
            continue;
        if ((!related.empty() && related.contains(window.ownerPID)) ||
            edges.width() < kWindowListMinimumSide || edges.height() < kWindowListMinimumSide)
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
    std::lock_guard lock(_lock);
    if (auto cached = _systemProcesses.find(processIdentifier); cached != _systemProcesses.end())
        return cached->second;
    const double now = VLClock::shared()->seconds();
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
