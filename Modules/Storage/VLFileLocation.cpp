#include "Modules/Storage/VLFileLocation.h"

#include "Core/Engine/Support/VLErrors.h"
#include "Core/Runtime/VLFileSystemManager.h"
#include "Modules/Storage/VLFileErrorInfo.h"
#include "Platform/Foundation/VLPath.h"
#include "Platform/Foundation/VLUnicode.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// "vlfile://" in any case: the length of the prefix, or 0 for a location of the package.
size_t sandboxPrefixLength(std::string_view location) {
    const std::string prefix = std::string(kVLFileSystemSandboxScheme) + "://";
    return VLASCIILowercaseString(location.substr(0, prefix.size())) == prefix ? prefix.size() : 0;
}

// The directory a location may not leave: its sandbox root, or the package.
std::optional<std::string> enclosingRoot(VLFileSystemManager& manager, std::string_view location) {
    if (sandboxPrefixLength(location) > 0)
        return VLFileLocationRoot(manager, location);
    return manager.fileAtPath("").path;
}

std::optional<std::string> realPath(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    return real ? std::optional<std::string>(real.get()) : std::nullopt;
}

// Links followed on the way to a path, at most: beyond it the path counts as leading nowhere safe.
constexpr int kMaximumLinks = 40;

std::string parentOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

// Where a path leads once every link on the way is followed, also links whose targets do not exist
// (yet); what does not exist holds no link and is appended as it is. Nothing past too many links.
std::optional<std::string> pathThroughLinks(const std::string& path, int links = 0) {
    std::string head = path;
    std::string tail;
    while (true) {
        if (std::optional<std::string> real = realPath(head))
            return VLPathByAppendingComponent(*real, tail);
        struct stat status;
        if (::lstat(head.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
            std::string target(PATH_MAX, '\0');
            const ssize_t length = ::readlink(head.c_str(), target.data(), target.size());
            if (length < 0 || links >= kMaximumLinks)
                return std::nullopt;
            target.resize(size_t(length));
            std::optional<std::string> directory = pathThroughLinks(parentOf(head), links + 1);
            if (!directory)
                return std::nullopt;
            const std::string next =
                target.starts_with('/') ? target : VLPathByAppendingComponent(*directory, target);
            return pathThroughLinks(VLPathByAppendingComponent(next, tail), links + 1);
        }
        if (head == "/" || head.find('/') == std::string::npos)
            return path;
        const std::string name = head.substr(head.rfind('/') + 1);
        tail = tail.empty() ? name : VLPathByAppendingComponent(name, tail);
        head = parentOf(head);
    }
}

bool isInside(const std::string& path, const std::string& directory) {
    return path == directory || directory == "/" ||
           (path.size() > directory.size() && path.starts_with(directory) && path[directory.size()] == '/');
}

// Whether what the operation reaches stays inside the root once links are followed. A root that
// cannot be resolved holds nothing to reach.
bool staysInside(const std::string& path, const std::string& root, VLFileLastLink lastLink) {
    const std::optional<std::string> realRoot = realPath(root);
    if (!realRoot || path == root)
        return true;
    const std::optional<std::string> reached =
        pathThroughLinks(lastLink == VLFileLastLink::Itself ? parentOf(path) : path);
    return reached && isInside(*reached, *realRoot);
}

} // namespace

std::optional<std::string> VLFileResolve(VLFileSystemManager& manager, std::string_view location,
                                         int32_t permission, std::string_view syscall,
                                         VLDictionary* errorInfo, VLFileLastLink lastLink) {
    VLErrorRef error;
    const VLFile file = manager.fileAtPath(location, &error);
    if (!file.path) {
        if (errorInfo)
            *errorInfo = VLFileErrorInfoOfError(error, EINVAL, syscall, location);
        return std::nullopt;
    }
    if (!file.allows(permission)) {
        if (errorInfo)
            *errorInfo = VLFileErrorInfo(EACCES, "read-only location", syscall, location);
        return std::nullopt;
    }
    const std::optional<std::string> root = enclosingRoot(manager, location);
    if (root && !staysInside(*file.path, *root, lastLink)) {
        if (errorInfo)
            *errorInfo = VLFileErrorInfoOfError(
                VLMakeError(VLPOSIXErrorDomain, EACCES, "Outside of the sandbox: %@", location), EACCES,
                syscall, location);
        return std::nullopt;
    }
    return file.path;
}

std::string VLFileLocationRoot(VLFileSystemManager& manager, std::string_view location) {
    const size_t prefix = sandboxPrefixLength(location);
    if (prefix == 0)
        return "/";
    const std::string_view host = location.substr(prefix, location.find('/', prefix) - prefix);
    const VLFile root = manager.fileAtPath(std::string(location.substr(0, prefix)) + std::string(host) + "/");
    return root.path.value_or("/");
}

bool VLFileReserve(VLFileSystemManager& manager, int64_t bytes, const std::string& root,
                   std::string_view syscall, std::string_view path, VLDictionary* errorInfo) {
    if (manager.reserveBytes(bytes, root))
        return true;
    if (errorInfo)
        *errorInfo = VLFileErrorInfo(ENOSPC, "no space left: the content's storage is full", syscall, path);
    return false;
}
