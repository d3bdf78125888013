#include "Supports/WindowList/VLWindowListMonitorService.h"

#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"
#include "Supports/WindowList/VLWindowListMonitor.h"

VL_EXPORT_PART_CLASS(VLWindowListMonitorService);

std::set<pid_t> VLWindowListMonitorService::relatedProcessIdentifiers() {
    return VLWindowListMonitor::relatedProcessIdentifiers();
}

void VLWindowListMonitorService::setRelatedProcessIdentifiers(const std::set<pid_t>& identifiers) {
    VLWindowListMonitor::setRelatedProcessIdentifiers(identifiers);
}
