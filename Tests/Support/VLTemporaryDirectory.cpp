#include "Tests/Support/VLTemporaryDirectory.h"

#include <stdexcept>
#include <unistd.h>

VLTemporaryDirectory::VLTemporaryDirectory(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("can't make a temporary directory");
    _path = pattern;
}

VLTemporaryDirectory::~VLTemporaryDirectory() {
    std::error_code error;
    std::filesystem::remove_all(_path, error);
}
