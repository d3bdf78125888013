#include "Platform/WindowServer/VLWSSnapshot.h"

#include <algorithm>

VLWSSnapshot::VLWSSnapshot(std::vector<VLWSScreen> displays,
                           std::optional<std::vector<uint32_t>> onlineDisplays,
                           std::vector<VLWSWindowListEntry> windows,
                           std::vector<VLWSRunningApplication> applications, pid_t frontmostPID)
    : _displays(std::move(displays)), _onlineDisplays(std::move(onlineDisplays)),
      _windows(std::move(windows)), _applications(std::move(applications)), _frontmostPID(frontmostPID) {
    for (const auto& display : _displays)
        if (display.isOnline && display.isActive && display.mirrorOf == 0)
            _screens.push_back(display);
    for (auto& window : _windows)
        window.bounds = flip(window.bounds);
}

const VLWSScreen* VLWSSnapshot::display(uint32_t displayID) const {
    auto found = std::find_if(_displays.begin(), _displays.end(),
                              [&](const VLWSScreen& display) { return display.displayID == displayID; });
    return found == _displays.end() ? nullptr : &*found;
}

uint32_t VLWSSnapshot::mainDisplayID() const {
    return _displays.empty() ? 0 : _displays.front().displayID;
}

VLRect VLWSSnapshot::flip(const VLRect& rect) const {
    const double height = _screens.empty() ? 0 : _screens.front().frame.maxY();
    return {rect.origin.x, height - rect.origin.y - rect.size.height, rect.size.width, rect.size.height};
}

VLRect VLWSSnapshot::displayBounds(uint32_t displayID) const {
    const VLWSScreen* found = display(displayID);
    return found ? flip(found->frame) : VLRectZero;
}

std::vector<VLWSWindowListEntry> VLWSSnapshot::windowList(uint32_t options, int64_t windowNumber) const {
    if (options & VLWSWindowListOptionIncludingWindow) {
        const VLWSWindowListEntry* found = entry(windowNumber);
        return found ? std::vector<VLWSWindowListEntry>{*found} : std::vector<VLWSWindowListEntry>{};
    }
    if (!(options & VLWSWindowListOptionOnScreenOnly))
        return _windows;
    std::vector<VLWSWindowListEntry> onScreen;
    std::copy_if(_windows.begin(), _windows.end(), std::back_inserter(onScreen),
                 [](const VLWSWindowListEntry& window) { return window.isOnScreen; });
    return onScreen;
}

std::vector<VLWSWindowListEntry>
VLWSSnapshot::windowDescriptions(const std::vector<int64_t>& windowNumbers) const {
    std::vector<VLWSWindowListEntry> descriptions;
    for (int64_t number : windowNumbers)
        if (const VLWSWindowListEntry* found = entry(number))
            descriptions.push_back(*found);
    return descriptions;
}

const VLWSWindowListEntry* VLWSSnapshot::entry(int64_t windowNumber) const {
    auto found = std::find_if(_windows.begin(), _windows.end(), [&](const VLWSWindowListEntry& window) {
        return window.number == windowNumber;
    });
    return found == _windows.end() ? nullptr : &*found;
}

std::string VLWSSnapshot::bundleIdentifier(pid_t processIdentifier) const {
    auto found = std::find_if(_applications.begin(), _applications.end(), [&](const auto& application) {
        return application.processIdentifier == processIdentifier;
    });
    return found == _applications.end() ? std::string() : found->bundleIdentifier;
}
