#pragma once

#include "Core/Engine/Parts/VLDynamicParts.h"
#include "Core/Launcher/Services/VLWindowListMonitorContract.h"

// Serves the engine's window-list contract with the window-list monitor.
class VLWindowListMonitorService final : public VLDynamicParts, public VLWindowListMonitorContract {
public:
    std::set<pid_t> relatedProcessIdentifiers() override;
    void setRelatedProcessIdentifiers(const std::set<pid_t>& identifiers) override;
};
