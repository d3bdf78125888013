#include "Core/Runtime/VLFilePaths.h"
#include "Core/Runtime/VLFileSystemManager.h"
#include "Core/Runtime/VLPackageFile.h"
#include "Modules/Storage/VLFileEncoding.h"
#include "Modules/Storage/VLFileErrorInfo.h"
#include "Modules/Storage/VLFileLocation.h"
#include "Modules/Storage/VLFileOperations.h"
#include "Modules/Storage/VLFileTree.h"
#include "Modules/Storage/VLFileWriting.h"
#include "Platform/Foundation/VLFileIO.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// writeFile's data: a string in the encoding of argument 2, bytes as they are, nothing for anything else.
VLData dataArgument(const VLFileArguments& arguments) {
    const VLValue& data = arguments.value(1);
    if (data.isString())
        return VLFileDataFromString(data.stringValue(), arguments.string(2).value_or("utf8"));
    return data.isData() ? data.dataValue() : VLData();
}

VLFileContentsWriter bytesWriter(const VLData& bytes) {
    return [&bytes](int fd) {
        return VLFileWriteAll(fd, bytes) ? VLFileFailure() : VLFileFailure{errno, "write"};
    };
}

bool isDirectory(const std::string& path) {
    struct stat status;
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// A failure after bytes were reserved: whatever was or was not written, the root is measured again.
VLValue failAfterReserving(VLFileSystemManager& manager, const std::string& root, VLDictionary dictionary,
                           VLDictionary* errorInfo) {
    manager.invalidateUsageOfLocationRoot(root);
    *errorInfo = std::move(dictionary);
    return {};
}

VLValue appendToFile(VLFileSystemManager& manager, const std::string& path, const std::string& location,
                     const VLData& bytes, VLDictionary* errorInfo) {
    const std::string root = VLFileLocationRoot(manager, location);
    if (!VLFileReserve(manager, int64_t(bytes.size()), root, "write", location, errorInfo))
        return {};
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return failAfterReserving(manager, root, VLFileErrnoInfo("open", location), errorInfo);
    bool written = VLFileWriteAll(fd, bytes);
    int failure = written ? 0 : errno;
    if (::close(fd) != 0 && written) {
        written = false;
        failure = errno;
    }
    if (!written)
        return failAfterReserving(manager, root, VLFileErrorInfo(failure, std::nullopt, "write", location),
                                  errorInfo);
    return VLValue::null();
}

// The bytes moving with an entry: a file's size, a directory tree's.
int64_t movedSize(const std::string& path) {
    struct stat status;
    if (::lstat(path.c_str(), &status) != 0)
        return 0;
    if (S_ISDIR(status.st_mode))
        return VLDirectorySize(path);
    return S_ISREG(status.st_mode) ? int64_t(status.st_size) : 0;
}

const char* removalSyscall(const std::optional<std::string>& kind) {
    if (kind == "file")
        return "unlink";
    if (kind == "directory")
        return "rmdir";
    return "rm";
}

// What removing an existing entry takes: 0, or the errno with its message when the module has one.
std::pair<int, std::optional<std::string>> removeEntry(const std::string& path, bool isDirectory,
                                                       const std::optional<std::string>& kind,
                                                       bool recursive) {
    if (kind == "file" && isDirectory)
        return {EISDIR, std::nullopt};
    if (kind == "directory" && !isDirectory)
        return {ENOTDIR, std::nullopt};
    if (isDirectory && !recursive) {
        if (kind != "file" && kind != "directory")
            return {EISDIR, "is a directory, use the recursive option to remove it"};
        return {::rmdir(path.c_str()) == 0 ? 0 : errno, std::nullopt};
    }
    if (isDirectory) {
        const int failure = VLFileRemoveTree(path);
        return {failure, std::nullopt};
    }
    return {::unlink(path.c_str()) == 0 ? 0 : errno, std::nullopt};
}

// copyFile of a package file: its proved bytes, written atomically. Errors name the source when the
// reading fails and the destination when the writing does.
VLValue copyPackageFile(VLFileSystemManager& manager, VLPackageFile& file, const std::string& to,
                        const std::string& root, const VLFileArguments& arguments, VLDictionary* errorInfo) {
    VLErrorRef error;
    const std::optional<VLData> bytes = file.allDataWithError(&error);
    if (!bytes)
        return failAfterReserving(
            manager, root, VLFileErrorInfoOfError(error, EIO, "copyfile", arguments.path(0)), errorInfo);
    if (const VLFileFailure failure = VLFileReplaceContents(to, bytesWriter(*bytes)))
        return failAfterReserving(
            manager, root, VLFileErrorInfo(failure.number, std::nullopt, "copyfile", arguments.path(1)),
            errorInfo);
    return VLValue::null();
}

// copyFile of any other file: its data, copied in the kernel into a new file renamed over the
// destination. Errors name the source.
VLValue copyPlainFile(VLFileSystemManager& manager, const std::string& from, const std::string& to,
                      const std::string& root, const VLFileArguments& arguments, VLDictionary* errorInfo) {
    const int source = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    VLFileFailure failure;
    if (source < 0) {
        failure = {errno, "copyfile"};
    } else {
        failure = VLFileReplaceContents(to, [source](int fd) {
            return VLFileCopyAll(source, fd) ? VLFileFailure() : VLFileFailure{errno, "copyfile"};
        });
        ::close(source);
    }
    if (failure)
        return failAfterReserving(
            manager, root, VLFileErrorInfo(failure.number, std::nullopt, "copyfile", arguments.path(0)),
            errorInfo);
    return VLValue::null();
}

} // namespace

