#include "Core/Runtime/VLAnimationFrameModule.h"

#include "Core/Engine/JS/VLEmbeddedScripts.h"
#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"
#include "Core/Runtime/VLRuntimeModule.h"

std::optional<std::string> VLAnimationFrameModule::polyfillScript() {
    if (std::optional<std::string_view> script = VLEmbeddedScript("Runtime/AnimationFrame"))
        return std::string(*script);
    return std::nullopt;
}

std::vector<VLPart> VLAnimationFrameModule::exports() {
    return {VLRuntimeModulePart<VLAnimationFrameModule>()};
}

VL_EXPORT_PARTS(VLAnimationFrameModule);
