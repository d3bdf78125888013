#include "Modules/Window/Image/VLImageModule.h"

#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"
#include "Core/Runtime/VLRuntimeModule.h"

std::optional<std::string> VLImageModule::polyfillScript() {
    return "!function(global) { Velto.Image = VeltoRuntime.Image; }(this);";
}

std::vector<VLPart> VLImageModule::exports() {
    return {VLRuntimeModulePart<VLImageModule>()};
}

VL_EXPORT_PARTS(VLImageModule);
