#pragma once

#include "Core/Launcher/VLStagableTaskStageContext.h"

#include <functional>
#include <memory>
#include <string>

// One named stage of a staged task. Copies share nothing that running one changes: each task runs
// copies of its own, and a stage runs once.
class VLStagableTaskStage {
public:
    // Starts the stage's work, given how to end the stage and what the previous stage produced.
    using Handler = std::function<void(const std::shared_ptr<VLStagableTaskStageContext>& context,
                                       const VLStagableTaskObject&)>;

    VLStagableTaskStage(std::string name, Handler handler)
        : _name(std::move(name)), _handler(std::move(handler)) {}

    const std::string& name() const { return _name; }

    // Calls the handler and then lets it go, so that what it captured is released once it ran.
    void performActionWithContext(const std::shared_ptr<VLStagableTaskStageContext>& context,
                                  const VLStagableTaskObject& object);

private:
    std::string _name;
    Handler _handler;
};
