#pragma once

#include "Core/Engine/Parts/VLServiceContract.h"

// The process's system-status monitor as the launcher reaches it. Any thread.
class VLSystemStatusMonitorContract : public VLServiceContract {
public:
    // Makes the shared monitor unless it exists: it follows the machine's sleep from then on, and samples
    // nothing until a binding reads or observes it.
    virtual void makeSharedInstance() = 0;
};
