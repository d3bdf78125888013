#include "Tests/Tools/velto/VLVeltoProcess.h"
#include "Tests/Tools/velto/VLVeltoScreenshot.h"

#include <gtest/gtest.h>

#include <string>

// Each package under Fixtures/windows, run with its launch settings, prints what its windows do; the
// output must be the expected file exactly.
TEST(VLWindowScriptTests, PackagesPrintTheirExpectedOutput) {
    const struct {
        const char* package;
        const char* settings;
        const char* expected;
    } cases[] = {
        {"types", "--payload 'allowedWindowTypes=[\"widget\",\"desktop\"]'", "expected-allowed.txt"},
        {"types", "--payload 'allowedWindowTypes=[]'", "expected-none-allowed.txt"},
        {"types", "", "expected-all-allowed.txt"},
        {"limit", "--payload restrictsWindows=true", "expected.txt"},
        {"regions", "", "expected.txt"},
        {"parents", "", "expected.txt"},
        {"ratio", "--payload devicePixelRatio=2", "expected-host.txt"},
        {"ratio", "", "expected-screen.txt"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(std::string(test.package) + " " + test.settings);
        const std::string package = std::string(VELTO_FIXTURES) + "/windows/" + test.package;
        const VLVeltoProcess::Outcome outcome =
            VLVeltoProcess::run("run " + std::string(test.settings) + " '" + package + "'");
        EXPECT_EQ(outcome.status, 0);
        EXPECT_EQ(outcome.out, VLVeltoProcess::contentsOf(package + "/" + test.expected));
        EXPECT_EQ(outcome.err, "");
    }
}

// The window sits at its layout frame, 200,100 to 360,180, filled blue, its child red at 20,10 inside it.
// The run ends once the widget has settled, the open window aside, long before the time-out.
TEST(VLWindowScriptTests, AScriptMadeWidgetWindowAppearsInTheScreenshot) {
    const VLVeltoScreenshot shot("--timeout 600 --payload 'allowedWindowTypes=[\"widget\"]' '" +
                                 std::string(VELTO_FIXTURES) + "/windows/screenshot'");
    EXPECT_EQ(shot.outcome().status, 0);
    EXPECT_EQ(shot.outcome().err, "");
    using Pixel = VLVeltoScreenshot::Pixel;
    const Pixel red{255, 0, 0, 255}, blue{0, 0, 255, 255}, none{0, 0, 0, 0};
    const VLVeltoScreenshot::Point points[] = {
        {220, 110, red},  {259, 139, red},  {240, 125, red},  {219, 125, blue}, {260, 125, blue},
        {240, 140, blue}, {200, 100, blue}, {359, 179, blue}, {199, 140, none}, {360, 140, none},
        {280, 99, none},  {280, 180, none}, {0, 0, none},
    };
    shot.expectColours(points);
}
