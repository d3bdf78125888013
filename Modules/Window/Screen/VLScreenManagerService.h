#pragma once

#include "Core/Engine/Parts/VLDynamicParts.h"
#include "Core/Launcher/Services/VLScreenManagerContract.h"

// Serves the engine's screen-manager contract with the shared screen manager.
class VLScreenManagerService final : public VLDynamicParts, public VLScreenManagerContract {
public:
    void makeSharedInstance() override;
};
