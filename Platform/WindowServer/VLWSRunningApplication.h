#pragma once

#include <string>
#include <sys/types.h>

// An application running on the machine, as the workspace describes it. A value.
struct VLWSRunningApplication {
    pid_t processIdentifier = 0;
    std::string bundleIdentifier = {};
    std::string localizedName = {};
    bool isHidden = false;

    friend bool operator==(const VLWSRunningApplication&, const VLWSRunningApplication&) = default;
};

// Posted on the default centre by the window server's workspace, on the main thread, with no object and
// the application (a VLWSRunningApplication) under VLWSWorkspaceApplicationKey, except the space change
// and the machine's sleep and wake, which carry nothing.
inline constexpr const char* VLWSWorkspaceDidActivateApplicationNotification =
    "VLWSWorkspaceDidActivateApplicationNotification";
inline constexpr const char* VLWSWorkspaceDidLaunchApplicationNotification =
    "VLWSWorkspaceDidLaunchApplicationNotification";
inline constexpr const char* VLWSWorkspaceDidTerminateApplicationNotification =
    "VLWSWorkspaceDidTerminateApplicationNotification";
inline constexpr const char* VLWSWorkspaceDidHideApplicationNotification =
    "VLWSWorkspaceDidHideApplicationNotification";
inline constexpr const char* VLWSWorkspaceDidUnhideApplicationNotification =
    "VLWSWorkspaceDidUnhideApplicationNotification";
inline constexpr const char* VLWSWorkspaceActiveSpaceDidChangeNotification =
    "VLWSWorkspaceActiveSpaceDidChangeNotification";
inline constexpr const char* VLWSWorkspaceWillSleepNotification = "VLWSWorkspaceWillSleepNotification";
inline constexpr const char* VLWSWorkspaceDidWakeNotification = "VLWSWorkspaceDidWakeNotification";
inline constexpr const char* VLWSWorkspaceApplicationKey = "VLWSWorkspaceApplicationKey";
