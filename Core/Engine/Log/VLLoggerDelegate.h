#pragma once

#include "Core/Engine/Log/VLLogMessage.h"

#include <memory>

class VLLogger;

// Receives the records that a logger makes, on the logging thread.
class VLLoggerDelegate {
public:
    virtual ~VLLoggerDelegate() = default;
    virtual void logger(VLLogger& logger, std::shared_ptr<const VLLogMessage> message) = 0;
};
