#include "Core/Runtime/VLFileSystemManager.h"

#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/Support/VLErrors.h"
#include "Core/Engine/Support/VLProduct.h"
#include "Core/Runtime/VLBlobURLStore.h"
#include "Core/Runtime/VLCheckedFile.h"
#include "Core/Runtime/VLProcessTemporaryDirectory.h"
#include "Platform/Foundation/VLFileIO.h"
#include "Platform/Foundation/VLPath.h"
#include "Platform/Foundation/VLURL.h"
#include "Platform/Foundation/VLUnicode.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <limits>
#include <unordered_map>
#include <vector>

namespace {

namespace fs = std::filesystem;

VLErrorRef fileError(int64_t code, std::string_view format, std::string_view argument) {
    return VLMakeError(VLPOSIXErrorDomain, code, format, argument);
}

VLFile failure(VLErrorRef* error, int64_t code, std::string_view format, std::string_view argument) {
    if (error)
        *error = fileError(code, format, argument);
    return {};
}

// Root path → bytes used, for every runtime of the process: runtimes with one data path share it.
class LocationUsage {
public:
    static LocationUsage& shared() {
        static LocationUsage* usage = new LocationUsage();
        return *usage;
    }

    bool reserve(int64_t bytes, const std::string& root, uint64_t quota) {
        const int64_t limit = int64_t(std::min<uint64_t>(quota, std::numeric_limits<int64_t>::max()));
        std::lock_guard guard(_lock);
        auto found = _used.find(root);
        const int64_t used = found != _used.end() ? found->second : VLDirectorySize(root);
        // Compared as room left, so that neither side can overflow.
        const bool fits = bytes <= 0 || (used <= limit && bytes <= limit - used);
        _used[root] = fits ? std::max<int64_t>(used + bytes, 0) : used;
        return fits;
    }

    void invalidate(const std::string& root) {
        std::lock_guard guard(_lock);
        _used.erase(root);
    }

private:
    std::mutex _lock;
    std::unordered_map<std::string, int64_t> _used;
};

bool startsWithDirectory(std::string_view path, std::string_view directory) {
    return !directory.empty() && path.size() > directory.size() + 1 && path.starts_with(directory) &&
           (directory == "/" || path[directory.size()] == '/');
}

std::string_view afterDirectory(std::string_view path, std::string_view directory) {
    return path.substr(directory == "/" ? 1 : directory.size() + 1);
}

} // namespace

std::shared_ptr<VLFileSystemManager> VLFileSystemManager::create(std::weak_ptr<VLFileSystemOwner> owner) {
    return std::shared_ptr<VLFileSystemManager>(new VLFileSystemManager(std::move(owner)));
}

VLFileSystemManager::VLFileSystemManager(std::weak_ptr<VLFileSystemOwner> owner)
    : _owner(std::move(owner)), _packageRoot(_owner.lock() ? _owner.lock()->bundlePath() : std::string()) {
    _runLoop =
        VLRunLoop::create(VLRunLoopThread::create(std::string(kVLReverseDomainPrefix) + ".filesystem"));
}

VLFileSystemManager::~VLFileSystemManager() {
    // Again here: the removal posted at termination may not have run.
    std::lock_guard guard(_lock);
    if (_temporaryDirectory && !_temporaryDirectory->empty()) {
        std::error_code error;
        fs::remove_all(*_temporaryDirectory, error);
    }
}

void VLFileSystemManager::async(Block block) {
    _runLoop->thread()->post([weak = weak_from_this(), block = std::move(block)] {
        if (auto manager = weak.lock())
            block(*manager);
    });
}

void VLFileSystemManager::sync(Block block) {
    _runLoop->performBlockSync([weak = weak_from_this(), &block] {
        if (auto manager = weak.lock())
            block(*manager);
    });
}

std::string VLFileSystemManager::temporaryDirectory() {
    std::lock_guard guard(_lock);
    if (!_temporaryDirectory) {
        auto owner = this->owner();
        std::string processDirectory = VLProcessTemporaryDirectory("Velto-runtimes");
        if (!owner || processDirectory.empty() || owner->identity().empty())
            return {};
        _temporaryDirectory = VLPathByAppendingComponent(processDirectory, owner->identity());
    }
    return *_temporaryDirectory;
}

std::string VLFileSystemManager::dataDirectory() {
    auto owner = this->owner();
    std::string dataPath = owner ? owner->dataPath() : std::string();
    if (!dataPath.empty())
        return dataPath;
    std::string temporary = temporaryDirectory();
    return temporary.empty() ? std::string() : VLPathByAppendingComponent(temporary, "Data");
}

std::optional<std::string> VLFileSystemManager::localStoragePath() const {
    auto owner = this->owner();
    if (!owner || owner->dataPath().empty())
        return std::nullopt;
    return VLPathByAppendingComponent(owner->dataPath(), "LocalStorage.plist");
}

