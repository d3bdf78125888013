#include "Core/Runtime/VLProcessTemporaryDirectory.h"

#include "Platform/Foundation/VLPath.h"

#include <cerrno>
#include <charconv>
#include <csignal>
#include <filesystem>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A folder this user alone owns: made when missing, refused when it is a link or another user's.
bool isPrivateFolder(const std::string& path) {
    ::mkdir(path.c_str(), 0700);
    struct stat status;
    if (::lstat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::geteuid())
        return false;
    return (status.st_mode & 077) == 0 || ::chmod(path.c_str(), 0700) == 0;
}

bool namesRunningProcess(const std::string& name) {
    pid_t pid = 0;
    auto [end, failure] = std::from_chars(name.data(), name.data() + name.size(), pid);
    if (failure != std::errc() || end != name.data() + name.size() || pid <= 0)
        return false;
    return ::kill(pid, 0) == 0 || errno != ESRCH;
}

// What processes that ended left behind; failures are ignored.
void removeLeftovers(const std::string& folder) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (!namesRunningProcess(entry.path().filename().string()))
            std::filesystem::remove_all(entry.path(), error);
    }
}

// Each folder is cleaned once per process.
void removeLeftoversOnce(const std::string& folder) {
    static std::mutex lock;
    static std::set<std::string>* cleaned = new std::set<std::string>();
    std::lock_guard guard(lock);
    if (cleaned->insert(folder).second)
        removeLeftovers(folder);
}

} // namespace

std::string VLProcessTemporaryDirectory(std::string_view name) {
    const std::string base = VLPathByAppendingComponent(VLSystemTemporaryDirectory(), name);
    std::string folder = base;
    if (!isPrivateFolder(folder)) {
        folder = base + "-" + std::to_string(::geteuid());
        if (!isPrivateFolder(folder))
            return {};
    }
    removeLeftoversOnce(folder);
    return VLPathByAppendingComponent(folder, std::to_string(::getpid()));
}

void VLRemoveEmptyProcessTemporaryDirectory(std::string_view name) {
    const std::string folder = VLProcessTemporaryDirectory(name);
    if (!folder.empty())
        ::rmdir(folder.c_str()); // fails, as it should, unless empty
}
