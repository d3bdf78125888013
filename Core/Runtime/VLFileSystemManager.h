#pragma once

#include "Core/Runtime/VLFile.h"
#include "Core/Runtime/VLFilePaths.h"
#include "Core/Runtime/VLFileSystemOwner.h"
#include "Core/Runtime/VLPackageFile.h"
#include "Platform/Foundation/VLError.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

class VLRunLoop;
class VLURL;

// The sandbox URL scheme: "vlfile://usr/…" and "vlfile://temp/…".
inline constexpr const char* kVLFileSystemSandboxScheme = "vlfile";

// A runtime's files: its directories (the package, its temporary directory, the persistent data
// directory and the storage files), the resolution of the locations scripts use (package-relative
// paths, "vlfile" sandbox URLs, blob URLs, "appfile" URLs) into absolute paths that never leave their
// root, package files read through their digests, the per-root usage behind the data quota, and a file
// thread for slow work. Failures are POSIX-domain errors with the codes 2, 13 and 22.
//
// Resolution and reading run on the caller's thread (usually the runtime's JavaScript thread) and may
// come from any thread; the temporary directory's path is made under _lock, the usage table and the
// cleaned folders under locks of their own, and `terminated` is atomic so that a late root request does
// not make again a root that termination is deleting. Nothing here changes the process's working
// directory: relative locations are resolved against the package root.
class VLFileSystemManager : public std::enable_shared_from_this<VLFileSystemManager> {
public:
    using Block = std::function<void(VLFileSystemManager& manager)>;

    // Starts the file thread, "app.velto.filesystem". The owner is held weakly.
    static std::shared_ptr<VLFileSystemManager> create(std::weak_ptr<VLFileSystemOwner> owner);
    ~VLFileSystemManager();
    VLFileSystemManager(const VLFileSystemManager&) = delete;
    VLFileSystemManager& operator=(const VLFileSystemManager&) = delete;

    // Queue the block on the file thread; it runs only when the manager still exists then. sync waits
    // until it ran or was dropped, and runs it at once when called on the file thread.
    void async(Block block);
    void sync(Block block);

    // None of these creates a directory. Empty when the temporary directory cannot be had.
    std::string temporaryDirectory();
    std::string dataDirectory();
    // In the data path; nothing without one (no persistent storage then).
    std::optional<std::string> localStoragePath() const;
    std::optional<std::string> syncStoragePath() const;

    // The directory of a sandbox root, "usr" or "temp", made when missing (unless terminated), with
    // every access allowed; nothing for another name.
    std::optional<std::string> rootOfHost(std::string_view root, int32_t* permission = nullptr);
    // The relative path walked inside the root: ".." may not climb out of it. The original is the
    // location as the caller wrote it, for messages.
    VLFile fileInRoot(const std::string& root, int32_t permission, std::string_view path,
                      std::string_view original, VLErrorRef* error = nullptr);
    VLFile fileAtURL(const VLURL& url, VLErrorRef* error = nullptr);
    // A package-relative path or a sandbox location ("vlfile://usr/a.txt").
    VLFile fileAtPath(std::string_view location, VLErrorRef* error = nullptr);

    bool fileExistsAtURL(const VLURL& url, bool* isDirectory = nullptr);
    std::optional<VLData> contentsAtURL(const VLURL& url, VLErrorRef* error = nullptr);
    // A package file's proved contents, or another file's plain contents; a file of more than
    // maximumLength bytes, or one whose bytes find no memory, is an error.
    std::optional<VLData> contentsOfFileAtPath(const std::string& path, VLErrorRef* error = nullptr,
                                               uint64_t maximumLength = UINT64_MAX);
    // The checked file for a path inside the package of a runtime with package digests; nothing without
    // an error for a path outside the package or a runtime without digests.
    std::shared_ptr<VLPackageFile> packageFileAtPath(const std::string& path, VLErrorRef* error = nullptr);
    // The path relative to the package root as the file system stores both (links resolved): the key
    // of its digest. Nothing for a path outside the package.
    std::optional<std::string> _packageRelativePath(const std::string& path);

    // Takes (or, for a negative count, gives back) bytes of the data quota in the sandbox root at the
    // path; false, with nothing taken, when they do not fit. Usage is process-wide per root.
    bool reserveBytes(int64_t bytes, const std::string& root);
    // The next reservation measures the root again.
    void invalidateUsageOfLocationRoot(const std::string& root);

    // Deletes the temporary directory, on the file thread.
    void runtimeDidTerminate();

private:
    explicit VLFileSystemManager(std::weak_ptr<VLFileSystemOwner> owner);

    struct StoredLocation {
        std::string storedPath;
        std::string relativePath;
    };

    std::shared_ptr<VLFileSystemOwner> owner() const { return _owner.lock(); }
    // The path as stored, and relative to the package root as stored; nothing outside the package.
    std::optional<StoredLocation> storedPackageLocation(const std::string& path) const;
    // The path without its package root, read as text: nothing when it does not lie under the root.
    std::optional<std::string> lexicalPackageRelativePath(const std::string& path) const;
    VLFile fileAtBlobURL(const VLURL& url, VLErrorRef* error);
    VLFile fileAtAppFileURL(const VLURL& url, VLErrorRef* error);

    const std::weak_ptr<VLFileSystemOwner> _owner;
    // The package root, fixed at creation.
    const std::string _packageRoot;
    std::shared_ptr<VLRunLoop> _runLoop;
    std::mutex _lock; // guards _temporaryDirectory
    std::optional<std::string> _temporaryDirectory;
    std::atomic<bool> _terminated{false};
};
