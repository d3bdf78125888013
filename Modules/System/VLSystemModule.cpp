#include "Modules/System/VLSystemModule.h"

#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"
#include "Core/Runtime/VLRuntimeModule.h"

std::optional<std::string> VLSystemModule::polyfillScript() {
    return "!function(global) { Velto.system = new VeltoRuntime.System(); }(this);";
}

std::vector<VLPart> VLSystemModule::exports() {
    return {VLRuntimeModulePart<VLSystemModule>()};
}

VL_EXPORT_PARTS(VLSystemModule);
