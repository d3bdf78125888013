#include "Tests/Tools/velto/VLVeltoProcess.h"
#include "Tests/Tools/velto/VLVeltoScreenshot.h"

#include <gtest/gtest.h>

#include <string>

// Each package under Fixtures/components prints what its components do; the output must be its
// expected.txt exactly.
TEST(VLComponentScriptTests, PackagesPrintTheirExpectedOutput) {
    for (const char* name : {"construction", "tree", "layout", "style"}) {
        SCOPED_TRACE(name);
        const std::string package = std::string(VELTO_FIXTURES) + "/components/" + name;
        const VLVeltoProcess::Outcome outcome = VLVeltoProcess::run("run '" + package + "'");
        EXPECT_EQ(outcome.status, 0);
        EXPECT_EQ(outcome.out, VLVeltoProcess::contentsOf(package + "/expected.txt"));
        EXPECT_EQ(outcome.err, "");
    }
}

// A tree as deep as allowed is laid out on the JavaScript thread and drawn on the main thread within
// their stacks (the sanitizers' larger frames included); a level more is refused.
TEST(VLComponentScriptTests, TheDeepestTreeAllowedLaysOutAndShowsInAWindow) {
    const std::string package = std::string(VELTO_FIXTURES) + "/components/depth";
    const VLVeltoScreenshot shot("--timeout 60 --payload 'allowedWindowTypes=[\"widget\"]' '" + package +
                                 "'");
    EXPECT_EQ(shot.outcome().status, 0) << shot.outcome().err;
    EXPECT_EQ(shot.outcome().out, VLVeltoProcess::contentsOf(package + "/expected.txt"));
    const VLVeltoScreenshot::Point points[] = {{100, 50, {0, 255, 0, 255}}, {199, 99, {0, 255, 0, 255}}};
    shot.expectColours(points);
}
