#include "Modules/Storage/VLFileSystemModule.h"

#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"
#include "Core/Runtime/VLRuntimeModule.h"
#include "Core/Runtime/VLRuntimeModuleScripts.h"

std::optional<std::string> VLFileSystemModule::polyfillScript() {
    return VLRuntimeResourceScript("fs").value_or("");
}

std::vector<VLPart> VLFileSystemModule::exports() {
    return {VLRuntimeModulePart<VLFileSystemModule>()};
}

VL_EXPORT_PARTS(VLFileSystemModule);
