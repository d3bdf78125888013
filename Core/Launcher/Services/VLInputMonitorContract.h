#pragma once

#include "Core/Engine/Parts/VLServiceContract.h"

// Input-monitoring access as the engine's facade reaches it. Any thread.
class VLInputMonitorContract : public VLServiceContract {
public:
    virtual bool hasKeyAccess() = 0;
    virtual bool canPromptForKeyAccess() = 0;
    virtual void askForKeyAccess() = 0;
};
