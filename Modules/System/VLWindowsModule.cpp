#include "Modules/System/VLWindowsModule.h"

#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"
#include "Core/Runtime/VLRuntimeModule.h"

std::optional<std::string> VLWindowsModule::polyfillScript() {
    return "!function(global) { var windows; Object.defineProperty(Velto, 'windows', { get: function() { if "
           "(windows === undefined) { try { windows = new VeltoRuntime.Windows(); } catch (e) { windows = "
           "null; } } return windows; }, enumerable: true, configurable: true, }); }(this);";
}

std::vector<VLPart> VLWindowsModule::exports() {
    return {VLRuntimeModulePart<VLWindowsModule>()};
}

VL_EXPORT_PARTS(VLWindowsModule);
