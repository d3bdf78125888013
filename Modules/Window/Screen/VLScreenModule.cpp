#include "Modules/Window/Screen/VLScreenModule.h"

#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"
#include "Core/Runtime/VLRuntimeModule.h"

std::optional<std::string> VLScreenModule::polyfillScript() {
    return "!function(global) { Velto.ScreenManager = new VeltoRuntime.ScreenManager(); }(this);";
}

std::vector<VLPart> VLScreenModule::exports() {
    return {VLRuntimeModulePart<VLScreenModule>()};
}

VL_EXPORT_PARTS(VLScreenModule);
