#include "Tools/velto/VLRunDrive.h"

#include "Platform/Foundation/VLFileIO.h"
#include "Platform/Foundation/VLJSONSerialization.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/WindowServer/VLWindowServer.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <set>

std::shared_ptr<VLRunDrive> VLRunDrive::load(const std::string& path) {
    auto fail = [&](const std::string& message) -> std::shared_ptr<VLRunDrive> {
        std::fprintf(stderr, "velto: --drive %s: %s\n", path.c_str(), message.c_str());
        return nullptr;
    };
    const std::optional<VLData> bytes = VLContentsOfFile(path);
    if (!bytes)
        return fail("can't read the file");
    VLErrorRef error;
    const VLValue steps = VLJSONSerialization::JSONObjectWithData(
        std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), {}, &error);
    if (error || !steps.isArray())
        return fail("not a JSON array of steps");
    auto drive = std::shared_ptr<VLRunDrive>(new VLRunDrive());
    for (size_t index = 0; index < steps.count(); ++index) {
        std::string reason;
        std::optional<Step> step = parseStep(steps[index], reason);
        if (!step)
            return fail("step " + std::to_string(index) + ": " + reason);
        drive->_steps.push_back(std::move(*step));
    }
    drive->_remaining = drive->_steps.size();
    return drive;
}

std::optional<VLRunDrive::Step> VLRunDrive::parseStep(const VLValue& step, std::string& reason) {
    if (!step.isDictionary()) {
        reason = "not an object";
        return std::nullopt;
    }
    Step parsed{0, nullptr};
    for (const auto& [name, value] : step.dictionaryValue()) {
        if (name == "at") {
            if (!value.isNumber() || !std::isfinite(value.doubleValue()) || value.doubleValue() < 0) {
                reason = "\"at\" takes a number of seconds, 0 or more";
                return std::nullopt;
            }
            parsed.at = value.doubleValue();
            continue;
        }
        if (parsed.action) {
            reason = "more than one action";
            return std::nullopt;
        }
        std::optional<Action> action = parseAction(name, value, reason);
        if (!action)
            return std::nullopt;
        parsed.action = std::move(*action);
    }
    if (!parsed.action) {
        reason = "no action";
        return std::nullopt;
    }
    return parsed;
}

void VLRunDrive::runSetUp() {
    _machine.server = VLWindowServer::shared();
    for (Step& step : _steps) {
        if (step.at == 0) {
            step.action(_machine);
            --_remaining;
        }
    }
}

void VLRunDrive::start() {
    std::set<double> times;
    for (const Step& step : _steps) {
        if (step.at > 0)
            times.insert(step.at);
    }
    for (double at : times) {
        VLMainQueue::after(std::chrono::duration<double>(at), [weakSelf = weak_from_this(), at] {
            if (std::shared_ptr<VLRunDrive> self = weakSelf.lock())
                self->runStepsAt(at);
        });
    }
}

void VLRunDrive::runStepsAt(double at) {
    for (Step& step : _steps) {
        if (step.at == at) {
            step.action(_machine);
            --_remaining;
        }
    }
}
