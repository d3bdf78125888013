#pragma once

#include "Core/Engine/Parts/VLDynamicParts.h"
#include "Core/Launcher/Services/VLInputMonitorContract.h"

// Serves the engine's input-monitoring contract with the input monitor.
class VLInputMonitorService final : public VLDynamicParts, public VLInputMonitorContract {
public:
    bool hasKeyAccess() override;
    bool canPromptForKeyAccess() override;
    void askForKeyAccess() override;
};
