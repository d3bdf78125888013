#include "Modules/Storage/VLSyncStorage.h"

std::shared_ptr<VLSyncStorage> VLSyncStorage::storageInDataDirectory(const std::string& directory) {
    return std::shared_ptr<VLSyncStorage>(new VLSyncStorage(directory));
}

std::map<std::string, std::string> VLSyncStorage::items() const {
    return {};
}

void VLSyncStorage::applyChanges(const VLDictionary&) {}
