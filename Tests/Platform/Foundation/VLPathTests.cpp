#include "Platform/Foundation/VLPath.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(VLPath, ComponentsAndExtensionsFollowPathStringRules) {
    struct Case {
        const char* path;
        const char* last;
        const char* extension;
    };
    const Case cases[] = {
        {"/tmp/scratch.tiff", "scratch.tiff", "tiff"},
        {"/tmp/scratch", "scratch", ""},
        {"/tmp/dir.d/", "dir.d", "d"},
        {"scratch///", "scratch", ""},
        {"/", "/", ""},
        {"", "", ""},
        {"/w/.profile", ".profile", ""},
        {"/w/name.", "name.", ""},
        {"a/archive.tar.gz", "archive.tar.gz", "gz"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.last, VLLastPathComponent(c.path)) << c.path;
        EXPECT_EQ(c.extension, VLPathExtension(c.path)) << c.path;
    }
}

TEST(VLPath, AppendsComponentsAndExtensions) {
    EXPECT_EQ("/tmp/a.js", VLPathByAppendingComponent("/tmp", "a.js"));
    EXPECT_EQ("/tmp/a.js", VLPathByAppendingComponent("/tmp//", "/a.js"));
    EXPECT_EQ("/a", VLPathByAppendingComponent("/", "a"));
    EXPECT_EQ("a", VLPathByAppendingComponent("", "a"));
    EXPECT_EQ("/tmp", VLPathByAppendingComponent("/tmp/", ""));
    EXPECT_EQ("index.js", VLPathByAppendingExtension("index", "js"));
    EXPECT_EQ("index", VLPathByAppendingExtension("index", ""));
}

TEST(VLPath, StandardizesWithoutTheDisk) {
    struct Case {
        const char* path;
        const char* standardized;
    };
    const Case cases[] = {
        {"/a//b/./c/", "/a/b/c"}, {"/a/b/../c", "/a/c"}, {"/../a", "/a"}, {"/", "/"},
        {"a/../../b", "../b"},    {"./a", "a"},          {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.standardized, VLStandardizedPath(c.path)) << c.path;
}

TEST(VLPath, SystemTemporaryDirectoryTakesOnlyAnAbsoluteTMPDIR) {
    const char* saved = std::getenv("TMPDIR");
    std::string previous = saved ? saved : "";
    setenv("TMPDIR", "/var/tmp/", 1);
    EXPECT_EQ("/var/tmp", VLSystemTemporaryDirectory());
    setenv("TMPDIR", "relative", 1);
    EXPECT_EQ("/tmp", VLSystemTemporaryDirectory());
    unsetenv("TMPDIR");
    EXPECT_EQ("/tmp", VLSystemTemporaryDirectory());
    if (saved)
        setenv("TMPDIR", previous.c_str(), 1);
}
