#pragma once

#include <filesystem>
#include <string>

// A new, empty directory under the system's temporary directory for one test, removed with everything
// in it when the object goes.
class VLTemporaryDirectory {
public:
    explicit VLTemporaryDirectory(const std::string& prefix = "velto-test");
    ~VLTemporaryDirectory();
    VLTemporaryDirectory(const VLTemporaryDirectory&) = delete;
    VLTemporaryDirectory& operator=(const VLTemporaryDirectory&) = delete;

    const std::filesystem::path& path() const { return _path; }
    std::filesystem::path operator/(const std::filesystem::path& relative) const { return _path / relative; }

private:
    std::filesystem::path _path;
};
