#pragma once

#include "Core/Launcher/VLLaunchPayload.h"
#include "Core/Launcher/VLStagableTaskDelegate.h"
#include "Platform/Foundation/VLError.h"
#include "Platform/Foundation/VLValue.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

class VLDispatchQueue;
class VLManager;
class VLRuntime;
class VLStagableTask;

// Turns a launch payload into a running widget, in three stages of a staged task on the launcher's
// serial queue "app.velto.launcher": "fetch package bundle" asks the bundle providers for the package,
// "make runtime" creates the runtime (and tells the host through the payload's runtime handler), "load
// package" copies the payload's settings into the runtime, registers the host's handlers, publishes the
// launch options, installs dynamic-code recording when asked for and runs "index.js". A runtime that
// launched joins the manager's list before the host's completion hears of it.
//
// Threads: stages start and end, and the host's completion and runtime handler are called, on the
// launcher's queue; the launch scripts run on the runtime's JavaScript thread. Several launches may be
// in flight at once. The tasks hold the launcher weakly: a launcher released during a launch cancels it
// at the next stage boundary, terminates a runtime already made and calls no completion.
class VLLauncher final : public VLStagableTaskDelegate, public std::enable_shared_from_this<VLLauncher> {
public:
    // The runtime, or the error that ended the launch (then the runtime, if one was made, has been
    // terminated).
    using Completion =
        std::function<void(const std::shared_ptr<VLRuntime>& runtime, const VLErrorRef& error)>;
    using Block = std::function<void()>;

    // Keeps the manager and makes sure the screen manager (when made on the main thread) and the
    // system-status monitor exist before any launch.
    static std::shared_ptr<VLLauncher> create(std::shared_ptr<VLManager> manager);

    const std::shared_ptr<VLDispatchQueue>& queue() const { return _queue; }
    const std::shared_ptr<VLManager>& manager() const { return _manager; }

    // Starts the launch and returns at once; the completion (may be null) runs once on the queue.
    void launchWithPayload(std::shared_ptr<VLLaunchPayload> payload, Completion completion);
    // The three stages, with the launcher as the task's delegate.
    std::shared_ptr<VLStagableTask>
    createLaunchTaskWithLaunchPayload(std::shared_ptr<VLLaunchPayload> payload);

    // Publishes the options (or {} when they are nil or no JSON object) as a frozen Velto.launchOptions.
    // The completion runs on the JavaScript thread once the script ran, whatever it did.
    void injectLaunchOptions(const std::optional<VLDictionary>& options,
                             const std::shared_ptr<VLRuntime>& runtime, Block completion);
    // Reports every text the widget turns into code (eval, the function constructors, timers given a
    // string), cut to 2000 characters, to the handler. Without a handler the completion runs at once;
    // otherwise on the JavaScript thread once the recording script ran.
    void recordDynamicCodeInRuntime(const std::shared_ptr<VLRuntime>& runtime,
                                    VLLaunchPayload::DynamicCodeHandler handler, Block completion);

    // Logging of stage starts and ends.
    void stagableTaskDidStartStage(VLStagableTask& task, const std::string& stage) override;
    void stagableTaskDidFinishStage(VLStagableTask& task, const std::string& stage,
                                    const VLStagableTaskObject& payload, const VLErrorRef& error) override;

private:
    explicit VLLauncher(std::shared_ptr<VLManager> manager);

    const std::shared_ptr<VLManager> _manager;
    const std::shared_ptr<VLDispatchQueue> _queue;
};
