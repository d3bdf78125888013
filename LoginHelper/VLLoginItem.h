#pragma once

#include <glib.h>

#include <string>

// The login item: an XDG autostart entry through which the desktop session runs the helper at login.
// The main application adds or removes it when the user turns opening at login on or off.
class VLLoginItem {
public:
    static constexpr const char* entryName = "app.velto.mac.helper.desktop";

    // Writes the entry that runs the helper at the path, atomically, making its folder when needed.
    static bool add(const std::string& helperPath, GError** error);
    // Removes the entry; one that doesn't exist is no failure.
    static bool remove(GError** error);
    // The path as the one argument of a desktop entry's Exec line, before the key file's own escaping:
    // in double quotes with ", `, $ and \ escaped when any character needs it, and % doubled.
    static std::string execArgument(const std::string& path);

private:
    static std::string folderPath();
    static std::string entryPath();
    static std::string entryText(const std::string& helperPath);
};
