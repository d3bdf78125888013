#pragma once

#include "Platform/Foundation/VLError.h"

#include <any>

// What one stage hands the next: any object, or nothing (an empty std::any) for nil.
using VLStagableTaskObject = std::any;

// How a stage ends: fulfilled with an object for the next stage, rejected with an error, or with its
// task cancelled. Any thread; each only queues work on the task's queue.
class VLStagableTaskStageContext {
public:
    virtual ~VLStagableTaskStageContext() = default;
    virtual void fulfill(VLStagableTaskObject object) = 0;
    virtual void reject(VLErrorRef error) = 0;
    virtual void cancel() = 0;
};
