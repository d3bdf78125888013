#pragma once

#include "Core/Engine/Parts/VLDynamicParts.h"
#include "Core/Engine/Parts/VLPart.h"
#include "Core/Launcher/VLPackageBundleProvider.h"

#include <vector>

// The engine's own provider: packages in a local directory (VLLocalPathLaunchPayload). It does not
// check that the directory exists; a missing package shows when its script is looked for. Stateless.
class VLLocalPathPackageBundleProvider final : public VLDynamicParts, public VLPackageBundleProvider {
public:
    static std::vector<VLPart> exports();

    bool canProvideBundleWithLaunchPayload(const VLLaunchPayload& payload) override;
    // Answers at once, on the caller's thread.
    void fetchBundleWithLaunchPayload(const VLLaunchPayload& payload, Completion completion) override;
};
