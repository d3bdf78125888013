#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace {

using testing::ContainsRegex;
using testing::HasSubstr;
using testing::MatchesRegex;

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

std::string contentsOf(const std::filesystem::path& path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Runs the velto tool with the arguments (already quoted for the shell) and collects what it wrote.
Outcome runVelto(const std::string& arguments) {
    const auto directory = std::filesystem::temp_directory_path() /
                           ("velto-eval-test-" + std::to_string(::getpid()) + "-" +
                            testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(directory);
    const std::string command = std::string("'") + VELTO_TOOL + "' " + arguments + " >'" +
                                (directory / "out").string() + "' 2>'" + (directory / "err").string() + "'";
    const int status = std::system(command.c_str());
    Outcome outcome{WIFEXITED(status) ? WEXITSTATUS(status) : -1, contentsOf(directory / "out"),
                    contentsOf(directory / "err")};
    std::filesystem::remove_all(directory);
    return outcome;
}

std::string fixture(const std::string& name) {
    return std::string("'") + VELTO_FIXTURES + "/eval/" + name + "'";
}

TEST(VLEvalCommandTests, PrintsConsoleLinesMessagesAndExceptions) {
    const Outcome outcome = runVelto("eval --handler out " + fixture("basic.js"));
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

TEST(VLEvalCommandTests, ExitStatusOfFailures) {
    const struct {
        std::string arguments;
        int status;
        std::string error;
    } cases[] = {
        {"eval", 2, "usage: velto eval [--timeout SECONDS] [--handler NAME]... FILE.js"},
        {"eval --timeout soon " + fixture("basic.js"), 2, "--timeout takes a number of seconds"},
        {"eval --timeout -1 " + fixture("basic.js"), 2, "--timeout takes a number of seconds"},
        {"eval --handler", 2, "--handler takes a name"},
        {"eval --verbose " + fixture("basic.js"), 2, "unexpected argument --verbose"},
        {"eval " + fixture("basic.js") + " " + fixture("basic.js"), 2, "unexpected argument"},
        {"eval " + fixture("absent.js"), 1, "can't read"},
        {"eval " + fixture(""), 1, "Is a directory"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = runVelto(c.arguments);
        EXPECT_EQ(outcome.status, c.status) << c.arguments;
        EXPECT_THAT(outcome.err, HasSubstr(c.error)) << c.arguments;
        EXPECT_EQ(outcome.out, "") << c.arguments;
    }
}

} // namespace