VLValue VLFileWriteFile(VLFileSystemManager& manager, const VLFileArguments& arguments,
                        VLDictionary* errorInfo) {
    const std::string location = arguments.path();
    const std::optional<std::string> path =
        VLFileResolve(manager, location, VLFilePermissionWrite, "open", errorInfo);
    if (!path)
        return {};
    const VLData bytes = dataArgument(arguments);
    if (arguments.boolean(3))
        return appendToFile(manager, *path, location, bytes, errorInfo);
    const std::string root = VLFileLocationRoot(manager, location);
    if (!VLFileReserve(manager, int64_t(bytes.size()) - VLFileExistingSize(*path), root, "write", location,
                       errorInfo))
        return {};
    const VLFileFailure failure =
        isDirectory(*path) ? VLFileFailure{EISDIR, "open"} : VLFileReplaceContents(*path, bytesWriter(bytes));
    if (failure)
        return failAfterReserving(
            manager, root, VLFileErrorInfo(failure.number, std::nullopt, failure.step, location), errorInfo);
    return VLValue::null();
}

VLValue VLFileMkdir(VLFileSystemManager& manager, const VLFileArguments& arguments, VLDictionary* errorInfo) {
    const std::string location = arguments.path();
    const std::optional<std::string> path =
        VLFileResolve(manager, location, VLFilePermissionWrite, "mkdir", errorInfo);
    if (!path)
        return {};
    if (const int failure =
            VLFileMakeDirectory(*path, arguments.boolean(1), VLFileLocationRoot(manager, location))) {
        *errorInfo = VLFileErrorInfo(failure, std::nullopt, "mkdir", location);
        return {};
    }
    return VLValue::null();
}

