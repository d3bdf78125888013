#include "Tests/Tools/velto/VLVeltoProcess.h"
#include "Tests/Tools/velto/VLVeltoScreenshot.h"

#include "Platform/Foundation/VLSHA256.h"
#include "Platform/Graphics/VLBitmap.h"
#include "Tests/Support/VLTemporaryDirectory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <vector>

namespace {

using testing::HasSubstr;
using testing::MatchesRegex;

std::string package(const std::string& name) {
    return std::string(VELTO_FIXTURES) + "/run/" + name;
}

std::string quoted(const std::string& text) {
    return "'" + text + "'";
}

// The package's index.js digest in hexadecimal.
std::string indexDigest(const std::string& name) {
    const std::string script = VLVeltoProcess::contentsOf(package(name) + "/index.js");
    const VLSHA256Digest digest =
        VLSHA256::digest(std::span(reinterpret_cast<const uint8_t*>(script.data()), script.size()));
    std::string hex;
    for (uint8_t byte : digest) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", byte);
        hex += pair;
    }
    return hex;
}

// The process's context switches over a second of its life. The first second and a half after the
// call is left out: the allocator under JavaScriptCore tidies up for a moment after start.
long contextSwitchesOverASecond(const VLVeltoProcess& velto) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const long before = velto.contextSwitches();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    return velto.contextSwitches() - before;
}

} // namespace

TEST(VLRunCommandTests, PrintsWhatTheWidgetProducesAndEndsWhenNothingIsPending) {
    const VLVeltoProcess::Outcome outcome = VLVeltoProcess::run(
        "run --handler out --options '{\"city\":\"Oslo\",\"parameters\":{\"unit\":\"C\"}}' " +
        quoted(package("greeting")));
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, "log: options {\"city\":\"Oslo\",\"parameters\":{\"unit\":\"C\"}} true true\n"
                           "message out: {\"apiVersion\":9,\"sum\":42}\n"
                           "warn: later 42\n");
    EXPECT_EQ(outcome.err, "dynamic-code eval: 20 + 22\n"
                           "dynamic-code Function: a, return a * 2\n");
}

TEST(VLRunCommandTests, ALaunchThatFailsExitsWith3) {
    const std::string wrongDigest(64, '0');
    // A script a byte over the cap, sparse so that it takes no room on the disk.
    VLTemporaryDirectory large;
    std::ofstream(large.path() / "index.js") << "//";
    std::filesystem::resize_file(large.path() / "index.js", 268435457);
    const struct {
        std::string arguments;
        std::string out;
        std::string err;
    } cases[] = {
        {"--payload 'packageDigests={\"index.js\":\"" + wrongDigest + "\"}' " + quoted(package("digest")), "",
         "launch failed: Can't read index.js: the file was changed after it was installed\n"},
        {"--payload 'packageDigests={}' " + quoted(package("digest")), "",
         "launch failed: Can't read index.js: Not a file of the package: index.js\n"},
        {quoted(package("absent")), "", "launch failed: The package has no index.js\n"},
        {quoted(large.path()), "",
         "launch failed: Can't read index.js: the file is larger than 268435456 bytes\n"},
        {quoted(package("throws")), "log: loading\n",
         "exception: TypeError: not today, at line: 3, source file: velto:///index.js\n"
         "stack: global code@velto:///index.js:3:[0-9]+\n"
         "launch failed: TypeError: not today, at line: 3, source file: velto:///index.js\n"},
    };
    for (const auto& [arguments, out, err] : cases) {
        const VLVeltoProcess::Outcome outcome = VLVeltoProcess::run("run " + arguments);
        EXPECT_EQ(outcome.status, 3) << arguments;
        EXPECT_EQ(outcome.out, out) << arguments;
        EXPECT_THAT(outcome.err, MatchesRegex(err)) << arguments;
    }

    const VLVeltoProcess::Outcome checked =
        VLVeltoProcess::run("run --payload 'packageDigests={\"index.js\":\"" + indexDigest("digest") +
                            "\"}' " + quoted(package("digest")));
    EXPECT_EQ(checked.status, 0);
    EXPECT_EQ(checked.out, "log: checked\n");
}

