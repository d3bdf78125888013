#pragma once

#include "Core/Launcher/VLLaunchPayload.h"

#include <string>

// A payload for a package that lies in a local directory: the only kind the engine's own bundle
// provider serves.
class VLLocalPathLaunchPayload : public VLLaunchPayload {
public:
    explicit VLLocalPathLaunchPayload(std::string localPath) : _localPath(std::move(localPath)) {}

    // The absolute path of the package directory.
    const std::string& localPath() const { return _localPath; }
    void setLocalPath(std::string path) { _localPath = std::move(path); }

private:
    std::string _localPath;
};
