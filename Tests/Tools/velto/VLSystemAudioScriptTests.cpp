#include "Tests/Tools/velto/VLVeltoProcess.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string systemAudioPackage(const char* name) {
    return std::string(VELTO_FIXTURES) + "/system-audio/packages/" + name;
}

// No sound server is reached: nothing plays, whatever the machine runs.
const std::string kNoSoundServer = "PULSE_SERVER=unix:/nonexistent/native";

} // namespace

TEST(VLSystemAudioScriptTests, WithoutThePermissionOrWithNetworkButNotDetailedThereIsNoSystemAudio) {
    for (const std::string payload :
         {"", "--payload allowsSystemAudio=true --payload allowsNetworkAccess=true "}) {
        const VLVeltoProcess::Outcome outcome =
            VLVeltoProcess::run("run " + payload + "'" + systemAudioPackage("denied") + "'", kNoSoundServer);
        EXPECT_EQ(outcome.status, 0) << payload;
        EXPECT_EQ(outcome.out, VLVeltoProcess::contentsOf(systemAudioPackage("denied") + "/expected.txt"))
            << payload;
    }
}

TEST(VLSystemAudioScriptTests, ReadersGetTheirBandCountsAndTheirErrors) {
    for (const auto& [payload, expected] :
         {std::pair<std::string, std::string>{"", "expected-restricted.txt"},
          {"--payload allowsDetailedSystemAudio=true ", "expected-detailed.txt"}}) {
        const VLVeltoProcess::Outcome outcome = VLVeltoProcess::run(
            "run --payload allowsSystemAudio=true " + payload + "'" + systemAudioPackage("reader") + "'",
            kNoSoundServer);
        EXPECT_EQ(outcome.status, 0) << payload;
        EXPECT_EQ(outcome.out, VLVeltoProcess::contentsOf(systemAudioPackage("reader") + "/" + expected))
            << payload;
        EXPECT_EQ(outcome.err, "") << payload;
    }
}

TEST(VLSystemAudioScriptTests, SimulatedContentHearsASyntheticSpectrum) {
    for (const auto& [payload, expected] :
         {std::pair<std::string, std::string>{"", "expected-restricted.txt"},
          {"--payload allowsDetailedSystemAudio=true ", "expected-detailed.txt"}}) {
        const VLVeltoProcess::Outcome outcome =
            VLVeltoProcess::run("run --payload allowsSystemAudio=true --payload simulatesSystemAudio=true " +
                                    payload + "'" + systemAudioPackage("simulated") + "'",
                                kNoSoundServer);
        EXPECT_EQ(outcome.status, 0) << payload;
        EXPECT_EQ(outcome.out, VLVeltoProcess::contentsOf(systemAudioPackage("simulated") + "/" + expected))
            << payload;
    }
}