TEST(VLRunCommandTests, UsageErrorsExitWith2NamingWhatIsWrong) {
    const std::string greeting = " " + quoted(package("greeting"));
    const struct {
        std::string arguments;
        std::string error;
    } cases[] = {
        {"run",
         "usage: velto run [--host] [--timeout SECONDS] [--payload KEY=JSON]... [--options JSON] [--handler "
         "NAME]... [--screenshot FILE.png] [--drive FILE] DIR"},
        {"run --payload allowsNetwork=true" + greeting, "--payload allowsNetwork:"},
        {"run --payload allowsNetworkAccess='\"yes\"'" + greeting, "--payload allowsNetworkAccess:"},
        {"run --payload 'allowedNetworkHosts=[1]'" + greeting, "--payload allowedNetworkHosts:"},
        {"run --payload 'allowedWindowTypes=\"widget\"'" + greeting, "--payload allowedWindowTypes:"},
        {"run --payload 'packageDigests={\"index.js\":\"abc\"}'" + greeting, "--payload packageDigests:"},
        {"run --payload dataQuota=-1" + greeting, "--payload dataQuota:"},
        {"run --payload 'name={'" + greeting, "--payload name:"},
        {"run --payload allowsAudio" + greeting, "--payload takes KEY=JSON"},
        {"run --options '[1]'" + greeting, "--options takes a JSON object"},
        {"run --options '{'" + greeting, "--options takes a JSON object"},
        {"run --timeout soon" + greeting, "--timeout takes a number of seconds"},
        {"run" + greeting + " --screenshot", "--screenshot takes a file name"},
        {"run" + greeting + greeting, "unexpected argument"},
        {"run --host --screenshot shot.png" + greeting, "--host runs without --screenshot and --drive"},
    };
    for (const auto& [arguments, error] : cases) {
        const VLVeltoProcess::Outcome outcome = VLVeltoProcess::run(arguments);
        EXPECT_EQ(outcome.status, 2) << arguments;
        EXPECT_THAT(outcome.err, HasSubstr(error)) << arguments;
        EXPECT_EQ(outcome.out, "") << arguments;
    }
}

TEST(VLRunCommandTests, SettingsReachTheWidget) {
    const VLVeltoProcess::Outcome outcome = VLVeltoProcess::run(
        "run --payload allowsNetworkAccess=true --payload 'allowedWindowTypes=[\"widget\"]' --payload "
        "'name=\"Forecast\"' --options '{\"parameters\":{\"unit\":\"F\"}}' " +
        quoted(package("greeting")));
    EXPECT_EQ(outcome.status, 0);
    EXPECT_THAT(outcome.out, HasSubstr("log: options {\"parameters\":{\"unit\":\"F\"}} true true\n"));
}

TEST(VLRunCommandTests, AWidgetWithNothingPendingEndsLongBeforeItsTimeout) {
    VLVeltoProcess velto({"run", "--timeout", "600", package("greeting")});
    EXPECT_EQ(velto.readLine(), "log: options {} true true");
    EXPECT_EQ(velto.waitForExit(), 0);
}

TEST(VLRunCommandTests, TheTimeoutEndsAWidgetThatKeepsTicking) {
    const VLVeltoProcess::Outcome outcome =
        VLVeltoProcess::run("run --timeout 5 " + quoted(package("endless")));
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, "log: ticking\n");
}

// A widget waiting on a long timer costs its process no wake-ups.
TEST(VLRunCommandTests, AWidgetWaitingOnATimerWakesNothing) {
    VLVeltoProcess velto({"run", "--timeout", "30", package("waiting")});
    ASSERT_EQ(velto.readLine(), "log: waiting");
    EXPECT_LE(contextSwitchesOverASecond(velto), 2);
}

TEST(VLRunCommandTests, AnimationFramesTickHeadlessAndAreWaitedFor) {
    VLVeltoProcess velto({"run", "--timeout", "600", package("frames")});
    EXPECT_EQ(velto.readLine(), "log: done 60 true");
    EXPECT_EQ(velto.waitForExit(), 0);
}

// Once its last frame has run, a widget's display link stops: waiting on a timer, it wakes nothing.
TEST(VLRunCommandTests, AWidgetThatStoppedAnimatingWakesNothing) {
    VLVeltoProcess velto({"run", "--timeout", "30", package("frames-then-idle")});
    ASSERT_EQ(velto.readLine(), "log: idle");
    EXPECT_LE(contextSwitchesOverASecond(velto), 2);
}

TEST(VLRunCommandTests, AScreenshotOfARunWithoutWindowsIsATransparentScreen) {
    const VLVeltoScreenshot shot("--timeout 60 " + quoted(package("greeting")));
    EXPECT_EQ(shot.outcome().status, 0) << shot.outcome().err;
    const std::shared_ptr<VLBitmap>& screen = shot.screen();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->width(), 1440u);
    EXPECT_EQ(screen->height(), 900u);
    const uint8_t* bytes = screen->bytes();
    EXPECT_TRUE(std::all_of(bytes, bytes + screen->byteCount(), [](uint8_t byte) { return byte == 0; }));
}

