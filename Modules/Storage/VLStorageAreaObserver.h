#pragma once

#include "Modules/Storage/VLStorageAreaChange.h"

#include <memory>
#include <vector>

class VLStorageArea;

// Told about the changes an area took from outside (applyChanges), on the thread that applied them,
// after the area let go of its lock. Areas hold their observers weakly.
class VLStorageAreaObserver {
public:
    virtual ~VLStorageAreaObserver() = default;
    virtual void storageArea(const std::shared_ptr<VLStorageArea>& area,
                             const std::vector<VLStorageAreaChange>& changes) = 0;
};
