#pragma once

#include "Core/Engine/Parts/VLDynamicParts.h"
#include "Core/Engine/Parts/VLPart.h"
#include "Modules/System/VLSystemJSBinding.h"

#include <optional>
#include <string>
#include <vector>

// The runtime module "System": Velto.system, made when the runtime's scripts are set up.
class VLSystemModule final : public VLDynamicParts {
public:
    using BindingClass = VLSystemJSBinding;
    static std::optional<std::string> polyfillScript();
    static std::vector<VLPart> exports();
};
