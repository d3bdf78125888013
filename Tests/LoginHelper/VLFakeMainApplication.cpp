#include "Tests/LoginHelper/VLFakeMainApplication.h"

#include <fstream>

namespace {

void write(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

} // namespace

VLFakeMainApplication::VLFakeMainApplication(const std::filesystem::path& root, const std::string& folderName)
    : _root(root), _folder(root / folderName),
      _helper(_folder / "Contents/Library/LoginItems/Velto_Helper/Velto_Helper") {
    copyHelper(_helper);
    const std::filesystem::path recorder = root / "record-launch";
    write(recorder,
          "#!/bin/sh\n"
          "printf '%s %s %s\\n' \"login-item=${VELTO_LAUNCHED_AS_LOGIN_ITEM-unset}\" "
          "\"startup-id=${DESKTOP_STARTUP_ID-unset}\" \"activation-token=${XDG_ACTIVATION_TOKEN-unset}\" "
          ">> \"$(dirname \"$0\")/launches\"\n");
    std::filesystem::permissions(recorder, std::filesystem::perms::owner_all);
    write(desktopEntry(),
          "[Desktop Entry]\nType=Application\nName=Velto\nExec=\"" + recorder.string() + "\"\n");
}

std::vector<std::string> VLFakeMainApplication::takeLaunches() const {
    std::vector<std::string> launches;
    std::ifstream record(_root / "launches");
    for (std::string line; std::getline(record, line);)
        launches.push_back(line);
    std::filesystem::remove(_root / "launches");
    return launches;
}

void VLFakeMainApplication::copyHelper(const std::filesystem::path& destination) {
    std::filesystem::create_directories(destination.parent_path());
    std::filesystem::copy_file(VELTO_HELPER, destination, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(destination, std::filesystem::perms::owner_all);
}
