#include "Platform/Foundation/VLFileIO.h"
#include "Tests/Support/VLTemporaryDirectory.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
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
    // Longer than one read, and not a whole number of them; and a file whose size the system gives as 0.
    VLData longFile(100'003);
    for (size_t i = 0; i < longFile.size(); ++i)
        longFile[i] = uint8_t(i * 7 % 251);
    std::ofstream(directory / "long", std::ios::binary)
        .write(reinterpret_cast<const char*>(longFile.data()), std::streamsize(longFile.size()));
    EXPECT_EQ(longFile, VLContentsOfFile(directory / "long"));
    const std::optional<VLData> status = VLContentsOfFile("/proc/self/status");
    ASSERT_TRUE(status);
    EXPECT_EQ("Name:", std::string(status->begin(), status->begin() + 5));

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
    EXPECT_EQ(ENOENT, errno);
}

// Only a file is replaced: what else stands at the path stays, and the failure says why. A link is
// replaced unless the caller refuses links.
TEST_F(VLFileIOTest, AtomicWritesLeaveWhatIsNoFileAlone) {
    const uint8_t bytes[] = {1, 2, 3};
    std::filesystem::create_directory(directory / "folder");
    ASSERT_EQ(0, ::mkfifo((directory / "fifo").c_str(), 0600));
    std::ofstream(directory / "target") << "kept";
    std::filesystem::create_symlink(directory / "target", directory / "link");
    const struct {
        const char* name;
        VLSymbolicLinkWriting links;
        int error;
    } refused[] = {{"folder", VLSymbolicLinkWriting::Replace, EISDIR},
                   {"fifo", VLSymbolicLinkWriting::Replace, EINVAL},
                   {"link", VLSymbolicLinkWriting::Refuse, ELOOP}};
    for (const auto& entry : refused) {
        const auto before = std::filesystem::symlink_status(directory / entry.name).type();
        errno = 0;
        EXPECT_FALSE(VLWriteFileAtomically(directory / entry.name, bytes, entry.links)) << entry.name;
        EXPECT_EQ(entry.error, errno) << entry.name;
        EXPECT_EQ(before, std::filesystem::symlink_status(directory / entry.name).type()) << entry.name;
    }
    EXPECT_EQ(4, std::distance(std::filesystem::directory_iterator(directory), {}));

    ASSERT_TRUE(VLWriteFileAtomically(directory / "link", bytes));
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(directory / "link")));
    EXPECT_EQ(VLData({'k', 'e', 'p', 't'}), VLContentsOfFile(directory / "target"));
}

// A file beyond the cap, or larger than memory, is an error and never ends the process. The file is
// sparse: it takes no room on the disk.
TEST_F(VLFileIOTest, ReadsWithinACap) {
    const std::string path = directory / "sparse";
    std::ofstream(path) << "abc";
    int error = 0;
    EXPECT_EQ(std::nullopt, VLContentsOfFile(path, &error, 2));
    EXPECT_EQ(EFBIG, error);
    EXPECT_EQ(VLData({'a', 'b', 'c'}), VLContentsOfFile(path, &error, 3));
    std::filesystem::resize_file(path, uint64_t(1) << 40);
    EXPECT_EQ(std::nullopt, VLContentsOfFile(path, &error, uint64_t(1) << 30));
    EXPECT_EQ(EFBIG, error);
}
