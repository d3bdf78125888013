#include "Tests/Tools/velto/VLVeltoProcess.h"

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