std::optional<std::string> VLFileSystemManager::syncStoragePath() const {
    auto owner = this->owner();
    if (!owner || owner->dataPath().empty())
        return std::nullopt;
    return VLPathByAppendingComponent(owner->dataPath(), "SyncStorage.plist");
}

std::optional<std::string> VLFileSystemManager::rootOfHost(std::string_view name, int32_t* permission) {
    std::string root;
    bool intermediates = true;
    if (name == "usr") {
        std::string data = dataDirectory();
        if (data.empty())
            return std::nullopt;
        root = VLPathByAppendingComponent(data, "Files");
        auto owner = this->owner();
        // A data path of the host's is used as it is; only one in the temporary directory is made.
        intermediates = !owner || owner->dataPath().empty();
    } else if (name == "temp") {
        std::string temporary = temporaryDirectory();
        if (temporary.empty())
            return std::nullopt;
        root = VLPathByAppendingComponent(temporary, "Temp");
    } else {
        return std::nullopt;
    }
    std::error_code error;
    if (!_terminated && !fs::is_directory(root, error)) {
        fs::remove(root, error);
        if (intermediates)
            fs::create_directories(root, error);
        else
            fs::create_directory(root, error);
    }
    if (permission)
        *permission = VLFilePermissionAll;
    return root;
}

VLFile VLFileSystemManager::fileInRoot(const std::string& root, int32_t permission, std::string_view path,
                                       std::string_view original, VLErrorRef* error) {
    if (!VLFilePathIsRepresentable(path))
        return failure(error, 22, "Invalid characters in the path: %@", original);
    if (root.empty())
        return failure(error, 22, "Unsupported location: %@", original);
    std::vector<std::string_view> stack;
    for (std::string_view component : VLPathComponents(path)) {
        if (component != "..") {
            stack.push_back(component);
        } else if (stack.empty()) {
            return failure(error, 13, "Outside of the sandbox: %@", original);
        } else {
            stack.pop_back();
        }
    }
    std::string result = root;
    for (std::string_view component : stack)
        result = VLPathByAppendingComponent(result, component);
    return {permission, std::move(result)};
}

VLFile VLFileSystemManager::fileAtBlobURL(const VLURL& url, VLErrorRef* error) {
    auto owner = this->owner();
    std::shared_ptr<VLBlobURLStore> store = owner ? owner->blobURLStore() : nullptr;
    std::optional<std::string> path = store ? store->filePathForURL(url.absoluteString()) : std::nullopt;
    if (!path)
        return failure(error, 2, "Blob URL not found: %@", url.absoluteString());
    return {VLFilePermissionRead, std::move(path)};
}

VLFile VLFileSystemManager::fileAtAppFileURL(const VLURL& url, VLErrorRef* error) {
    auto owner = this->owner();
    std::string path = url.path();
    std::error_code existence;
    // Only absolute paths: a relative one would be read against whatever the working directory is.
    if (owner && owner->allowsAppFiles() && path.starts_with('/') && VLFilePathIsRepresentable(path) &&
        fs::exists(path, existence))
        return {VLFilePermissionRead, std::move(path)};
    return failure(error, 2, "File not found: %@", url.absoluteString());
}

VLFile VLFileSystemManager::fileAtURL(const VLURL& url, VLErrorRef* error) {
    const std::string scheme = url.lowercaseScheme();
    if (scheme == "blob")
        return fileAtBlobURL(url, error);
    if (scheme == "appfile")
        return fileAtAppFileURL(url, error);
    if (scheme == kVLFileSystemSandboxScheme) {
        std::optional<std::string> root = rootOfHost(url.host().value_or(""));
        if (!root)
            return failure(error, 22, "Unsupported host: %@", url.absoluteString());
        return fileInRoot(*root, VLFilePermissionAll, url.path(), url.absoluteString(), error);
    }
    if (!url.scheme())
        return fileInRoot(_packageRoot, VLFilePermissionRead, url.path(), url.absoluteString(), error);
    return failure(error, 22, "Unsupported scheme: %@", url.absoluteString());
}

VLFile VLFileSystemManager::fileAtPath(std::string_view location, VLErrorRef* error) {
    const std::string prefix = std::string(kVLFileSystemSandboxScheme) + "://";
    if (VLASCIILowercaseString(location.substr(0, prefix.size())) == prefix) {
        std::string_view rest = location.substr(prefix.size());
        size_t slash = rest.find('/');
        std::string_view name = rest.substr(0, slash);
        std::optional<std::string> root;
        // Compared as written: only "usr" and "temp" in lower case.
        if (name == "usr" || name == "temp")
            root = rootOfHost(name);
        if (!root)
            return failure(error, 22, "Unsupported location: %@", location);
        std::string_view path = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
        return fileInRoot(*root, VLFilePermissionAll, path, location, error);
    }
    size_t colon = location.find(':');
    if (colon != std::string_view::npos && colon < location.find('/'))
        return failure(error, 22, "Unsupported location: %@", location);
    return fileInRoot(_packageRoot, VLFilePermissionRead, location, location, error);
}

