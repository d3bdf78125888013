#pragma once

#include <glib.h>

#include <string>

// Where the helper lives: its executable, the folder that holds it (the helper's bundle) and, four
// folders up, the main application's folder. An installation places the helper at
// <main>/Contents/Library/LoginItems/Velto_Helper/Velto_Helper.
class VLHelperBundle {
public:
    // The real path of the running executable; empty, with the error set, when it can't be read.
    static std::string executablePath(GError** error);
    // The folder that holds the executable.
    static std::string bundlePath(const std::string& executablePath);
    // The bundle's path less its last four components. A helper fewer than four levels deep gets the
    // root, where no main application is found.
    static std::string mainApplicationPath(const std::string& bundlePath);

private:
    // The parent of a normalised absolute path; the root is its own parent.
    static std::string deletingLastPathComponent(const std::string& path);
};
