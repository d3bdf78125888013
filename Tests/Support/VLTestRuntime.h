#pragma once

#include "Core/Runtime/VLRuntime.h"
#include "Tests/Support/VLTestPackage.h"

#include <memory>

// A runtime over an empty package for one test. Letting go of it waits until the runtime's JavaScript
// thread has ended, so that no runtime outlives its test; whatever else held the runtime must have let
// go by then.
class VLTestRuntime {
public:
    VLTestRuntime();
    ~VLTestRuntime();
    VLTestRuntime(const VLTestRuntime&) = delete;
    VLTestRuntime& operator=(const VLTestRuntime&) = delete;

    const std::shared_ptr<VLRuntime>& get() const { return _runtime; }
    // Its package, into which a test may write files.
    VLTestPackage& package() { return _package; }
    VLRuntime* operator->() const { return _runtime.get(); }

private:
    VLTestPackage _package;
    std::shared_ptr<VLRuntime> _runtime;
};
