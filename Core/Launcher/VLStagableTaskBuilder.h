#pragma once

#include "Core/Launcher/VLStagableTaskStage.h"

#include <memory>
#include <string>
#include <vector>

class VLStagableTask;

// Collects stages in order and builds tasks from them; it can build again, and tasks share no stage.
// One thread at a time.
class VLStagableTaskBuilder {
public:
    void addStageWithName(std::string name, VLStagableTaskStage::Handler handler);
    std::shared_ptr<VLStagableTask> build() const;

private:
    std::vector<VLStagableTaskStage> _stages;
};
