#pragma once

#include "Core/Engine/Parts/VLDynamicParts.h"
#include "Modules/Canvas/Element/VLCanvasJSBinding.h"

#include <optional>
#include <string>

// The runtime module "Canvas": the class Canvas, published as Velto.Canvas, and stand-ins for the WebGL
// context classes that scripts may name before WebGL exists. Registered by VLCanvasModuleExports.
class VLCanvasModule final : public VLDynamicParts {
public:
    using BindingClass = VLCanvasJSBinding;
    static std::optional<std::string> polyfillScript();
};
