#pragma once

#include "Core/Engine/Parts/VLDynamicParts.h"
#include "Core/Engine/Parts/VLPart.h"
#include "Modules/System/VLSystemAudioJSBinding.h"

#include <optional>
#include <string>
#include <vector>

// The runtime module "SystemAudio": Velto.systemAudio, made on first read, and null unless the runtime
// allows system audio.
class VLSystemAudioModule final : public VLDynamicParts {
public:
    using BindingClass = VLSystemAudioJSBinding;
    static std::optional<std::string> polyfillScript();
    static std::vector<VLPart> exports();
};
