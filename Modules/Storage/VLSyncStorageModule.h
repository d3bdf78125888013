#pragma once

#include "Core/Engine/Parts/VLDynamicParts.h"
#include "Modules/Storage/VLSyncStorageJSBinding.h"

// The runtime module "SyncStorage": the class SyncStorage, which the "Storage" module's script turns
// into Velto.syncStorage. No prelude of its own; registered by VLStorageModule.
class VLSyncStorageModule final : public VLDynamicParts {
public:
    using BindingClass = VLSyncStorageJSBinding;
};
