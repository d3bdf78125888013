#pragma once

#include "Core/Engine/Parts/VLServiceContract.h"

// The process's screen manager as the launcher reaches it.
class VLScreenManagerContract : public VLServiceContract {
public:
    // Makes the shared manager unless it exists. Made on the main thread, it has the displays' visible
    // frames at once.
    virtual void makeSharedInstance() = 0;
};
