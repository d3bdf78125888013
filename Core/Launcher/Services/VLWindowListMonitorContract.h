#pragma once

#include "Core/Engine/Parts/VLServiceContract.h"

#include <sys/types.h>

#include <set>

// The process-wide window-list settings as the engine's facade reaches them. Any thread.
class VLWindowListMonitorContract : public VLServiceContract {
public:
    // The processes whose windows the window list leaves out.
    virtual std::set<pid_t> relatedProcessIdentifiers() = 0;
    virtual void setRelatedProcessIdentifiers(const std::set<pid_t>& identifiers) = 0;
};
