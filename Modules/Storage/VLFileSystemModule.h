#pragma once

#include "Core/Engine/Parts/VLDynamicParts.h"
#include "Core/Engine/Parts/VLPart.h"
#include "Modules/Storage/VLFileSystemJSBinding.h"

#include <optional>
#include <string>
#include <vector>

// The runtime module "FileSystem": CommonJS require and Node's fs names over the sandbox, built by the
// resource script "fs" on the class FileSystem.
class VLFileSystemModule final : public VLDynamicParts {
public:
    using BindingClass = VLFileSystemJSBinding;
    // The "fs" script alone (no "events" before it); empty when it is missing.
    static std::optional<std::string> polyfillScript();
    static std::vector<VLPart> exports();
};
