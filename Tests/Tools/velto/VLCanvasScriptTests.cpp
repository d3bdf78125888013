#include "Tests/Tools/velto/VLVeltoProcess.h"

#include <gtest/gtest.h>

#include <string>

// Canvas classes that need no GPU, run as a widget runs them; each package prints what it saw.
TEST(VLCanvasScriptTests, Path2DChecksItsArgumentsAsTheContextWill) {
    const std::string package = std::string(VELTO_FIXTURES) + "/canvas/path2d";
    const VLVeltoProcess::Outcome outcome = VLVeltoProcess::run("run '" + package + "'");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, VLVeltoProcess::contentsOf(package + "/expected.txt"));
    EXPECT_EQ(outcome.err, "");
}
