#include "Supports/Input/VLInputMonitorService.h"

#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"
#include "Supports/Input/VLInputMonitor.h"

VL_EXPORT_PART_CLASS(VLInputMonitorService);

bool VLInputMonitorService::hasKeyAccess() {
    return VLInputMonitor::hasKeyAccess();
}

bool VLInputMonitorService::canPromptForKeyAccess() {
    return VLInputMonitor::canPromptForKeyAccess();
}

void VLInputMonitorService::askForKeyAccess() {
    VLInputMonitor::askForKeyAccess();
}
