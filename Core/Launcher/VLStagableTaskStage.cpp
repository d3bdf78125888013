#include "Core/Launcher/VLStagableTaskStage.h"

void VLStagableTaskStage::performActionWithContext(const std::shared_ptr<VLStagableTaskStageContext>& context,
                                                   const VLStagableTaskObject& object) {
    Handler handler = std::move(_handler);
    _handler = nullptr;
    if (handler)
        handler(context, object);
}
