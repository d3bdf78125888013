#include "Tests/Tools/velto/VLVeltoProcess.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string networkPackage(const std::string& name) {
    return std::string(VELTO_FIXTURES) + "/network/" + name;
}

} // namespace

// Each package prints what the web classes of the Network prelude did; velto run waits for their
// promises and timers before it ends, and each ends by itself: the long time-out only keeps a busy
// machine from cutting one short.
TEST(VLNetworkScriptTests, PackagesUseTheWebClassesOfTheNetworkPrelude) {
    for (const char* name : {"encoding", "url", "blob", "form-data", "file-reader", "streams", "object-urls",
                             "abort", "fetch", "xhr"}) {
        const VLVeltoProcess::Outcome outcome =
            VLVeltoProcess::run("run --timeout 60 '" + networkPackage(name) + "'");
        EXPECT_EQ(outcome.status, 0) << name;
        EXPECT_EQ(outcome.out, VLVeltoProcess::contentsOf(networkPackage(name) + "/expected.txt")) << name;
        EXPECT_EQ(outcome.err, "") << name;
    }
}
