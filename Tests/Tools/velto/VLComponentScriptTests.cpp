#include "Tests/Tools/velto/VLVeltoProcess.h"

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
