#include "Tests/Tools/velto/VLVeltoProcess.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string fsPackage(const std::string& name) {
    return std::string(VELTO_FIXTURES) + "/fs/" + name;
}

} // namespace

// Each package prints what it did; velto run waits for the callbacks and promises of the file
// operations before it ends.
TEST(VLFileSystemScriptTests, PackagesRequireModulesAndUseTheFileSystemAsNodeDoes) {
    for (const char* name : {"require", "forms", "errors"}) {
        const VLVeltoProcess::Outcome outcome = VLVeltoProcess::run("run '" + fsPackage(name) + "'");
        EXPECT_EQ(outcome.status, 0) << name;
        EXPECT_EQ(outcome.out, VLVeltoProcess::contentsOf(fsPackage(name) + "/expected.txt")) << name;
        EXPECT_EQ(outcome.err, "") << name;
    }
}
