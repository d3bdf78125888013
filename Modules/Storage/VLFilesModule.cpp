#include "Modules/Storage/VLFilesModule.h"

#include "Core/Engine/JS/VLEmbeddedScripts.h"
#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"
#include "Core/Runtime/VLRuntimeModule.h"

std::optional<std::string> VLFilesModule::polyfillScript() {
    if (std::optional<std::string_view> script = VLEmbeddedScript("Storage/Files"))
        return std::string(*script);
    return std::nullopt;
}

std::vector<VLPart> VLFilesModule::exports() {
    return {VLRuntimeModulePart<VLFilesModule>()};
}

VL_EXPORT_PARTS(VLFilesModule);