// A path that names no file is left as it is: the screenshot is never renamed over a device, a FIFO,
// a folder or a link, and the failure is the run's.
TEST(VLRunCommandTests, AScreenshotThatCannotBeWrittenExitsWith1AndLeavesThePathAlone) {
    VLTemporaryDirectory directory;
    const std::filesystem::path& root = directory.path();
    std::filesystem::create_directory(root / "folder");
    ASSERT_EQ(0, ::mkfifo((root / "fifo").c_str(), 0600));
    std::filesystem::create_symlink(root / "target.png", root / "link");
    // Only root may make a device node; without one the other cases still run.
    const bool madeDevice = ::mknod((root / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    struct Case {
        std::string name;
        std::filesystem::file_type type;
    };
    std::vector<Case> cases = {{"missing/screen.png", std::filesystem::file_type::not_found},
                               {"folder", std::filesystem::file_type::directory},
                               {"fifo", std::filesystem::file_type::fifo},
                               {"link", std::filesystem::file_type::symlink}};
    if (madeDevice)
        cases.push_back({"null", std::filesystem::file_type::character});
    for (const Case& entry : cases) {
        const std::string path = (root / entry.name).string();
        const VLVeltoProcess::Outcome outcome = VLVeltoProcess::run(
            "run --timeout 60 --screenshot " + quoted(path) + " " + quoted(package("greeting")));
        EXPECT_EQ(outcome.status, 1) << entry.name;
        EXPECT_THAT(outcome.err, HasSubstr("screenshot failed: ")) << entry.name;
        EXPECT_THAT(outcome.out, HasSubstr("warn: later 42")) << entry.name;
        EXPECT_EQ(std::filesystem::symlink_status(path).type(), entry.type) << entry.name;
    }
    EXPECT_FALSE(std::filesystem::exists(root / "target.png"));
    EXPECT_TRUE(std::filesystem::is_empty(root / "folder"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root), {}), madeDevice ? 4 : 3);
}

// A signal ends the run at once with 128 and its number, and the runtime's folders go with it; a run
// that ends by itself leaves no empty folder of its own either.
TEST(VLRunCommandTests, SignalsEndTheRunWithoutLeavingItsFolders) {
    VLTemporaryDirectory temporary;
    const std::string previous = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
    ::setenv("TMPDIR", temporary.path().c_str(), 1);
    const std::filesystem::path runtimes = temporary.path() / "Velto-runtimes";
    for (int number : {SIGTERM, SIGINT, SIGHUP}) {
        VLVeltoProcess velto({"run", "--timeout", "60", package("files-then-waiting")});
        ASSERT_EQ(velto.readLine(), "log: waiting") << number;
        const std::filesystem::path own = runtimes / std::to_string(velto.pid());
        EXPECT_FALSE(std::filesystem::is_empty(own)) << number;
        ::kill(velto.pid(), number);
        EXPECT_EQ(velto.waitForExit(), 128 + number) << number;
        EXPECT_FALSE(std::filesystem::exists(own)) << number;
    }
    VLVeltoProcess velto({"run", "--timeout", "60", package("greeting")});
    EXPECT_EQ(velto.waitForExit(), 0);
    EXPECT_FALSE(std::filesystem::exists(runtimes / std::to_string(velto.pid())));
    if (previous.empty())
        ::unsetenv("TMPDIR");
    else
        ::setenv("TMPDIR", previous.c_str(), 1);
}

namespace {

// The processes whose environment holds the assignment.
std::vector<pid_t> processesWithEnvironment(const std::string& assignment) {
    std::vector<pid_t> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const std::string environment = VLVeltoProcess::contentsOf(entry.path() / "environ");
        if (environment.find(assignment + '\0') != std::string::npos)
            found.push_back(pid_t(std::stol(name)));
    }
    return found;
}

std::string withoutDynamicCode(const std::string& text) {
    std::string kept;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = std::min(text.find('\n', start), text.size() - 1) + 1;
        if (text.compare(start, 13, "dynamic-code ") != 0)
            kept += text.substr(start, end - start);
        start = end;
    }
    return kept;
}

} // namespace

TEST(VLRunCommandTests, TheHostPrintsWhatTheRunPrintsAndLeavesNothingBehind) {
    for (const char* name : {"digest", "endless", "files-then-waiting", "frames", "frames-then-idle",
                             "greeting", "throws", "waiting"}) {
        SCOPED_TRACE(name);
        VLTemporaryDirectory temporary;
        const std::string environment = "TMPDIR=" + temporary.path().string();
        const std::string arguments =
            " --handler out --options '{\"city\":\"Oslo\"}' " + quoted(package(name));
        const VLVeltoProcess::Outcome inProcess =
            VLVeltoProcess::run("run --timeout 2" + arguments, environment);
        // A sanitized host on a busy machine has needed more than 2 s to start and launch.
        const VLVeltoProcess::Outcome hosted =
            VLVeltoProcess::run("run --host --timeout 6" + arguments, environment);
        EXPECT_EQ(inProcess.status, hosted.status);
        EXPECT_EQ(inProcess.out, hosted.out);
        EXPECT_EQ(withoutDynamicCode(inProcess.err), hosted.err);
        EXPECT_THAT(processesWithEnvironment(environment), testing::IsEmpty()) << "the host has ended";
        for (const auto& entry : std::filesystem::recursive_directory_iterator(temporary.path()))
            EXPECT_EQ("Velto-runtimes", entry.path().filename()) << entry.path();
    }
}
