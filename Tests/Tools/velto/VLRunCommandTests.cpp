#include "Tests/Tools/velto/VLVeltoProcess.h"
#include "Tests/Tools/velto/VLVeltoScreenshot.h"

#include "Platform/Foundation/VLSHA256.h"
#include "Platform/Graphics/VLBitmap.h"
#include "Tests/Support/VLTemporaryDirectory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <thread>

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
        {"run", "usage: velto run [--timeout SECONDS] [--payload KEY=JSON]... [--options JSON] [--handler "
                "NAME]... [--screenshot FILE.png] DIR"},
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

TEST(VLRunCommandTests, AScreenshotThatCannotBeWrittenExitsWith1) {
    VLTemporaryDirectory directory;
    const std::string path = (directory.path() / "missing" / "screen.png").string();
    const VLVeltoProcess::Outcome outcome = VLVeltoProcess::run(
        "run --timeout 60 --screenshot " + quoted(path) + " " + quoted(package("greeting")));
    EXPECT_EQ(outcome.status, 1);
    EXPECT_THAT(outcome.err, HasSubstr("screenshot failed: "));
    EXPECT_THAT(outcome.out, HasSubstr("warn: later 42"));
    EXPECT_FALSE(std::filesystem::exists(path));
}
