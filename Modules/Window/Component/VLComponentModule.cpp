#include "Modules/Window/Component/VLComponentModule.h"

#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"
#include "Core/Runtime/VLRuntimeModule.h"

std::optional<std::string> VLComponentModule::polyfillScript() {
    return "!function(global) { Velto.Component = VeltoRuntime.Component; }(this);";
}

std::vector<VLPart> VLComponentModule::exports() {
    return {VLRuntimeModulePart<VLComponentModule>()};
}

VL_EXPORT_PARTS(VLComponentModule);
