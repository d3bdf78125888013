#pragma once

#include "Platform/WindowServer/VLWSRunningApplication.h"
#include "Platform/WindowServer/VLWSScreen.h"
#include "Platform/WindowServer/VLWSWindowListEntry.h"

#include <optional>
#include <string>
#include <vector>

// The displays, the window list and the running applications as the main thread last published them,
// for readers on any thread. Immutable.
class VLWSSnapshot final {
public:
    // `displays` holds the primary first; `windows` the on-screen windows front to back, then the others,
    // with their frames in global coordinates (y up), which become top-left bounds here.
    VLWSSnapshot(std::vector<VLWSScreen> displays, std::optional<std::vector<uint32_t>> onlineDisplays,
                 std::vector<VLWSWindowListEntry> windows,
                 std::vector<VLWSRunningApplication> applications = {}, pid_t frontmostPID = 0);

    // Every display, mirrors included, the primary first.
    const std::vector<VLWSScreen>& displays() const { return _displays; }
    // The screens windows can be on: online, active and mirroring nothing, the primary first.
    const std::vector<VLWSScreen>& screens() const { return _screens; }
    const VLWSScreen* display(uint32_t displayID) const;
    // The primary's id; 0 without displays.
    uint32_t mainDisplayID() const;
    // In the order set; nullopt when reading it fails.
    const std::optional<std::vector<uint32_t>>& onlineDisplays() const { return _onlineDisplays; }

    // Between global coordinates (y up) and top-left global coordinates (y down), either way: y becomes
    // H − y − height, H being the primary screen's height (0 without screens).
    VLRect flip(const VLRect& rect) const;
    // The display's frame in top-left global coordinates; the zero rectangle for an unknown display.
    VLRect displayBounds(uint32_t displayID) const;

    // Every window without a copy: the on-screen ones front to back, then the others.
    const std::vector<VLWSWindowListEntry>& windows() const { return _windows; }
    // Front to back. IncludingWindow gives that window alone (nothing when unknown).
    std::vector<VLWSWindowListEntry> windowList(uint32_t options, int64_t windowNumber = 0) const;
    // The windows named, in the order asked; unknown numbers are skipped.
    std::vector<VLWSWindowListEntry> windowDescriptions(const std::vector<int64_t>& windowNumbers) const;

    // The running applications, this process first; the frontmost one's pid, 0 for none.
    const std::vector<VLWSRunningApplication>& runningApplications() const { return _applications; }
    pid_t frontmostProcessIdentifier() const { return _frontmostPID; }
    // Empty for a process without one, and for one that is not running.
    std::string bundleIdentifier(pid_t processIdentifier) const;

private:
    const VLWSWindowListEntry* entry(int64_t windowNumber) const;

    std::vector<VLWSScreen> _displays;
    std::vector<VLWSScreen> _screens;
    std::optional<std::vector<uint32_t>> _onlineDisplays;
    std::vector<VLWSWindowListEntry> _windows;
    std::vector<VLWSRunningApplication> _applications;
    pid_t _frontmostPID = 0;
};
