#pragma once

#include "Core/Engine/Parts/VLDynamicParts.h"
#include "Core/Engine/Parts/VLPart.h"
#include "Modules/Storage/VLFilesJSBinding.h"

#include <optional>
#include <string>
#include <vector>

// The runtime module "Files": Velto.files, the user's files that the main application holds.
class VLFilesModule final : public VLDynamicParts {
public:
    using BindingClass = VLFilesJSBinding;
    static std::optional<std::string> polyfillScript();
    static std::vector<VLPart> exports();
};
