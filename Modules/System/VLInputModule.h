#pragma once

#include "Core/Engine/Parts/VLDynamicParts.h"
#include "Core/Engine/Parts/VLPart.h"
#include "Modules/System/VLInputJSBinding.h"

#include <optional>
#include <string>
#include <vector>

// The runtime module "Input": Velto.input, made when the runtime's scripts are set up.
class VLInputModule final : public VLDynamicParts {
public:
    using BindingClass = VLInputJSBinding;
    static std::optional<std::string> polyfillScript();
    static std::vector<VLPart> exports();
};
