#pragma once

#include "Core/Engine/Parts/VLDynamicParts.h"
#include "Core/Engine/Parts/VLPart.h"

#include <vector>

// The runtime modules of the canvas family, registered together in their order.
class VLCanvasModuleExports final : public VLDynamicParts {
public:
    static std::vector<VLPart> exports();
};
