#pragma once

#include "Core/Launcher/VLStagableTaskStageContext.h"

#include <string>

class VLStagableTask;

// Watches a staged task; every method is optional. Called on the task's queue.
class VLStagableTaskDelegate {
public:
    virtual ~VLStagableTaskDelegate() = default;
    virtual void stagableTaskDidStartStage(VLStagableTask& /*task*/, const std::string& /*stage*/) {}
    // The object when the stage was fulfilled, the error when it was rejected.
    virtual void stagableTaskDidFinishStage(VLStagableTask& /*task*/, const std::string& /*stage*/,
                                            const VLStagableTaskObject& /*payload*/,
                                            const VLErrorRef& /*error*/) {}
    virtual void stagableTaskDidCompletion(VLStagableTask& /*task*/, const VLStagableTaskObject& /*object*/) {
    }
};
