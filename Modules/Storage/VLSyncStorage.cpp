#include "Modules/Storage/VLSyncStorage.h"

#include "Modules/Storage/VLStorageArea.h"
#include "Platform/Foundation/VLPath.h"

VLSyncStorage::VLSyncStorage(std::string dataDirectory, std::shared_ptr<VLStorageArea> area)
    : _dataDirectory(std::move(dataDirectory)), _area(std::move(area)) {}

std::shared_ptr<VLSyncStorage> VLSyncStorage::storageInDataDirectory(const std::string& directory) {
    return std::shared_ptr<VLSyncStorage>(new VLSyncStorage(
        directory,
        VLStorageArea::syncAreaWithPath(VLPathByAppendingComponent(directory, VLSyncStorageFileName))));
}

std::map<std::string, std::string> VLSyncStorage::items() const {
    std::map<std::string, std::string> items;
    for (const auto& [key, value] : _area->items())
        items.emplace(key, value.stringValue());
    return items;
}

void VLSyncStorage::applyChanges(const VLDictionary& changes) {
    _area->applyChanges(changes);
}
