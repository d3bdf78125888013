#include "Core/Runtime/VLFilePaths.h"

#include "Platform/Foundation/VLUnicode.h"

#include <fcntl.h>
#include <filesystem>
#include <limits.h>
#include <unistd.h>

bool VLFilePathIsRepresentable(std::string_view path) {
    return path.find('\0') == std::string_view::npos && VLIsValidUTF8(path);
}

std::optional<std::string> VLStoredPath(const std::string& path) {
    // Non-blocking, so that a FIFO cannot hang the caller.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    char stored[PATH_MAX];
    ssize_t length = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), stored, sizeof stored);
    ::close(fd);
    if (length <= 0 || size_t(length) >= sizeof stored)
        return std::nullopt;
    return std::string(stored, size_t(length));
}

int64_t VLDirectorySize(const std::string& path) {
    namespace fs = std::filesystem;
    int64_t size = 0;
    std::error_code error;
    fs::recursive_directory_iterator entries(path, fs::directory_options::skip_permission_denied, error);
    for (; !error && entries != fs::recursive_directory_iterator(); entries.increment(error)) {
        std::error_code itemError;
        if (entries->symlink_status(itemError).type() != fs::file_type::regular)
            continue;
        uintmax_t fileSize = entries->file_size(itemError);
        if (!itemError)
            size += int64_t(fileSize);
    }
    return size;
}
