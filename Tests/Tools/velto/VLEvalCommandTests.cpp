#include "Tests/Support/VLSanitizers.h"
#include "Tests/Tools/velto/VLVeltoProcess.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>

namespace {

using testing::ContainsRegex;
using testing::HasSubstr;
using testing::MatchesRegex;

// The text after the marker on the line that starts with it, or the empty text.
std::string directive(const std::string& script, const std::string& marker) {
    std::istringstream lines(script);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with(marker))
            return line.substr(marker.size());
    }
    return {};
}

// The exception reports of the tool's standard error, without their call stacks.
std::string exceptionLines(const std::string& err) {
    std::istringstream lines(err);
    std::string reports;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("exception: "))
            reports += line + "\n";
    }
    return reports;
}

std::string fixture(const std::string& name) {
    return std::string("'") + VELTO_FIXTURES + "/eval/" + name + "'";
}

} // namespace

TEST(VLEvalCommandTests, PrintsConsoleLinesMessagesAndExceptions) {
    const VLVeltoProcess::Outcome outcome = VLVeltoProcess::run("eval --handler out " + fixture("basic.js"));
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out,
              "log: a {\"b\":1}\n"
              "warn: careful\n"
              "message out: {\"n\":1,\"list\":[1,\"two\",null],\"when\":\"1970-01-01T00:00:00.000Z\","
              "\"half\":0.5}\n"
              "message out: null\n");
    EXPECT_THAT(outcome.err,
                MatchesRegex("exception: Error: `missing` script message handler not found, at line: 4, "
                             "source file: velto:///basic.js\n"
                             "stack: [^\n]*\n[^\n]*\n"
                             "exception: TypeError: boom, at line: 6, source file: velto:///basic.js\n"
                             "stack: global code@velto:///basic.js:6:[0-9]+\n"));
}

// Bytes are printed as their numbers straight from the data: the process holds the engine, the bytes and
// the text as it grows, within four times the text (128 MiB here), not a value of 40 bytes per byte
// (2.5 GiB and more).
TEST(VLEvalCommandTests, ALargeTypedArrayMessageIsPrintedWithBoundedMemory) {
    const VLVeltoProcess::Outcome outcome =
        VLVeltoProcess::run("eval --timeout 100 --handler out " + fixture("large-message.js"));
    EXPECT_EQ(outcome.status, 0);
    const size_t count = 64 * 1024 * 1024;
    // "message out: [", then "7," for each byte but the last, "7]" and the end of the line.
    ASSERT_EQ(outcome.out.size(), std::string("message out: [").size() + count * 2 + 1);
    EXPECT_TRUE(outcome.out.starts_with("message out: [7,7,"));
    EXPECT_TRUE(outcome.out.ends_with(",7,7]\n"));
    rusage usage{};
    ASSERT_EQ(::getrusage(RUSAGE_CHILDREN, &usage), 0);
    if (!VL_TEST_SHADOWS_MEMORY) {
        EXPECT_LT(usage.ru_maxrss, 512 * 1024) << "kilobytes";
    }
}

TEST(VLEvalCommandTests, TheTimeoutEndsAScriptThatNeverReturns) {
    // The time-out leaves ample room for the engine to start and the script to reach its loop.
    for (const char* script : {"endless.js", "endless-timer.js"}) {
        const VLVeltoProcess::Outcome outcome = VLVeltoProcess::run("eval --timeout 2 " + fixture(script));
        EXPECT_EQ(outcome.status, 0) << script;
        EXPECT_EQ(outcome.out, "log: before\n") << script;
    }
}

TEST(VLEvalCommandTests, TheTimeoutHoldsWhileNobodyReadsTheOutput) {
    VLVeltoProcess velto({"eval", "--timeout", "1", std::string(VELTO_FIXTURES) + "/eval/flood.js"});
    EXPECT_EQ(velto.waitForExit(), 0);
}

// A script that waits on a timer costs its process no wake-ups. Its first second is left out: the
// allocator under JavaScriptCore tidies up for a moment after start.
TEST(VLEvalCommandTests, AScriptWaitingOnATimerWakesNothing) {
    VLVeltoProcess velto({"eval", std::string(VELTO_FIXTURES) + "/eval/wait-on-timer.js"});
    ASSERT_EQ(velto.readLine(), "log: waiting");
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const long before = velto.contextSwitches();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_LE(velto.contextSwitches() - before, 2);
}

