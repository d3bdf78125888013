#pragma once

#include <filesystem>
#include <string>
#include <vector>

// A main application's folder as an installation lays it out, with a copy of the built helper at
// Contents/Library/LoginItems/Velto_Helper/Velto_Helper and a desktop entry whose program records each
// launch: one line in the file "launches" beside the application's folder, with the variables that tell
// how it was started.
class VLFakeMainApplication {
public:
    // The application in the named folder of the root; the folder name may hold any character.
    VLFakeMainApplication(const std::filesystem::path& root, const std::string& folderName);

    static constexpr const char* loginLaunch = "login-item=1 startup-id=unset activation-token=unset";

    const std::filesystem::path& folder() const { return _folder; }
    const std::filesystem::path& helper() const { return _helper; }
    std::filesystem::path desktopEntry() const { return _folder / "app.velto.mac.desktop"; }
    // The recorded launches, oldest first; taking them starts the record anew.
    std::vector<std::string> takeLaunches() const;

    // Puts a copy of the built helper at the path, making its folders.
    static void copyHelper(const std::filesystem::path& destination);

private:
    std::filesystem::path _root;
    std::filesystem::path _folder;
    std::filesystem::path _helper;
};
