#include "Core/Runtime/VLFileSystemManager.h"
#include "Core/Runtime/VLPackageFile.h"
#include "Modules/Storage/VLFileEncoding.h"
#include "Modules/Storage/VLFileErrorInfo.h"
#include "Modules/Storage/VLFileLocation.h"
#include "Modules/Storage/VLFileOperations.h"
#include "Modules/Storage/VLFileTree.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t kReadChunk = 65536;
// The largest file read whole: what a script's buffer can hold. A larger one could not be handed over
// and is refused as a buffer that cannot be had.
constexpr uint64_t kMaximumReadLength = (uint64_t(1) << 32) - 1;

double milliseconds(const statx_timestamp& time) {
    return double(time.tv_sec) * 1000 + double(time.tv_nsec) / 1000000;
}

statx_timestamp timestampOf(const timespec& time) {
    statx_timestamp timestamp{};
    timestamp.tv_sec = time.tv_sec;
    timestamp.tv_nsec = uint32_t(time.tv_nsec);
    return timestamp;
}

// stat() with the birth time where the file system keeps one; without, the birth time is the change
// time. A kernel without statx answers through stat.
bool statWithBirthTime(const std::string& path, struct statx* status) {
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, status) == 0) {
        if (!(status->stx_mask & STATX_BTIME))
            status->stx_btime = status->stx_ctime;
        return true;
    }
    struct stat plain;
    if (errno != ENOSYS || ::stat(path.c_str(), &plain) != 0)
        return false;
    *status = {};
    status->stx_size = uint64_t(plain.st_size);
    status->stx_mode = uint16_t(plain.st_mode);
    status->stx_atime = timestampOf(plain.st_atim);
    status->stx_mtime = timestampOf(plain.st_mtim);
    status->stx_ctime = timestampOf(plain.st_ctim);
    status->stx_btime = status->stx_ctime;
    return true;
}

std::optional<VLData> readOpenFile(int fd, uint64_t size, int* failure) {
    if (size > kMaximumReadLength) {
        *failure = ENOMEM;
        return std::nullopt;
    }
    VLData data;
    try {
        data.resize(size_t(size));
        size_t filled = 0;
        while (true) {
            // A file that grew since fstat is read to its new end.
            if (filled == data.size())
                data.resize(data.size() + kReadChunk);
            const ssize_t count =
                ::read(fd, data.data() + filled, std::min(kReadChunk, data.size() - filled));
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0) {
                *failure = errno;
                return std::nullopt;
            }
            if (count == 0)
                break;
            filled += size_t(count);
        }
        data.resize(filled);
    } catch (const std::bad_alloc&) {
        *failure = ENOMEM;
        return std::nullopt;
    }
    return data;
}

// The bytes of a file that is not the package's: opened without blocking on a FIFO, presized to the
// file and read in chunks.
std::optional<VLData> readPlainFile(const std::string& path, const std::string& location,
                                    VLDictionary* errorInfo) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        *errorInfo = VLFileErrnoInfo("open", location);
        return std::nullopt;
    }
    struct stat status;
    std::optional<VLData> data;
    int failure = 0;
    const char* step = "read";
    if (::fstat(fd, &status) != 0) {
        failure = errno;
        step = "fstat";
    } else if (S_ISDIR(status.st_mode)) {
        failure = EISDIR;
    } else {
        data = readOpenFile(fd, uint64_t(std::max<off_t>(status.st_size, 0)), &failure);
    }
    ::close(fd);
    if (!data)
        *errorInfo = VLFileErrorInfo(failure, std::nullopt, step, location);
    return data;
}

} // namespace

VLValue VLFileAccess(VLFileSystemManager& manager, const VLFileArguments& arguments,
                     VLDictionary* errorInfo) {
    const std::string location = arguments.path();
    const std::optional<std::string> path =
        VLFileResolve(manager, location, VLFilePermissionRead, "access", errorInfo);
    if (!path)
        return {};
    if (::access(path->c_str(), F_OK) != 0) {
        *errorInfo = VLFileErrnoInfo("access", location);
        return {};
    }
    return VLValue::null();
}

VLValue VLFileExists(VLFileSystemManager& manager, const VLFileArguments& arguments, VLDictionary*) {
    VLDictionary ignored;
    return !VLFileAccess(manager, arguments, &ignored).isNil();
}

VLValue VLFileStat(VLFileSystemManager& manager, const VLFileArguments& arguments, VLDictionary* errorInfo) {
    const std::string location = arguments.path();
    const std::optional<std::string> path =
        VLFileResolve(manager, location, VLFilePermissionRead, "stat", errorInfo);
    if (!path)
        return {};
    struct statx status;
    if (!statWithBirthTime(*path, &status)) {
        *errorInfo = VLFileErrnoInfo("stat", location);
        return {};
    }
    return VLDictionary{
        {"size", uint64_t(status.stx_size)},          {"mode", int(status.stx_mode)},
        {"isFile", S_ISREG(status.stx_mode) ? 1 : 0}, {"isDirectory", S_ISDIR(status.stx_mode) ? 1 : 0},
        {"atimeMs", milliseconds(status.stx_atime)},  {"mtimeMs", milliseconds(status.stx_mtime)},
        {"ctimeMs", milliseconds(status.stx_ctime)},  {"birthtimeMs", milliseconds(status.stx_btime)},
    };
}

VLValue VLFileReadFile(VLFileSystemManager& manager, const VLFileArguments& arguments,
                       VLDictionary* errorInfo) {
    const std::string location = arguments.path();
    const std::optional<std::string> path =
        VLFileResolve(manager, location, VLFilePermissionRead, "open", errorInfo);
    if (!path)
        return {};
    std::optional<VLData> data;
    VLErrorRef error;
    if (std::shared_ptr<VLPackageFile> packageFile = manager.packageFileAtPath(*path, &error)) {
        // Files of the package are handed out only once their digests check out.
        data = packageFile->allDataWithError(&error);
        if (!data)
            *errorInfo = VLFileErrorInfoOfError(error, EIO, "read", location);
    } else if (error) {
        *errorInfo = VLFileErrorInfoOfError(error, EIO, "open", location);
    } else {
        data = readPlainFile(*path, location, errorInfo);
    }
    if (!data)
        return {};
    if (std::optional<std::string> encoding = arguments.string(1))
        return VLFileStringFromData(*data, *encoding);
    return VLValue(std::move(*data));
}

VLValue VLFileReadDir(VLFileSystemManager& manager, const VLFileArguments& arguments,
                      VLDictionary* errorInfo) {
    const std::string location = arguments.path();
    const std::optional<std::string> path =
        VLFileResolve(manager, location, VLFilePermissionRead, "scandir", errorInfo);
    if (!path)
        return {};
    const int fd = ::open(path->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::vector<std::string> names;
    const int failure = fd < 0 ? errno : VLFileNamesInDirectory(fd, names);
    if (fd >= 0)
        ::close(fd);
    if (failure) {
        *errorInfo = VLFileErrorInfo(failure, std::nullopt, "scandir", location);
        return {};
    }
    // By their bytes.
    std::sort(names.begin(), names.end());
    return VLArray(std::make_move_iterator(names.begin()), std::make_move_iterator(names.end()));
}
