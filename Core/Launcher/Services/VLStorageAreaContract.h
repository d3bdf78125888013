#pragma once

#include "Core/Engine/Parts/VLServiceContract.h"

// The storage areas as the engine's facade reaches them. Any thread.
class VLStorageAreaContract : public VLServiceContract {
public:
    // Returns once every storage write scheduled so far has reached the disk.
    virtual void flush() = 0;
};
