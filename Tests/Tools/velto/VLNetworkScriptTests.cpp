#include "Tests/Tools/velto/VLVeltoProcess.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace {

std::string networkPackage(const std::string& name) {
    return std::string(VELTO_FIXTURES) + "/network/" + name;
}

// Runs each package of the list and compares what it printed with its expected output. velto run waits
// for their promises, timers and requests before it ends, and each ends by itself: the long time-out
// only keeps a busy machine from cutting one short.
void expectNetworkPackagesPrintTheirOutput(std::initializer_list<const char*> names,
                                           const std::string& options = "") {
    for (const char* name : names) {
        const VLVeltoProcess::Outcome outcome =
            VLVeltoProcess::run("run --timeout 60 " + options + "'" + networkPackage(name) + "'");
        EXPECT_EQ(outcome.status, 0) << name;
        EXPECT_EQ(outcome.out, VLVeltoProcess::contentsOf(networkPackage(name) + "/expected.txt")) << name;
        EXPECT_EQ(outcome.err, "") << name;
    }
}

} // namespace

// Each package prints what the web classes of the Network prelude did.
TEST(VLNetworkScriptTests, PackagesUseTheWebClassesOfTheNetworkPrelude) {
    expectNetworkPackagesPrintTheirOutput(
        {"encoding", "url", "blob", "form-data", "file-reader", "streams", "object-urls", "abort"});
}

// fetch and XMLHttpRequest read package files and data: URLs.
TEST(VLNetworkScriptTests, PackagesFetchFilesAndDataURLs) {
    expectNetworkPackagesPrintTheirOutput({"fetch", "xhr"});
}

// BroadcastChannels of one widget, which has a messaging package, talk through the process's hub; velto
// run ends once their messages are delivered.
TEST(VLNetworkScriptTests, PackagesTalkOverBroadcastChannels) {
    expectNetworkPackagesPrintTheirOutput({"broadcast-clone", "broadcast-errors", "broadcast-late"},
                                          "--payload 'messagingPackage=\"app.velto.fixtures\"' ");
}
