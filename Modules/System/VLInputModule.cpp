#include "Modules/System/VLInputModule.h"

#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"
#include "Core/Runtime/VLRuntimeModule.h"

std::optional<std::string> VLInputModule::polyfillScript() {
    return "!function(global) { Velto.input = new VeltoRuntime.Input(); }(this);";
}

std::vector<VLPart> VLInputModule::exports() {
    return {VLRuntimeModulePart<VLInputModule>()};
}

VL_EXPORT_PARTS(VLInputModule);
