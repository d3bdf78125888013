#pragma once

#include "Platform/Foundation/VLValue.h"

#include <map>
#include <memory>
#include <string>

class VLStorageArea;

// The name of a data directory's synchronised storage file.
inline constexpr char VLSyncStorageFileName[] = "SyncStorage.plist";

// Posted on the main queue, once for a burst of content changes to a synchronised area with a file;
// the user info holds the directory of that file (a std::string) under VLSyncStorageDataDirectoryKey.
inline constexpr char VLSyncStorageDidChangeNotification[] = "VLSyncStorageDidChangeNotification";
inline constexpr char VLSyncStorageDataDirectoryKey[] = "dataDirectory";

// The content host's view of a data directory's synchronised storage: the very area that the runtimes
// of that directory use. Any thread.
class VLSyncStorage final {
public:
    static std::shared_ptr<VLSyncStorage> storageInDataDirectory(const std::string& directory);

    const std::string& dataDirectory() const { return _dataDirectory; }
    // The current contents.
    std::map<std::string, std::string> items() const;
    // Takes changes made by another process: a text sets its key, any other value removes it. The
    // runtimes hear of them as "change" events; nothing is reported back as a content change.
    void applyChanges(const VLDictionary& changes);

private:
    VLSyncStorage(std::string dataDirectory, std::shared_ptr<VLStorageArea> area);

    const std::string _dataDirectory;
    const std::shared_ptr<VLStorageArea> _area;
};
