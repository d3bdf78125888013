#pragma once

#include "Core/Engine/Parts/VLDynamicParts.h"
#include "Core/Engine/Parts/VLPart.h"
#include "Modules/System/VLWindowsJSBinding.h"

#include <optional>
#include <string>
#include <vector>

// The runtime module "Windows": Velto.windows, made on first read, and null unless the runtime allows
// window positions.
class VLWindowsModule final : public VLDynamicParts {
public:
    using BindingClass = VLWindowsJSBinding;
    static std::optional<std::string> polyfillScript();
    static std::vector<VLPart> exports();
};
