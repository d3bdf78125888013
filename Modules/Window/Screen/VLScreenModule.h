#pragma once

#include "Core/Engine/Parts/VLDynamicParts.h"
#include "Core/Engine/Parts/VLPart.h"
#include "Modules/Window/Screen/VLScreenManangerJSBinding.h"

#include <optional>
#include <string>
#include <vector>

// The runtime module "Screen": one ScreenManager object per runtime, published as Velto.ScreenManager.
class VLScreenModule final : public VLDynamicParts {
public:
    using BindingClass = VLScreenManangerJSBinding;
    static std::optional<std::string> polyfillScript();
    static std::vector<VLPart> exports();
};
