#pragma once

#include "Core/Engine/Parts/VLDynamicParts.h"
#include "Core/Launcher/Services/VLSystemStatusMonitorContract.h"

// Serves the engine's system-status contract with the shared monitor.
class VLSystemStatusMonitorService final : public VLDynamicParts, public VLSystemStatusMonitorContract {
public:
    void makeSharedInstance() override;
};
