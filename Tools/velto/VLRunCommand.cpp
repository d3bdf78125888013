#include "Tools/velto/VLRunCommand.h"

#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/Log/VLLog.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Launcher/VLLauncher.h"
#include "Core/Launcher/VLLocalPathLaunchPayload.h"
#include "Core/Launcher/VLManager.h"
#include "Core/Runtime/VLProcessTemporaryDirectory.h"
#include "Core/Runtime/VLRuntime.h"
#include "Platform/Foundation/VLJSONSerialization.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Foundation/VLStringWithFormat.h"
#include "Tools/velto/VLRunDrive.h"
#include "Tools/velto/VLRunHost.h"
#include "Tools/velto/VLRunScreenshot.h"
#include "Tools/velto/VLScriptOutput.h"
#include "Tools/velto/VLToolWaiting.h"

#include <glib-unix.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>

namespace {

std::optional<VLValue> parseJSON(const std::string& text) {
    VLJSONReadingOptions options;
    options.fragmentsAllowed = true;
    VLErrorRef error;
    VLValue value = VLJSONSerialization::JSONObjectWithData(text, options, &error);
    return error ? std::nullopt : std::optional<VLValue>(std::move(value));
}

// 64 hexadecimal digits as the 32 bytes they write.
std::optional<VLData> digestOf(const VLValue& value) {
    if (!value.isString() || value.stringValue().size() != 64)
        return std::nullopt;
    VLData digest;
    for (size_t i = 0; i < 64; i += 2) {
        const std::string pair = value.stringValue().substr(i, 2);
        if (pair.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
            return std::nullopt;
        digest.push_back(uint8_t(std::stoul(pair, nullptr, 16)));
    }
    return digest;
}

// Path → hexadecimal digest, as the payload's path → data.
std::optional<VLDictionary> packageDigestsOf(const VLValue& value) {
    if (!value.isDictionary())
        return std::nullopt;
    VLDictionary digests;
    for (const auto& [path, text] : value.dictionaryValue()) {
        std::optional<VLData> digest = digestOf(text);
        if (!digest)
            return std::nullopt;
        digests.set(path, std::move(*digest));
    }
    return digests;
}

// The host sets the window types through their setter, not by name.
bool setAllowedWindowTypes(VLLaunchPayload& payload, const VLValue& value) {
    if (!value.isArray())
        return false;
    std::set<std::string> types;
    for (const VLValue& type : value.arrayValue()) {
        if (!type.isString())
            return false;
        types.insert(type.stringValue());
    }
    payload.setAllowedWindowTypes(std::move(types));
    return true;
}

} // namespace

int VLRunCommand::run(const std::vector<std::string>& arguments) {
    Options options;
    if (!parse(arguments, options)) {
        std::fprintf(stderr, "usage: %s\n", usage);
        return 2;
    }
    return options.host ? VLRunHost::run(options.hostPayload, options.shared) : launch(options);
}

bool VLRunCommand::parse(const std::vector<std::string>& arguments, Options& options) {
    options.payload = VLLaunchPayload::launchPaylodWithLocalPath("");
    VLLaunchPayload& payload = *options.payload;
    const bool understood =
        options.shared.parse(arguments, [&](const std::vector<std::string>& all, size_t& index) {
            const bool hasValue = index + 1 < all.size();
            if (all[index] == "--payload") {
                return hasValue && setPayloadValue(payload, all[++index], options.hostPayload)
                           ? VLToolOptions::Reading::Taken
                           : VLToolOptions::Reading::Refused;
            }
            if (all[index] == "--host") {
                options.host = true;
                return VLToolOptions::Reading::Taken;
            }
            if (all[index] == "--screenshot") {
                if (!hasValue) {
                    std::fprintf(stderr, "velto: --screenshot takes a file name\n");
                    return VLToolOptions::Reading::Refused;
                }
                options.screenshotPath = all[++index];
                return VLToolOptions::Reading::Taken;
            }
            if (all[index] == "--drive") {
                options.drive = hasValue ? VLRunDrive::load(all[++index]) : nullptr;
                if (!hasValue)
                    std::fprintf(stderr, "velto: --drive takes a file name\n");
                return options.drive ? VLToolOptions::Reading::Taken : VLToolOptions::Reading::Refused;
            }
            if (all[index] != "--options")
                return VLToolOptions::Reading::NotTaken;
            const std::optional<VLValue> launchOptions = hasValue ? parseJSON(all[++index]) : std::nullopt;
            if (!launchOptions || !launchOptions->isDictionary()) {
                std::fprintf(stderr, "velto: --options takes a JSON object\n");
                return VLToolOptions::Reading::Refused;
            }
            payload.setOptions(launchOptions->dictionaryValue());
            options.hostPayload.set("options", *launchOptions);
            return VLToolOptions::Reading::Taken;
        });
    if (!understood)
        return false;
    if (options.host && (options.screenshotPath || options.drive)) {
        // Both act on this process's screen, which the host doesn't share.
        std::fprintf(stderr, "velto: --host runs without --screenshot and --drive\n");
        return false;
    }
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(options.shared.operand(), error);
    options.payload->setLocalPath(error ? options.shared.operand() : path.string());
    options.hostPayload.set("localPath", options.payload->localPath());
    return true;
}

bool VLRunCommand::setPayloadValue(VLLaunchPayload& payload, const std::string& assignment,
                                   VLDictionary& hostPayload) {
    const size_t equals = assignment.find('=');
    if (equals == std::string::npos || equals == 0) {
        std::fprintf(stderr, "velto: --payload takes KEY=JSON\n");
        return false;
    }
    const std::string key = assignment.substr(0, equals);
    std::optional<VLValue> value = parseJSON(assignment.substr(equals + 1));
    bool accepted = false;
    if (value && key == "packageDigests") {
        const std::optional<VLDictionary> digests = packageDigestsOf(*value);
        accepted = digests && payload.setValueForKey(key, *digests);
        value = digests ? std::optional<VLValue>(*digests) : std::nullopt;
    } else if (value && key == "allowedWindowTypes") {
        accepted = setAllowedWindowTypes(payload, *value);
    } else if (value) {
        accepted = payload.setValueForKey(key, *value);
    }
    if (!accepted) {
        std::fprintf(stderr, "velto: --payload %s: not a launch setting, or not a JSON value of its type\n",
                     key.c_str());
        return false;
    }
    hostPayload.set(key, std::move(*value));
    return true;
}

int VLRunCommand::launch(const Options& options) {
    VLLocalPathLaunchPayload& payload = *options.payload;
    payload.setConsoleHandler(VLScriptOutput::consoleHandler());
    payload.setExceptionHandler(VLScriptOutput::exceptionHandler());
    payload.setDynamicCodeHandler(VLScriptOutput::dynamicCodeHandler());
    VLLaunchPayload::ScriptMessageHandlers handlers;
    for (const std::string& name : options.shared.handlerNames())
        handlers[name] = VLScriptOutput::messageHandler(name);
    payload.setScriptMessageHandlers(std::move(handlers));

    const auto deadline = std::chrono::steady_clock::now() + options.shared.timeout();
    VLToolWaiting::begin(deadline);
    std::shared_ptr<VLManager> manager = VLManager::create();
    endOnSignals(manager);
    std::shared_ptr<VLLauncher> launcher = VLLauncher::create(manager);
    struct Outcome {
        bool arrived = false;
        std::shared_ptr<VLRuntime> runtime;
        VLErrorRef error;
    };
    auto outcome = std::make_shared<Outcome>(); // the main queue's
    if (options.drive)
        options.drive->runSetUp();
    launcher->launchWithPayload(options.payload, [outcome](const auto& runtime, const VLErrorRef& error) {
        VLMainQueue::async([outcome, runtime, error] { *outcome = {true, runtime, error}; });
    });
    int status = 0;
    if (!VLToolWaiting::runMainQueueUntil([&] { return outcome->arrived; }, deadline)) {
        status = writeScreenshot(options);
    } else {
        if (outcome->runtime) {
            if (options.drive) {
                options.drive->start();
                VLToolWaiting::runMainQueueUntil([&] { return options.drive->isFinished(); }, deadline);
            }
            // A screenshot is of the settled widget: its open windows don't hold the run.
            VLToolWaiting::runMainQueueUntilIdle(outcome->runtime->engine(), deadline,
                                                 options.screenshotPath.has_value());
            status = writeScreenshot(options);
            manager->terminateRuntime(outcome->runtime);
        } else {
            const std::string description = outcome->error ? outcome->error->localizedDescription() : "";
            VLScriptOutput::writeLine(stderr, "launch failed: " + description);
            status = 3;
        }
    }
    VLToolWaiting::setEndingStatus(status);
    outcome->runtime.reset();
    launcher.reset();
    manager.reset();
    VLToolWaiting::end(deadline);
    VLRemoveEmptyProcessTemporaryDirectory("Velto-runtimes");
    return status;
}

void VLRunCommand::endOnSignals(const std::shared_ptr<VLManager>& manager) {
    for (int number : {SIGTERM, SIGINT, SIGHUP}) {
        struct Ending {
            std::weak_ptr<VLManager> manager;
            int number;
        };
        // The main queue's; the source keeps it for the process's life.
        auto* ending = new Ending{manager, number};
        g_unix_signal_add(
            number,
            [](gpointer data) -> gboolean {
                const Ending& ending = *static_cast<Ending*>(data);
                if (std::shared_ptr<VLManager> manager = ending.manager.lock())
                    terminateAtOnce(*manager);
                VLManager::flushStorage();
                VLRemoveEmptyProcessTemporaryDirectory("Velto-runtimes");
                VLLogFlush();
                std::fflush(nullptr);
                _exit(128 + ending.number);
            },
            ending);
    }
}

void VLRunCommand::terminateAtOnce(VLManager& manager) {
    for (const std::shared_ptr<VLRuntime>& runtime : manager.runingRuntimes())
        manager.terminateRuntime(runtime);
    // A runtime's threads may still write into its folder as they end: let them end first, for a
    // moment at most, since one may wait on this main thread.
    VLRunLoopThread::waitUntilAllFinished(kSignalEndingGrace);
    // The file threads remove the runtimes' folders later, and a runtime still launching has joined
    // no manager yet: the process's own folder holds only its runtimes' folders, and goes now.
    const std::string folder = VLProcessTemporaryDirectory("Velto-runtimes");
    std::error_code error;
    if (!folder.empty())
        std::filesystem::remove_all(folder, error);
}

int VLRunCommand::writeScreenshot(const Options& options) {
    if (!options.screenshotPath)
        return 0;
    // Past the deadline too, the main thread gets the time to finish the screenshot it comes to.
    VLToolWaiting::allowAtLeast(kScreenshotAllowance);
    const VLErrorRef error = VLRunScreenshot::write(*options.screenshotPath);
    if (!error)
        return 0;
    VLScriptOutput::writeLine(stderr,
                              VLStringWithFormat("screenshot failed: %@", error->localizedDescription()));
    return 1;
}
