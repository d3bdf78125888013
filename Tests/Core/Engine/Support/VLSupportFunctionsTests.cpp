#include "Core/Engine/Support/VLDOMMouseButton.h"
#include "Core/Engine/Support/VLOperatingSystemVersion.h"
#include "Core/Engine/Support/VLPathDeletable.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace {

// The inode flags of the path, or -1 when the file system has none.
int inodeFlags(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY);
    int flags = -1;
    if (fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0)
        flags = -1;
    if (fd >= 0)
        close(fd);
    return flags;
}

} // namespace

TEST(VLDOMMouseButton, SwapsRightAndMiddleAndMasksButtons) {
    const int64_t expected[] = {0, 2, 1, 3, 4, 5};
    for (int64_t button = 0; button < 6; ++button)
        EXPECT_EQ(expected[button], VLDOMMouseButton(button));
    EXPECT_EQ(31u, VLDOMMouseButtons(0x3F));
    EXPECT_EQ(5u, VLDOMMouseButtons(0x105));
}

TEST(VLOperatingSystemVersion, ReadsMajorAndMinorFromTheKernelRelease) {
    struct Case {
        const char* release;
        double version;
    };
    const Case cases[] = {
        {"6.1.0-18-amd64", 6.1}, {"13.3", 13.3}, {"14", 14.0},   {"5.15.0-91-generic", 5.9},
        {"4.9.0", 4.9},          {"", 0.0},      {"linux", 0.0}, {"6.rc1", 6.0},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(c.version, VLOperatingSystemVersionFromRelease(c.release)) << c.release;

    struct utsname names = {};
    ASSERT_EQ(0, uname(&names));
    EXPECT_EQ(VLOperatingSystemVersionFromRelease(names.release), VLOperatingSystemVersion());
    EXPECT_GT(VLOperatingSystemVersion(), 0.0);
}

TEST(VLEnablePathDeletable, SetsAndClearsTheAppendOnlyFlag) {
    std::string path = testing::TempDir() + "velto-deletable";
    std::ofstream(path) << "x";
    VLEnablePathDeletable("/no/such/path", false); // nothing happens

    int before = inodeFlags(path);
    if (before < 0) {
        std::remove(path.c_str());
        GTEST_SKIP() << "the file system has no inode flags";
    }
    VLEnablePathDeletable(path, true);
    EXPECT_EQ(before & ~FS_APPEND_FL, inodeFlags(path));

    VLEnablePathDeletable(path, false);
    bool appendOnly = inodeFlags(path) & FS_APPEND_FL;
    VLEnablePathDeletable(path, true);
    EXPECT_EQ(before & ~FS_APPEND_FL, inodeFlags(path));
    std::remove(path.c_str());
    if (!appendOnly)
        GTEST_SKIP() << "setting the flag needs CAP_LINUX_IMMUTABLE";
}
