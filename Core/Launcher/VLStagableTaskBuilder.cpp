#include "Core/Launcher/VLStagableTaskBuilder.h"

#include "Core/Launcher/VLStagableTask.h"

void VLStagableTaskBuilder::addStageWithName(std::string name, VLStagableTaskStage::Handler handler) {
    _stages.emplace_back(std::move(name), std::move(handler));
}

std::shared_ptr<VLStagableTask> VLStagableTaskBuilder::build() const {
    return VLStagableTask::create(_stages);
}
