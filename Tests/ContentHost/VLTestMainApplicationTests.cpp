#include "Platform/Foundation/VLFileIO.h"
#include "Tests/Support/VLTemporaryDirectory.h"
#include "Tests/Support/VLTestMainApplication.h"

#include <gtest/gtest.h>

#include <fstream>

// The spawned form of the peer, with a shell standing in for the host: bash runs the file named by
// BASH_ENV before it reads its (empty) input, so the script sees the descriptors the host would.
TEST(VLTestMainApplication, SpawnsAProgramOnItsDescriptorsAndTellsHowItEnded) {
    VLTemporaryDirectory directory;
    const std::string script = directory / "host.sh";
    std::ofstream(script) << "[ -S /dev/fd/4 ] || exit 9\n"
                             "printf '\\000\\000\\000\\002ab' >&3\n"
                             "echo 'on standard error' >&2\n"
                             "exit 7\n";
    VLTestMainApplication::SpawnOptions options;
    options.surfaceSocket = true;
    options.standardErrorPath = directory / "stderr";
    options.environment = {"BASH_ENV=" + script};
    auto application = VLTestMainApplication::spawn("/bin/bash", options);

    const auto exit = application->waitForExit();
    ASSERT_TRUE(exit);
    EXPECT_TRUE(exit->exited);
    EXPECT_EQ(7, exit->status);
    EXPECT_TRUE(application->waitForEndOfStream());
    EXPECT_EQ(1u, application->undecodableFrameCount());
    const auto errors = VLContentsOfFile(directory / "stderr");
    ASSERT_TRUE(errors);
    EXPECT_EQ("on standard error\n", std::string(errors->begin(), errors->end()));

    const auto missing = VLTestMainApplication::spawn("/nonexistent/VeltoContent", {})->waitForExit();
    ASSERT_TRUE(missing);
    EXPECT_EQ(127, missing->status);
}
