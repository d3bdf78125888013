#include "Tests/Tools/velto/VLVeltoProcess.h"
#include "Tests/Tools/velto/VLVeltoScreenshot.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace {

std::string canvasPackage(const std::string& name) {
    return std::string(VELTO_FIXTURES) + "/canvas/" + name;
}

} // namespace

// Canvas classes that need no GPU, run as a widget runs them; each package prints what it saw.
TEST(VLCanvasScriptTests, Path2DChecksItsArgumentsAsTheContextWill) {
    const VLVeltoProcess::Outcome outcome = VLVeltoProcess::run("run '" + canvasPackage("path2d") + "'");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, VLVeltoProcess::contentsOf(canvasPackage("path2d") + "/expected.txt"));
    EXPECT_EQ(outcome.err, "");
}

// The canvas element's sizes, contexts, stand-ins, handlers and frame events, on llvmpipe.
TEST(VLCanvasScriptTests, TheCanvasElementAnswersAsItsScriptExpects) {
    const VLVeltoProcess::Outcome outcome = VLVeltoProcess::run("run '" + canvasPackage("element") + "'");
    EXPECT_EQ(outcome.status, 0);
    // The engine's own warnings and errors carry the time.
    const std::string out =
        std::regex_replace(outcome.out, std::regex("(^|\n)(warn|error): \\[[-0-9]+ [:0-9]+\\] "), "$1$2: ");
    EXPECT_EQ(out, VLVeltoProcess::contentsOf(canvasPackage("element") + "/expected.txt"));
    EXPECT_EQ(outcome.err, "");
}

// Six blue windows 120 × 40 at x 100, from y 100 every 50 points, each with a red 40 × 20 canvas at
// 10,10: opaque canvases show black there (the third laid out 80 wide after its first frame), the
// transparent one and the one without a context show the red. The run ends once the widget has settled,
// its windows open.
TEST(VLCanvasScriptTests, CanvasesAppearInTheScreenshotOverTheirComponents) {
    const VLVeltoScreenshot shot("--timeout 600 --payload 'allowedWindowTypes=[\"widget\"]' '" +
                                 canvasPackage("screenshot") + "'");
    EXPECT_EQ(shot.outcome().status, 0);
    EXPECT_EQ(shot.outcome().err, "");
    using Pixel = VLVeltoScreenshot::Pixel;
    const Pixel red{255, 0, 0, 255}, blue{0, 0, 255, 255}, black{0, 0, 0, 255};
    std::vector<VLVeltoScreenshot::Point> points;
    const Pixel inside[] = {black, black, black, red, red, black};
    for (uint32_t window = 0; window < 6; ++window) {
        const uint32_t top = 100 + window * 50;
        for (auto [x, y] : {std::pair{110u, 10u}, {149u, 29u}, {130u, 20u}})
            points.push_back({x, top + y, inside[window]});
        points.push_back({105, top + 20, blue});
        points.push_back({130, top + 35, blue});
        points.push_back({180, top + 20, window == 2 ? black : blue});
        points.push_back({191, top + 20, blue});
    }
    shot.expectColours(points);
}
