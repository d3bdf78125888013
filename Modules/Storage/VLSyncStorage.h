#pragma once

#include "Platform/Foundation/VLValue.h"

#include <map>
#include <memory>
#include <string>

// Posted on the main thread when a synchronised storage area changed locally; the user info holds the
// data directory (a std::string) under VLSyncStorageDataDirectoryKey.
inline constexpr char VLSyncStorageDidChangeNotification[] = "VLSyncStorageDidChangeNotification";
inline constexpr char VLSyncStorageDataDirectoryKey[] = "VLSyncStorageDataDirectoryKey";

// The synchronised storage of one data directory, which other processes change too. Until storage
// areas exist it holds nothing and keeps nothing it is given. Any thread.
class VLSyncStorage final {
public:
    static std::shared_ptr<VLSyncStorage> storageInDataDirectory(const std::string& directory);

    const std::string& dataDirectory() const { return _dataDirectory; }
    // The current contents.
    std::map<std::string, std::string> items() const;
    // Takes changes made by another process.
    void applyChanges(const VLDictionary& changes);

private:
    explicit VLSyncStorage(std::string dataDirectory) : _dataDirectory(std::move(dataDirectory)) {}

    const std::string _dataDirectory;
};
