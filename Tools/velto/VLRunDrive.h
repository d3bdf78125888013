#pragma once

#include "Platform/Foundation/VLValue.h"

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class VLWindowServer;

// `velto run --drive FILE`: the tool plays the rest of the machine. FILE is a JSON array of steps, each
// an object with one action and an optional "at" (seconds, 0 by default). Steps at 0 run before the
// launch, in order, and set up the machine the widget finds; the others run on the main thread "at"
// seconds after the widget's index.js has run, those due together in one turn, in file order. Points
// and frames are in the top-left global coordinates that scripts use.
//
// Main thread only.
class VLRunDrive final : public std::enable_shared_from_this<VLRunDrive> {
public:
    // The file's steps; nullptr after a message on standard error that names the step at fault by its
    // index, counting from 0.
    static std::shared_ptr<VLRunDrive> load(const std::string& path);

    // The steps at 0, at once.
    void runSetUp();
    // The others, from now on.
    void start();
    // Every step has run.
    bool isFinished() const { return _remaining == 0; }

    // What the steps act on: the process's window server, and the windows they added by label.
    struct Machine {
        std::shared_ptr<VLWindowServer> server;
        std::map<std::string, int64_t> windows;
    };
    using Action = std::function<void(Machine& machine)>;
    // An action from its name and value; nullopt with the reason for an unknown name or a value of the
    // wrong type.
    static std::optional<Action> parseAction(const std::string& name, const VLValue& value,
                                             std::string& reason);

private:
    struct Step {
        double at;
        Action action;
    };

    static std::optional<Step> parseStep(const VLValue& step, std::string& reason);
    void runStepsAt(double at);

    std::vector<Step> _steps;
    size_t _remaining = 0;
    Machine _machine;
};
