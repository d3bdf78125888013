#include "Platform/Foundation/VLFileIO.h"
#include "Tests/Support/VLTemporaryDirectory.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class VLFileIOTest : public testing::Test {
protected:
    VLTemporaryDirectory temporary{"velto-fileio"};
    const std::filesystem::path& directory = temporary.path();
};

} // namespace

TEST_F(VLFileIOTest, ReadsWholeFilesAndReportsWhyNot) {
    std::ofstream(directory / "a.txt") << "hello";
    int error = -1;
    EXPECT_EQ(VLData({'h', 'e', 'l', 'l', 'o'}), VLContentsOfFile(directory / "a.txt", &error));
    EXPECT_EQ(0, error);
    std::ofstream(directory / "empty");
    EXPECT_EQ(VLData(), VLContentsOfFile(directory / "empty"));

    EXPECT_EQ(std::nullopt, VLContentsOfFile(directory / "missing", &error));
    EXPECT_EQ(ENOENT, error);
    EXPECT_EQ(std::nullopt, VLContentsOfFile(directory, &error));
    EXPECT_EQ(EISDIR, error);
    // A FIFO fails at once instead of waiting for a writer.
    ASSERT_EQ(0, ::mkfifo((directory / "fifo").c_str(), 0600));
    EXPECT_EQ(std::nullopt, VLContentsOfFile(directory / "fifo", &error));
    EXPECT_EQ(EINVAL, error);
    // A device that never ends is refused instead of read until memory runs out.
    EXPECT_EQ(std::nullopt, VLContentsOfFile("/dev/zero", &error));
    EXPECT_EQ(EINVAL, error);
}

TEST_F(VLFileIOTest, ReadsAtOffsetsUntilFullOrTheEnd) {
    std::ofstream(directory / "a.txt") << "0123456789";
    int fd = ::open((directory / "a.txt").c_str(), O_RDONLY | O_CLOEXEC);
    char buffer[4] = {};
    EXPECT_TRUE(VLReadFullyAt(fd, buffer, 4, 6));
    EXPECT_EQ("6789", std::string(buffer, 4));
    EXPECT_FALSE(VLReadFullyAt(fd, buffer, 4, 8));
    EXPECT_EQ(0, VLReadAt(fd, buffer, 1, 10));
    ::close(fd);
}

TEST_F(VLFileIOTest, WritesAtomicallyOverAnOldFileAndLeavesNothingBehindOnFailure) {
    const std::string path = directory / "blob.bin";
    std::ofstream(path) << "old";
    const uint8_t bytes[] = {1, 2, 3};
    ASSERT_TRUE(VLWriteFileAtomically(path, bytes));
    EXPECT_EQ(VLData({1, 2, 3}), VLContentsOfFile(path));
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(directory), {}));

    EXPECT_FALSE(VLWriteFileAtomically((directory / "missing" / "x").string(), bytes));
}
