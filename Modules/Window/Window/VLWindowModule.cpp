#include "Modules/Window/Window/VLWindowModule.h"

#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"
#include "Core/Runtime/VLRuntimeModule.h"

std::optional<std::string> VLWindowModule::polyfillScript() {
    return "!function(global) { Velto.Window = VeltoRuntime.Window; }(this);";
}

std::vector<VLPart> VLWindowModule::exports() {
    return {VLRuntimeModulePart<VLWindowModule>()};
}

VL_EXPORT_PARTS(VLWindowModule);
