#include "Modules/Network/VLNetworkModule.h"

#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"
#include "Core/Runtime/VLRuntimeModule.h"

std::vector<VLPart> VLNetworkModule::exports() {
    return {VLRuntimeModulePart<VLNetworkModule>()};
}

VL_EXPORT_PARTS(VLNetworkModule);
