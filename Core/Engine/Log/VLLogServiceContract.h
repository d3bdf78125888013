#pragma once

#include "Core/Engine/Log/VLLogger.h"
#include "Core/Engine/Parts/VLServiceContract.h"

#include <memory>
#include <string>

// The log service, as resolved through VLServiceLocator.
class VLLogServiceContract : public VLServiceContract {
public:
    // The logger for a tag and scope.
    virtual std::shared_ptr<VLLogger> logger(const std::string& tag, const std::string& scope) = 0;
    // Returns once every record logged before the call has reached the sinks.
    virtual void flush() {}
};
