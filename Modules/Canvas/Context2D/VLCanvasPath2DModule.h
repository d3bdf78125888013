#pragma once

#include "Core/Engine/Parts/VLDynamicParts.h"
#include "Modules/Canvas/Context2D/VLCanvasPath2DJSBinding.h"

#include <optional>
#include <string>

// The runtime module "CanvasPath2D": the class Path2D, and the prelude that makes it the global
// `Path2D`. Registered by VLCanvasModuleExports.
class VLCanvasPath2DModule final : public VLDynamicParts {
public:
    using BindingClass = VLCanvasPath2DJSBinding;
    static std::optional<std::string> polyfillScript();
};
