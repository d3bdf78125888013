#pragma once

#include "LoginHelper/VLGLibPointer.h"

#include <gio/gdesktopappinfo.h>

#include <string>

// The main application as the helper sees it: running while it owns its identifier on the session bus,
// as a single-instance desktop application does; opened through the desktop entry in its folder.
class VLMainApplication {
public:
    static constexpr const char* bundleIdentifier = "app.velto.mac";
    static constexpr const char* desktopEntryName = "app.velto.mac.desktop";
    static constexpr const char* launchedAsLoginItemVariable = "VELTO_LAUNCHED_AS_LOGIN_ITEM";

    // Whether the session bus has an owner for the identifier, exactly that name. Without a session
    // bus the application can't be running.
    static bool isRunning();
    // Starts the application in the folder, marked as launched at login and not brought to the front,
    // without waiting for it. False, with the error set, when it can't be started.
    static bool open(const std::string& applicationPath, GError** error);

private:
    static VLGObjectPointer<GDesktopAppInfo> desktopEntry(const std::string& path, GError** error);
    static VLGObjectPointer<GAppLaunchContext> launchContext();
};
