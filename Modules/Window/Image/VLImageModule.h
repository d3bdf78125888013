#pragma once

#include "Core/Engine/Parts/VLDynamicParts.h"
#include "Core/Engine/Parts/VLPart.h"
#include "Modules/Window/Image/VLImageJSBinding.h"

#include <optional>
#include <string>
#include <vector>

// The runtime module "Image": the class Image, published as Velto.Image.
class VLImageModule final : public VLDynamicParts {
public:
    using BindingClass = VLImageJSBinding;
    static std::optional<std::string> polyfillScript();
    static std::vector<VLPart> exports();
};
