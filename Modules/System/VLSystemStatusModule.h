#pragma once

#include "Core/Engine/Parts/VLDynamicParts.h"
#include "Core/Engine/Parts/VLPart.h"
#include "Modules/System/VLSystemStatusJSBinding.h"

#include <optional>
#include <string>
#include <vector>

// The runtime module "SystemStatus": Velto.systemStatus, made on first read, and null unless the runtime
// allows system information.
class VLSystemStatusModule final : public VLDynamicParts {
public:
    using BindingClass = VLSystemStatusJSBinding;
    static std::optional<std::string> polyfillScript();
    static std::vector<VLPart> exports();
};
