#pragma once

#include "Core/Engine/Parts/VLDynamicParts.h"
#include "Core/Launcher/Services/VLStorageAreaContract.h"

// Serves the engine's storage contract with the storage areas.
class VLStorageAreaService final : public VLDynamicParts, public VLStorageAreaContract {
public:
    void flush() override;
};
