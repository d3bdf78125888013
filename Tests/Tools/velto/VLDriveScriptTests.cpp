#include "Tests/Tools/velto/VLVeltoProcess.h"

#include "Tests/Support/VLTemporaryDirectory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

using testing::HasSubstr;

std::string drivePackage(const std::string& name) {
    return std::string(VELTO_FIXTURES) + "/drive/" + name;
}

// Runs the package with its steps.json.
VLVeltoProcess::Outcome runDriven(const std::string& name, const std::string& options = "") {
    const std::string package = drivePackage(name);
    return VLVeltoProcess::run("run --timeout 60 " + options + " --drive '" + package + "/steps.json' '" +
                               package + "'");
}

} // namespace

TEST(VLDriveScriptTests, InputThatArrivesWhileTheScriptIsBusyComesInOneOrderedBatch) {
    const VLVeltoProcess::Outcome outcome =
        runDriven("input-batches", "--payload allowsGlobalMouse=true --payload allowsKeyActivity=true");
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, VLVeltoProcess::contentsOf(drivePackage("input-batches") + "/expected.txt"));
}

TEST(VLDriveScriptTests, StepsRunAtTheirTimesAndTheRunWaitsForTheLast) {
    const VLVeltoProcess::Outcome outcome = runDriven("appearance");
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, VLVeltoProcess::contentsOf(drivePackage("appearance") + "/expected.txt"));
}

TEST(VLDriveScriptTests, TheAppearanceStartsFromTheDefaultsFile) {
    VLTemporaryDirectory home;
    std::filesystem::create_directories(home.path() / "velto");
    std::ofstream(home.path() / "velto/defaults.json") << R"({"AppleInterfaceStyle": "Dark"})";
    const VLVeltoProcess::Outcome outcome =
        VLVeltoProcess::run("run '" + drivePackage("appearance") + "'",
                            "VELTO_USER_DEFAULTS= XDG_CONFIG_HOME='" + home.path().string() + "'");
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "log: start dark\n");
}

TEST(VLDriveScriptTests, OtherAppsWindowsNeedThePermission) {
    const VLVeltoProcess::Outcome outcome = runDriven("windows-denied");
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, VLVeltoProcess::contentsOf(drivePackage("windows-denied") + "/expected.txt"));
}

TEST(VLDriveScriptTests, OtherAppsWindowsTheirVisibleTopEdgesAndAMoveThatChangesThem) {
    const VLVeltoProcess::Outcome outcome = runDriven("windows", "--payload allowsWindowPositions=true");
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, VLVeltoProcess::contentsOf(drivePackage("windows") + "/expected.txt"));
}

TEST(VLDriveScriptTests, BadFilesAndStepsAreUsageErrorsThatNameTheStep) {
    VLTemporaryDirectory directory;
    const struct {
        const char* contents;
        const char* error;
    } cases[] = {
        {nullptr, "can't read the file"},
        {"[{\"moveMouse\": [1, 2]},", "not a JSON array of steps"},
        {"{\"moveMouse\": [1, 2]}", "not a JSON array of steps"},
        {"[{\"moveMouse\": [1, 2]}, 3]", "step 1: not an object"},
        {"[{\"at\": 1}]", "step 0: no action"},
        {"[{\"key\": 1}, {\"fly\": true}]", "step 1: unknown action \"fly\""},
        {"[{\"key\": 1, \"keyUp\": 1}]", "step 0: more than one action"},
        {"[{\"at\": -1, \"key\": 1}]", "step 0: \"at\" takes a number of seconds, 0 or more"},
        {"[{\"at\": \"1\", \"key\": 1}]", "step 0: \"at\" takes"},
        {"[{\"moveMouse\": [1]}]", "step 0: \"moveMouse\" takes a point"},
        {"[{\"mouseDown\": 1.5}]", "step 0: \"mouseDown\" takes a button number"},
        {"[{\"key\": 70000}]", "step 0: \"key\" takes a key code"},
        {"[{\"keyAccess\": \"maybe\"}]", "step 0: \"keyAccess\" takes"},
        {"[{\"appearance\": 1}]", "step 0: \"appearance\" takes"},
        {"[{\"sleep\": \"yes\"}]", "step 0: \"sleep\" takes true or false"},
        {"[{\"launchApplication\": {\"pid\": 9}}]", "step 0: \"launchApplication\" takes"},
        {"[{\"hideApplication\": \"9\"}]", "step 0: \"hideApplication\" takes a process identifier"},
        {"[{\"addWindow\": {\"label\": \"w\", \"pid\": 9}}]", "step 0: \"addWindow\" takes"},
        {"[{\"setWindow\": {\"label\": \"w\", \"alpha\": \"1\"}}]", "step 0: \"setWindow\" takes"},
        {"[{\"removeWindow\": 3}]", "step 0: \"removeWindow\" takes a window's label"},
    };
    int index = 0;
    for (const auto& testCase : cases) {
        const std::string path = (directory.path() / ("steps" + std::to_string(index++) + ".json")).string();
        if (testCase.contents)
            std::ofstream(path) << testCase.contents;
        const VLVeltoProcess::Outcome outcome =
            VLVeltoProcess::run("run --drive '" + path + "' '" + drivePackage("appearance") + "'");
        EXPECT_EQ(outcome.status, 2) << testCase.error;
        EXPECT_THAT(outcome.err, HasSubstr(testCase.error));
        EXPECT_EQ(outcome.out, "") << testCase.error;
    }
}
