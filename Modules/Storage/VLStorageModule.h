#pragma once

#include "Core/Engine/Parts/VLDynamicParts.h"
#include "Core/Engine/Parts/VLPart.h"
#include "Modules/Storage/VLStorageJSBinding.h"

#include <optional>
#include <string>
#include <vector>

// The runtime module "Storage": the class LocalStorage, and with the resource script "storage" the
// global localStorage and Velto.syncStorage. It also registers the module "SyncStorage".
class VLStorageModule final : public VLDynamicParts {
public:
    using BindingClass = VLStorageJSBinding;
    // "events", then "storage".
    static std::optional<std::string> polyfillScript();
    static std::vector<VLPart> exports();
};