TEST(VLEvalCommandTests, ExitStatusOfFailures) {
    const struct {
        std::string arguments;
        int status;
        std::string error;
    } cases[] = {
        {"eval", 2, "usage: velto eval [--timeout SECONDS] [--handler NAME]... [--fallback-promise] FILE.js"},
        {"eval --timeout soon " + fixture("basic.js"), 2, "--timeout takes a number of seconds"},
        {"eval --timeout -1 " + fixture("basic.js"), 2, "--timeout takes a number of seconds"},
        {"eval --handler", 2, "--handler takes a name"},
        {"eval --verbose " + fixture("basic.js"), 2, "unexpected argument --verbose"},
        {"eval " + fixture("basic.js") + " " + fixture("basic.js"), 2, "unexpected argument"},
        {"eval " + fixture("absent.js"), 1, "can't read"},
        {"eval " + fixture(""), 1, "Is a directory"},
    };
    for (const auto& c : cases) {
        const VLVeltoProcess::Outcome outcome = VLVeltoProcess::run(c.arguments);
        EXPECT_EQ(outcome.status, c.status) << c.arguments;
        EXPECT_THAT(outcome.err, HasSubstr(c.error)) << c.arguments;
        EXPECT_EQ(outcome.out, "") << c.arguments;
    }
}

// Under an address limit of 8 GiB, what JavaScriptCore needs to start with room to spare, a script that
// takes all memory can catch the failure and go on, and an error of a huge message costs a report of a
// bounded size. Sanitizers reserve more address space than the limit allows.
TEST(VLEvalCommandTests, ScriptsLiveThroughMemoryExhaustion) {
#if VL_TEST_SHADOWS_MEMORY
    GTEST_SKIP() << "sanitizers reserve more address space than the limit";
#endif
    const std::string limit = "ulimit -v 8388608;";
    // With the address space full, JavaScriptCore's own helper threads sometimes abort inside its
    // allocator (a few runs in a hundred), which nothing of ours can prevent. A run that dies by a signal
    // is tried again; our own aborts under pressure happened every time, so they still fail here.
    auto runUnderPressure = [&](const std::string& script) {
        VLVeltoProcess::Outcome outcome;
        for (int attempt = 0; attempt < 5; ++attempt) {
            // Filling memory is slow on a busy machine: the time-out must not end the script first.
            outcome = VLVeltoProcess::run("eval --timeout 60 " + fixture(script), limit);
            if (outcome.status >= 0 && outcome.status < 128)
                break;
        }
        return outcome;
    };
    const VLVeltoProcess::Outcome exhausted = runUnderPressure("memory/exhaustion.js");
    EXPECT_EQ(exhausted.status, 0);
    EXPECT_EQ(exhausted.out, "log: caught RangeError\nlog: after\n");
    EXPECT_EQ(
        exceptionLines(exhausted.err),
        "exception: Error: reported under pressure, at line: 15, source file: velto:///exhaustion.js\n");

    // The message and the stack are each cut to 64 KiB and marked as cut.
    const VLVeltoProcess::Outcome huge = runUnderPressure("memory/huge-error.js");
    EXPECT_EQ(huge.status, 0);
    EXPECT_EQ(huge.out, "log: still running\n");
    const std::string cut = "... [cut]";
    EXPECT_EQ(huge.err, "exception: Error: " + std::string(65536 - 7, 'x') + cut +
                            ", at line: 3, source file: velto:///huge-error.js\n" +
                            "stack: " + std::string(65536, 'x') + cut + "\n");
}

// Each script in eval/prelude and eval/engine prints what NAME.out holds and reports the exceptions that
// NAME.err lists (none without the file). A line "// velto eval: ..." gives options, "// environment: ..."
// variables; the locale variables are cleared first, so that the languages do not depend on the machine.
TEST(VLEvalCommandTests, ScriptFixturesGiveTheirExpectedOutput) {
    size_t scripts = 0;
    for (const char* folder : {"prelude", "engine"}) {
        const std::filesystem::path directory = std::filesystem::path(VELTO_FIXTURES) / "eval" / folder;
        for (const auto& entry : std::filesystem::directory_iterator(directory)) {
            const std::filesystem::path script = entry.path();
            if (script.extension() != ".js")
                continue;
            ++scripts;
            const std::string text = VLVeltoProcess::contentsOf(script);
            // Each script ends once nothing is pending; the long time-out only keeps a busy machine
            // from ending one early.
            const VLVeltoProcess::Outcome outcome = VLVeltoProcess::run(
                "eval --timeout 60 " + directive(text, "// velto eval: ") + " '" + script.string() + "'",
                "LANGUAGE= LC_ALL= LC_MESSAGES= LANG= " + directive(text, "// environment: "));
            std::filesystem::path expected = script;
            EXPECT_EQ(outcome.status, 0) << script;
            EXPECT_EQ(outcome.out, VLVeltoProcess::contentsOf(expected.replace_extension(".out"))) << script;
            EXPECT_EQ(exceptionLines(outcome.err),
                      VLVeltoProcess::contentsOf(expected.replace_extension(".err")))
                << script << "\n"
                << outcome.err;
        }
    }
    EXPECT_GT(scripts, 0u);
}
