#include "Modules/System/VLSystemStatusModule.h"

#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"
#include "Core/Runtime/VLRuntimeModule.h"

std::optional<std::string> VLSystemStatusModule::polyfillScript() {
    return "!function(global) { var instance; var freeze = Object.freeze; Object.defineProperty(Velto, "
           "'systemStatus', { enumerable: true, configurable: true, get: function() { if (instance === "
           "undefined) { try { instance = new VeltoRuntime.SystemStatus(freeze); } catch (error) { instance "
           "= "
           "null; } } return instance; }, }); }(this);";
}

std::vector<VLPart> VLSystemStatusModule::exports() {
    return {VLRuntimeModulePart<VLSystemStatusModule>()};
}

VL_EXPORT_PARTS(VLSystemStatusModule);
