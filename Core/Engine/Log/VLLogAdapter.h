#pragma once

#include "Core/Engine/Log/VLLogMessage.h"

// A log sink. Its methods run on the log service's queue, one record at a time. A part that adopts
// this protocol is added to the log service's sinks when the service is registered.
class VLLogAdapter {
public:
    virtual ~VLLogAdapter() = default;
    virtual bool isLoggable(const VLLogMessage& message) = 0;
    virtual void logWithMessage(const VLLogMessage& message) = 0;
};
