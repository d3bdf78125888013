#pragma once

#include "Core/Engine/Parts/VLDynamicParts.h"
#include "Core/Engine/Parts/VLPart.h"
#include "Core/Runtime/VLAnimationFrameManagerJSBinding.h"

#include <optional>
#include <string>
#include <vector>

// The runtime module "AnimationFrame": requestAnimationFrame, cancelAnimationFrame and
// Velto.preferredFramesPerSecond.
class VLAnimationFrameModule final : public VLDynamicParts {
public:
    using BindingClass = VLAnimationFrameManagerJSBinding;
    static std::optional<std::string> polyfillScript();
    static std::vector<VLPart> exports();
};
