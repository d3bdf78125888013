#pragma once

#include <memory>

class VLRuntime;

// What belongs to one runtime and says which: the delegate of a runtime's platform windows adopts it,
// so that the runtime finds its windows without knowing the window module.
class VLRuntimeOwner {
public:
    virtual ~VLRuntimeOwner() = default;
    // Null once the runtime is gone, or before it was given.
    virtual std::shared_ptr<VLRuntime> runtime() const = 0;
};