bool VLFileSystemManager::fileExistsAtURL(const VLURL& url, bool* isDirectory) {
    VLFile file = fileAtURL(url);
    std::error_code error;
    fs::file_status status = file.path ? fs::status(*file.path, error) : fs::file_status();
    if (!file.path || !fs::exists(status))
        return false;
    if (isDirectory)
        *isDirectory = fs::is_directory(status);
    return true;
}

std::optional<VLData> VLFileSystemManager::contentsAtURL(const VLURL& url, VLErrorRef* error) {
    VLErrorRef failure;
    VLFile file = fileAtURL(url, &failure);
    std::optional<VLData> contents;
    if (file.path)
        contents = contentsOfFileAtPath(*file.path, &failure);
    if (!contents && file.path && (!failure || failure->code() == 2))
        failure = fileError(2, "File not found: %@", url.absoluteString());
    if (error)
        *error = contents ? nullptr : failure;
    return contents;
}

std::optional<VLData> VLFileSystemManager::contentsOfFileAtPath(const std::string& path, VLErrorRef* error,
                                                                uint64_t maximumLength) {
    VLErrorRef packageError;
    std::shared_ptr<VLPackageFile> packageFile = packageFileAtPath(path, &packageError);
    if (packageFile && packageFile->length() <= maximumLength)
        return packageFile->allDataWithError(error);
    int number = packageFile ? EFBIG : 0;
    std::optional<VLData> contents;
    if (!packageFile && !packageError)
        contents = VLContentsOfFile(path, &number, maximumLength);
    if (contents || !error)
        return contents;
    if (packageError)
        *error = packageError;
    else if (number == EFBIG)
        *error = fileError(number, "the file is larger than %@ bytes", std::to_string(maximumLength));
    else if (number == ENOMEM)
        *error = VLMakeError(VLPOSIXErrorDomain, number, "there is no memory for the file");
    else
        *error = VLMakeError(VLPOSIXErrorDomain, number, "can't read the file");
    return contents;
}

std::optional<std::string> VLFileSystemManager::lexicalPackageRelativePath(const std::string& path) const {
    const std::string root = VLStandardizedPath(_packageRoot);
    const std::string standardized = VLStandardizedPath(path);
    if (!root.starts_with('/') || !startsWithDirectory(standardized, root))
        return std::nullopt;
    return std::string(afterDirectory(standardized, root));
}

std::optional<VLFileSystemManager::StoredLocation>
VLFileSystemManager::storedPackageLocation(const std::string& path) const {
    if (!lexicalPackageRelativePath(path))
        return std::nullopt;
    std::optional<std::string> storedRoot = VLStoredPath(VLStandardizedPath(_packageRoot));
    std::optional<std::string> storedPath = VLStoredPath(path);
    if (!storedRoot || !storedPath || !startsWithDirectory(*storedPath, *storedRoot))
        return std::nullopt;
    std::string relative(afterDirectory(*storedPath, *storedRoot));
    return StoredLocation{std::move(*storedPath), std::move(relative)};
}

std::optional<std::string> VLFileSystemManager::_packageRelativePath(const std::string& path) {
    std::optional<StoredLocation> location = storedPackageLocation(path);
    return location ? std::optional<std::string>(location->relativePath) : std::nullopt;
}

std::shared_ptr<VLPackageFile> VLFileSystemManager::packageFileAtPath(const std::string& path,
                                                                      VLErrorRef* error) {
    std::optional<std::string> lexical = lexicalPackageRelativePath(path);
    if (!lexical)
        return nullptr;
    auto owner = this->owner();
    // A manager that outlived its runtime refuses package files rather than read them unchecked.
    const VLValue digests = owner ? owner->packageDigests() : VLValue(VLDictionary());
    if (digests.isNil())
        return nullptr;
    // Inside the package by its text, it must be inside by what the disk stores too: a link out of the
    // package is never read unchecked.
    std::optional<StoredLocation> location = storedPackageLocation(path);
    const VLValue& digest = location ? digests[location->relativePath] : VLValue::nil();
    if (!digest.isData()) {
        if (error)
            *error =
                fileError(2, "Not a file of the package: %@", location ? location->relativePath : *lexical);
        return nullptr;
    }
    // The stored path, so that what is opened is what was resolved.
    return VLCheckedFile::create(location->storedPath, digest.dataValue(), error);
}

bool VLFileSystemManager::reserveBytes(int64_t bytes, const std::string& root) {
    auto owner = this->owner();
    const uint64_t quota = owner ? owner->dataQuota() : 0;
    if (quota == 0 || root.empty())
        return true;
    return LocationUsage::shared().reserve(bytes, root, quota);
}

void VLFileSystemManager::invalidateUsageOfLocationRoot(const std::string& root) {
    LocationUsage::shared().invalidate(root);
}

void VLFileSystemManager::runtimeDidTerminate() {
    _terminated = true;
    std::string directory = temporaryDirectory();
    if (directory.empty())
        return;
    _runLoop->thread()->post([directory] {
        std::error_code error;
        fs::remove_all(directory, error);
    });
}
