#include "Core/Launcher/VLLocalPathPackageBundleProvider.h"

#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"
#include "Core/Launcher/VLLocalPathLaunchPayload.h"
#include "Core/Runtime/VLBundle.h"

#include <memory>

VL_EXPORT_PARTS(VLLocalPathPackageBundleProvider);

std::vector<VLPart> VLLocalPathPackageBundleProvider::exports() {
    return {VLPart::ofClass<VLLocalPathPackageBundleProvider>()};
}

bool VLLocalPathPackageBundleProvider::canProvideBundleWithLaunchPayload(const VLLaunchPayload& payload) {
    return dynamic_cast<const VLLocalPathLaunchPayload*>(&payload) != nullptr;
}

void VLLocalPathPackageBundleProvider::fetchBundleWithLaunchPayload(const VLLaunchPayload& payload,
                                                                    Completion completion) {
    const auto& localPayload = dynamic_cast<const VLLocalPathLaunchPayload&>(payload);
    completion(std::make_shared<VLBundle>(localPayload.localPath()), nullptr);
}
