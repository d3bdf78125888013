#include "Modules/Storage/VLFileTree.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

bool isDirectory(const std::string& path) {
    struct stat status;
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// The parent, when it lies strictly inside the root.
bool hasParentInside(const std::string& path, const std::string& root, std::string* parent) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return false;
    *parent = path.substr(0, slash);
    return parent->size() > root.size() && parent->starts_with(root) &&
           (root.ends_with('/') || (*parent)[root.size()] == '/');
}

} // namespace

int VLFileNamesInDirectory(int fd, std::vector<std::string>& names) {
    const int copy = ::dup(fd);
    DIR* directory = copy >= 0 ? ::fdopendir(copy) : nullptr;
    if (!directory) {
        const int failure = errno;
        if (copy >= 0)
            ::close(copy);
        return failure;
    }
    errno = 0;
    while (const dirent* entry = ::readdir(directory)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    const int failure = errno;
    ::closedir(directory);
    return failure;
}

namespace {

// Empties the directory open as fd; every entry is opened relative to it without following links.
int emptyDirectory(int fd) {
    // Read whole before anything is removed.
    std::vector<std::string> names;
    if (const int failure = VLFileNamesInDirectory(fd, names))
        return failure;
    for (const std::string& name : names) {
        struct stat status;
        if (::fstatat(fd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT)
                continue;
            return errno;
        }
        if (S_ISDIR(status.st_mode)) {
            const int child = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child < 0)
                return errno;
            const int failure = emptyDirectory(child);
            ::close(child);
            if (failure)
                return failure;
        }
        if (::unlinkat(fd, name.c_str(), S_ISDIR(status.st_mode) ? AT_REMOVEDIR : 0) != 0 && errno != ENOENT)
            return errno;
    }
    return 0;
}

} // namespace

int VLFileMakeDirectory(const std::string& path, bool recursive, const std::string& root) {
    if (::mkdir(path.c_str(), 0755) == 0)
        return 0;
    const int failure = errno;
    if (!recursive)
        return failure;
    if (failure == EEXIST)
        return isDirectory(path) ? 0 : EEXIST;
    if (failure != ENOENT)
        return failure;
    std::string parent;
    if (!hasParentInside(path, root, &parent))
        return ENOENT;
    if (const int parentFailure = VLFileMakeDirectory(parent, true, root))
        return parentFailure;
    if (::mkdir(path.c_str(), 0755) == 0)
        return 0;
    const int again = errno;
    return again == EEXIST && isDirectory(path) ? 0 : again;
}

int VLFileRemoveTree(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        // A link or a file: removed itself.
        if (errno != ENOTDIR && errno != ELOOP)
            return errno;
        return ::unlink(path.c_str()) == 0 ? 0 : errno;
    }
    const int failure = emptyDirectory(fd);
    ::close(fd);
    if (failure)
        return failure;
    return ::rmdir(path.c_str()) == 0 ? 0 : errno;
}
