#include "Modules/Storage/VLStorageAreaService.h"

#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"
#include "Modules/Storage/VLStorageArea.h"

VL_EXPORT_PART_CLASS(VLStorageAreaService);

void VLStorageAreaService::flush() {
    VLStorageArea::flush();
}
