#include "Modules/System/VLSystemAudioModule.h"

#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"
#include "Core/Runtime/VLRuntimeModule.h"

std::optional<std::string> VLSystemAudioModule::polyfillScript() {
    return "!function(global) { var instance; Object.defineProperty(Velto, 'systemAudio', { enumerable"
           ": true, configurable: true, get: function() { if (instance === undefined) { try { instance"
           " = new VeltoRuntime.SystemAudio(); } catch (error) { instance = null; } } return instance;"
           " }, }); }(this);";
}

std::vector<VLPart> VLSystemAudioModule::exports() {
    return {VLRuntimeModulePart<VLSystemAudioModule>()};
}

VL_EXPORT_PARTS(VLSystemAudioModule);
