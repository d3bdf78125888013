#include "Core/Runtime/VLBlobURLStore.h"

#include "Core/Runtime/VLProcessTemporaryDirectory.h"
#include "Platform/Foundation/VLFileIO.h"
#include "Platform/Foundation/VLMIMETypes.h"
#include "Platform/Foundation/VLPath.h"
#include "Platform/Foundation/VLUUID.h"
#include "Platform/Foundation/VLUnicode.h"

#include <filesystem>

namespace {

std::string withoutFragment(std::string_view url) {
    return std::string(url.substr(0, url.find('#')));
}

// The extension for the bare MIME type: parameters after ';' and surrounding white space left out.
std::optional<std::string> extensionForType(std::string_view type) {
    return VLPreferredFilenameExtensionForMIMEType(
        VLStringByTrimmingWhitespaceAndNewlines(type.substr(0, type.find(';'))));
}

} // namespace

VLBlobURLStore::~VLBlobURLStore() {
    removeAll();
}

std::string VLBlobURLStore::addData(VLData data, std::optional<std::string> type) {
    std::string url = "blob:null/" + VLUUID().lowercaseString();
    std::lock_guard guard(_lock);
    _entries[url] = {std::make_shared<const VLData>(std::move(data)), type.value_or(""), std::nullopt};
    return url;
}

std::shared_ptr<const VLData> VLBlobURLStore::dataForURL(std::string_view url,
                                                         std::optional<std::string>* type) const {
    std::lock_guard guard(_lock);
    auto found = _entries.find(withoutFragment(url));
    if (type)
        *type = found == _entries.end() ? std::nullopt : std::optional<std::string>(found->second.type);
    return found == _entries.end() ? nullptr : found->second.data;
}

std::optional<std::string> VLBlobURLStore::filePathForURL(std::string_view url) {
    std::lock_guard guard(_lock);
    auto found = _entries.find(withoutFragment(url));
    if (found == _entries.end())
        return std::nullopt;
    VLBlobURLEntry& entry = found->second;
    if (entry.filePath)
        return entry.filePath;
    const std::string folder = VLProcessTemporaryDirectory("Velto-blobs");
    if (folder.empty())
        return std::nullopt;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    std::string path = VLPathByAppendingComponent(folder, VLUUID().lowercaseString());
    if (std::optional<std::string> extension = extensionForType(entry.type))
        path = VLPathByAppendingExtension(path, *extension);
    // A failed write leaves the entry without a file, so that a later request tries again.
    if (!VLWriteFileAtomically(path, *entry.data))
        return std::nullopt;
    entry.filePath = path;
    return path;
}

void VLBlobURLStore::removeURL(std::string_view url) {
    std::lock_guard guard(_lock);
    auto found = _entries.find(withoutFragment(url));
    if (found == _entries.end())
        return;
    if (found->second.filePath)
        _revokedFiles.push_back(*found->second.filePath);
    _entries.erase(found);
}

void VLBlobURLStore::removeAll() {
    std::vector<std::string> files;
    {
        std::lock_guard guard(_lock);
        files = std::move(_revokedFiles);
        _revokedFiles.clear();
        for (const auto& [url, entry] : _entries) {
            if (entry.filePath)
                files.push_back(*entry.filePath);
        }
        _entries.clear();
    }
    for (const std::string& file : files) {
        std::error_code error;
        std::filesystem::remove(file, error);
    }
}
