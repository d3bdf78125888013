#pragma once

#include "Platform/Foundation/VLValue.h"
#include "Tools/velto/VLToolOptions.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class VLLaunchPayload;
class VLManager;
class VLLocalPathLaunchPayload;
class VLRunDrive;

// `velto run [--host] [--timeout SECONDS] [--payload KEY=JSON]... [--options JSON] [--handler NAME]...
// [--screenshot FILE.png] [--drive FILE] DIR`:
// launches the widget package in the directory through the launcher, in this process, as the main
// application would through the host, and prints what it produces as velto eval does, with the code it
// turns from text into code reported on standard error. It returns once nothing is pending (no timer,
// no queued work, no animation frame asked for, no open window) or the time-out has passed, after
// terminating the runtime. The time-out holds from the start, whatever any thread is doing, and
// SIGTERM, SIGINT and SIGHUP end the run early, leaving no folder behind.
//
// --payload sets one launch setting by its name to a JSON value; "packageDigests" takes hexadecimal
// SHA-256 digests, "allowedWindowTypes" an array of names. --options gives the launch options, a JSON
// object. --screenshot writes the main screen as a PNG at the end, before the runtime terminates.
// --drive plays the rest of the machine from a file of steps (VLRunDrive); the run then lasts, time-out
// permitting, until the last step has run. --host runs the widget in a VeltoContent process instead,
// over the socket the main application speaks (VLRunHost), without --screenshot and --drive.
class VLRunCommand {
public:
    static constexpr const char* usage =
        "velto run [--host] [--timeout SECONDS] [--payload KEY=JSON]... [--options JSON] [--handler NAME]... "
        "[--screenshot FILE.png] [--drive FILE] DIR";

    // The process's exit status: 0 once the widget has run or the time-out has passed, 1 when the
    // screenshot could not be written, 2 for a usage error, 3 when the launch failed.
    static int run(const std::vector<std::string>& arguments);

private:
    struct Options {
        VLToolOptions shared;
        std::shared_ptr<VLLocalPathLaunchPayload> payload;
        std::optional<std::string> screenshotPath;
        std::shared_ptr<VLRunDrive> drive;
        bool host = false;
        // The launch payload as "launch" carries it to the host.
        VLDictionary hostPayload;
    };

    // Nothing (after a message on standard error) when the arguments are not understood.
    static bool parse(const std::vector<std::string>& arguments, Options& options);
    // False, after a message naming the key, for an unknown key or a value of the wrong type.
    // The value also goes into the host's payload.
    static bool setPayloadValue(VLLaunchPayload& payload, const std::string& assignment,
                                VLDictionary& hostPayload);
    static int launch(const Options& options);
    // 0, or 1 after a message on standard error.
    static int writeScreenshot(const Options& options);
    // SIGTERM, SIGINT and SIGHUP end the run on the main queue: its runtimes terminate, their folders
    // go, and the process ends with 128 and the signal's number.
    static void endOnSignals(const std::shared_ptr<VLManager>& manager);
    // Terminates every runtime of the manager and removes the process's folder of runtime folders now.
    static void terminateAtOnce(VLManager& manager);

    // What the screenshot may take past the deadline: compositing the screen and encoding the PNG.
    static constexpr std::chrono::seconds kScreenshotAllowance{10};
    // How long a signal's ending waits for the runtimes' threads before removing their folders.
    static constexpr std::chrono::seconds kSignalEndingGrace{2};
};