VLValue VLFileRemove(VLFileSystemManager& manager, const VLFileArguments& arguments,
                     VLDictionary* errorInfo) {
    const std::string location = arguments.path();
    const std::optional<std::string> kind = arguments.string(1);
    const char* syscall = removalSyscall(kind);
    const std::optional<std::string> path =
        VLFileResolve(manager, location, VLFilePermissionRemove, syscall, errorInfo, VLFileLastLink::Itself);
    if (!path)
        return {};
    manager.invalidateUsageOfLocationRoot(VLFileLocationRoot(manager, location));
    struct stat status;
    if (::lstat(path->c_str(), &status) != 0) {
        if (errno == ENOENT && arguments.boolean(3))
            return VLValue::null();
        *errorInfo = VLFileErrnoInfo(syscall, location);
        return {};
    }
    auto [failure, message] = removeEntry(*path, S_ISDIR(status.st_mode), kind, arguments.boolean(2));
    if (failure) {
        *errorInfo = VLFileErrorInfo(failure, std::move(message), syscall, location);
        return {};
    }
    return VLValue::null();
}

VLValue VLFileRename(VLFileSystemManager& manager, const VLFileArguments& arguments,
                     VLDictionary* errorInfo) {
    const std::string from = arguments.path(0), to = arguments.path(1);
    const std::optional<std::string> fromPath =
        VLFileResolve(manager, from, VLFilePermissionWrite | VLFilePermissionRemove, "rename", errorInfo,
                      VLFileLastLink::Itself);
    const std::optional<std::string> toPath =
        fromPath
            ? VLFileResolve(manager, to, VLFilePermissionWrite, "rename", errorInfo, VLFileLastLink::Itself)
            : std::nullopt;
    if (!toPath)
        return {};
    const std::string fromRoot = VLFileLocationRoot(manager, from), toRoot = VLFileLocationRoot(manager, to);
    struct stat status;
    const bool replaces = ::lstat(toPath->c_str(), &status) == 0;
    if (fromRoot != toRoot && !VLFileReserve(manager, movedSize(*fromPath) - VLFileExistingSize(*toPath),
                                             toRoot, "rename", from, errorInfo))
        return {};
    const bool renamed = ::rename(fromPath->c_str(), toPath->c_str()) == 0;
    const int failure = renamed ? 0 : errno;
    if (!renamed || fromRoot != toRoot || replaces) {
        manager.invalidateUsageOfLocationRoot(fromRoot);
        manager.invalidateUsageOfLocationRoot(toRoot);
    }
    if (!renamed) {
        *errorInfo = VLFileErrorInfo(failure, std::nullopt, "rename", from);
        return {};
    }
    return VLValue::null();
}

VLValue VLFileCopyFile(VLFileSystemManager& manager, const VLFileArguments& arguments,
                       VLDictionary* errorInfo) {
    const std::string from = arguments.path(0), to = arguments.path(1);
    const std::optional<std::string> fromPath =
        VLFileResolve(manager, from, VLFilePermissionRead, "copyfile", errorInfo);
    const std::optional<std::string> toPath =
        fromPath ? VLFileResolve(manager, to, VLFilePermissionWrite, "copyfile", errorInfo) : std::nullopt;
    if (!toPath)
        return {};
    struct stat status;
    const int sourceFailure = ::stat(fromPath->c_str(), &status) != 0 ? errno
                              : S_ISDIR(status.st_mode)               ? EISDIR
                                                                      : 0;
    if (sourceFailure) {
        *errorInfo = VLFileErrorInfo(sourceFailure, std::nullopt, "copyfile", from);
        return {};
    }
    const std::string root = VLFileLocationRoot(manager, to);
    if (!VLFileReserve(manager, int64_t(status.st_size) - VLFileExistingSize(*toPath), root, "copyfile", to,
                       errorInfo))
        return {};
    VLErrorRef error;
    if (std::shared_ptr<VLPackageFile> packageFile = manager.packageFileAtPath(*fromPath, &error))
        return copyPackageFile(manager, *packageFile, *toPath, root, arguments, errorInfo);
    if (error)
        return failAfterReserving(manager, root, VLFileErrorInfoOfError(error, EIO, "copyfile", from),
                                  errorInfo);
    return copyPlainFile(manager, *fromPath, *toPath, root, arguments, errorInfo);
}
