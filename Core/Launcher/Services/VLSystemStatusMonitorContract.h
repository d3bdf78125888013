#pragma once

#include "Core/Engine/Parts/VLServiceContract.h"

// The process's system-status monitor as the launcher reaches it. Any thread.
class VLSystemStatusMonitorContract : public VLServiceContract {
public:
    // Makes the shared monitor unless it exists; it reads nothing until a binding observes it.
    virtual void makeSharedInstance() = 0;
};
