#pragma once

#include "Platform/Foundation/VLError.h"

#include <functional>

// What loads a package's entry script into a runtime for the launcher.
class VLRuntimeJSLoader {
public:
    // Called once, with no error when the script ran (or was empty).
    using LoadCompletion = std::function<void(const VLErrorRef& error)>;

    virtual ~VLRuntimeJSLoader() = default;
    virtual void loadPackage(LoadCompletion completion) = 0;
};
