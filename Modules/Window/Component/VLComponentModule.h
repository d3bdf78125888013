#pragma once

#include "Core/Engine/Parts/VLDynamicParts.h"
#include "Core/Engine/Parts/VLPart.h"
#include "Modules/Window/Component/VLComponentJSBindingBase.h"

#include <optional>
#include <string>
#include <vector>

// The runtime module "Component": the class Component, published as Velto.Component.
class VLComponentModule final : public VLDynamicParts {
public:
    using BindingClass = VLComponentJSBindingBase;
    static std::optional<std::string> polyfillScript();
    static std::vector<VLPart> exports();
};
