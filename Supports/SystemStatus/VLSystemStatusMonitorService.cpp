#include "Supports/SystemStatus/VLSystemStatusMonitorService.h"

#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"
#include "Supports/SystemStatus/VLSystemStatusMonitor.h"

VL_EXPORT_PART_CLASS(VLSystemStatusMonitorService);

void VLSystemStatusMonitorService::makeSharedInstance() {
    VLSystemStatusMonitor::sharedInstance();
}
