#include "Modules/Storage/VLStorageModule.h"

#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"
#include "Core/Runtime/VLRuntimeModule.h"
#include "Core/Runtime/VLRuntimeModuleScripts.h"
#include "Modules/Storage/VLSyncStorageModule.h"

std::optional<std::string> VLStorageModule::polyfillScript() {
    return VLRuntimeModuleScript("storage");
}

std::vector<VLPart> VLStorageModule::exports() {
    return {VLRuntimeModulePart<VLStorageModule>(), VLRuntimeModulePart<VLSyncStorageModule>()};
}

VL_EXPORT_PARTS(VLStorageModule);
