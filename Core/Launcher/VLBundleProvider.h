#pragma once

#include "Core/Launcher/VLPackageBundleProvider.h"
#include "Platform/Foundation/VLError.h"

#include <functional>
#include <memory>

class VLBundle;
class VLDynamicPartsLoader;

inline constexpr const char* VLBundleProviderErrorDomain = "VLBundleProviderErrorDomain";

// Asks the registered bundle providers for a launch payload's bundle. Stateless; any thread.
class VLBundleProvider {
public:
    using Completion = std::function<void(const std::shared_ptr<VLBundle>& bundle, const VLErrorRef& error)>;

    static VLBundleProvider& sharedInstance();

    // The bundle of the first provider that accepts the payload, or error 401: "No matched bundle
    // provider to fetch" when none does, "bundle must be a subclass of VLBundle" when it answers
    // something else. A provider's own error passes unchanged.
    void fetchPackageBundleWithLaunchPayload(const VLLaunchPayload& payload, Completion completion);

    // A new instance of the first provider among the registered parts that accepts the payload.
    std::shared_ptr<VLPackageBundleProvider>
    _packageBundleProviderWithLaunchPayload(const VLLaunchPayload& payload);
};
