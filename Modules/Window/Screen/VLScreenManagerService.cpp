#include "Modules/Window/Screen/VLScreenManagerService.h"

#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"
#include "Modules/Window/Screen/VLScreenManager.h"

VL_EXPORT_PART_CLASS(VLScreenManagerService);

void VLScreenManagerService::makeSharedInstance() {
    VLScreenManager::sharedInstance();
}
