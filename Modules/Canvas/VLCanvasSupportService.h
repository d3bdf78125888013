#pragma once

#include "Core/Engine/Parts/VLDynamicParts.h"
#include "Core/Launcher/Services/VLCanvasSupportContract.h"

// Serves the engine's canvas-support contract with the EGL check.
class VLCanvasSupportService final : public VLDynamicParts, public VLCanvasSupportContract {
public:
    bool isCanvasSupported() override;
};
