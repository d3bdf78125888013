#include "Platform/Foundation/VLFileIO.h"
#include "Platform/Foundation/VLPropertyListSerialization.h"
#include "Tests/Support/VLTemporaryDirectory.h"
#include "Tests/Support/VLTestBytes.h"
#include "Tests/Support/VLValuePrinter.h"
#include "Tests/Tools/velto/VLVeltoProcess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

// The counter package run with the data directory; what it printed.
std::string runCounter(const std::filesystem::path& data) {
    const VLVeltoProcess::Outcome outcome = VLVeltoProcess::run(
        "run --payload 'dataPath=\"" + data.string() + "\"' '" + VELTO_FIXTURES + "/storage/counter'",
        "VELTO_LOG=error");
    EXPECT_EQ(0, outcome.status) << outcome.err;
    return outcome.out;
}

VLValue fileContents(const std::filesystem::path& path) {
    const std::optional<VLData> data = VLContentsOfFile(path.string());
    return data ? VLPropertyListSerialization::propertyListWithData(*data) : VLValue();
}

} // namespace

TEST(VLStorageScriptTests, ARunReadsWhatTheRunBeforeStoredInTheSameDataDirectory) {
    VLTemporaryDirectory data("velto-storage-run");
    EXPECT_EQ("log: run 1, keys runs, last\n", runCounter(data.path()));
    EXPECT_EQ("log: run 2, keys runs, last\n", runCounter(data.path()));
    EXPECT_EQ(VLValue(VLArray{"runs", "2"}), fileContents(data / "LocalStorage.plist"));
    EXPECT_EQ(VLValue(VLArray{"last", "run 2"}), fileContents(data / "SyncStorage.plist"));
}

TEST(VLStorageScriptTests, AnUnreadableFileIsKeptBesideTheNewOne) {
    VLTemporaryDirectory data("velto-storage-run");
    const VLData unreadable = VLTestBytes("runs=7, written by hand, which storage can't read");
    ASSERT_TRUE(VLWriteFileAtomically((data / "LocalStorage.plist").string(), unreadable));
    EXPECT_EQ("log: run 1, keys runs, last\n", runCounter(data.path()));
    EXPECT_EQ(unreadable, VLContentsOfFile((data / "LocalStorage.plist.unreadable").string()));
    EXPECT_EQ(VLValue(VLArray{"runs", "1"}), fileContents(data / "LocalStorage.plist"));
}
