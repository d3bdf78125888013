#pragma once

#include "Core/Runtime/VLBlobURLEntry.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// A runtime's object URLs ("blob:null/" and a lower-case UUID) and their bytes. A URL's bytes become a
// file, in this process's "Velto-blobs" temporary directory, only when a consumer needs a path. Revoked
// URLs are forgotten at once; their files stay until removeAll(), which the store's end calls too.
//
// Any thread: the JavaScript thread adds and revokes, the file thread and others read. _lock guards
// both tables; files are written inside it and deleted outside it.
class VLBlobURLStore {
public:
    VLBlobURLStore() = default;
    ~VLBlobURLStore();
    VLBlobURLStore(const VLBlobURLStore&) = delete;
    VLBlobURLStore& operator=(const VLBlobURLStore&) = delete;

    // A new URL for the bytes, never one given before.
    std::string addData(VLData data, std::optional<std::string> type);
    // The bytes under the URL (a fragment after '#' is ignored), and its type when asked for; nothing
    // for an unknown URL.
    std::shared_ptr<const VLData> dataForURL(std::string_view url,
                                             std::optional<std::string>* type = nullptr) const;
    // The file holding the URL's bytes, written on first request with the preferred extension of its
    // MIME type; nothing for an unknown URL or when the file cannot be written.
    std::optional<std::string> filePathForURL(std::string_view url);
    void removeURL(std::string_view url);
    // Forgets every URL and deletes every file written for them, revoked ones included.
    void removeAll();

private:
    mutable std::mutex _lock;
    std::unordered_map<std::string, VLBlobURLEntry> _entries;
    std::vector<std::string> _revokedFiles;
};
