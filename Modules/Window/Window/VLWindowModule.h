#pragma once

#include "Core/Engine/Parts/VLDynamicParts.h"
#include "Core/Engine/Parts/VLPart.h"
#include "Modules/Window/Window/VLWindowJSBinding.h"

#include <optional>
#include <string>
#include <vector>

// The runtime module "Window": the class Window, published as Velto.Window.
class VLWindowModule final : public VLDynamicParts {
public:
    using BindingClass = VLWindowJSBinding;
    static std::optional<std::string> polyfillScript();
    static std::vector<VLPart> exports();
};
