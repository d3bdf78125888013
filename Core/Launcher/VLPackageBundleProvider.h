#pragma once

#include "Platform/Foundation/VLError.h"

#include <any>
#include <functional>

class VLLaunchPayload;

// Turns a launch payload into a package bundle. Providers register themselves as parts; the first that
// accepts a payload serves it. Any thread.
class VLPackageBundleProvider {
public:
    // The bundle as a std::shared_ptr<VLBundle> (a subclass upcast to it), or the error. Called once.
    using Completion = std::function<void(const std::any& bundle, const VLErrorRef& error)>;

    virtual ~VLPackageBundleProvider() = default;
    virtual bool canProvideBundleWithLaunchPayload(const VLLaunchPayload& payload) = 0;
    virtual void fetchBundleWithLaunchPayload(const VLLaunchPayload& payload, Completion completion) = 0;
};
