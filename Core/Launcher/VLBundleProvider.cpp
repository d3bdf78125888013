#include "Core/Launcher/VLBundleProvider.h"

#include "Core/Engine/Parts/VLDynamicPartsLoader.h"
#include "Core/Engine/Support/VLErrors.h"
#include "Core/Runtime/VLBundle.h"

VLBundleProvider& VLBundleProvider::sharedInstance() {
    static VLBundleProvider* provider = new VLBundleProvider();
    return *provider;
}

std::shared_ptr<VLPackageBundleProvider>
VLBundleProvider::_packageBundleProviderWithLaunchPayload(const VLLaunchPayload& payload) {
    for (const VLPart& part :
         VLDynamicPartsLoader::shared().partsConformingToProtocol<VLPackageBundleProvider>()) {
        auto provider = std::dynamic_pointer_cast<VLPackageBundleProvider>(part.instance());
        if (provider && provider->canProvideBundleWithLaunchPayload(payload))
            return provider;
    }
    return nullptr;
}

void VLBundleProvider::fetchPackageBundleWithLaunchPayload(const VLLaunchPayload& payload,
                                                           Completion completion) {
    std::shared_ptr<VLPackageBundleProvider> provider = _packageBundleProviderWithLaunchPayload(payload);
    if (!provider) {
        completion(nullptr,
                   VLMakeError(VLBundleProviderErrorDomain, 401, "No matched bundle provider to fetch"));
        return;
    }
    // The provider stays alive until it answers.
    provider->fetchBundleWithLaunchPayload(payload, [provider, completion = std::move(completion)](
                                                        const std::any& answer, const VLErrorRef& error) {
        if (error) {
            completion(nullptr, error);
            return;
        }
        const auto* bundle = std::any_cast<std::shared_ptr<VLBundle>>(&answer);
        if (!bundle || !*bundle) {
            completion(nullptr, VLMakeError(VLBundleProviderErrorDomain, 401,
                                            "bundle must be a subclass of VLBundle"));
            return;
        }
        completion(*bundle, nullptr);
    });
}
