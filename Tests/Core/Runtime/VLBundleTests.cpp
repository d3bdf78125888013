#include "Core/Runtime/VLBundle.h"
#include "Tests/Support/VLTemporaryDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

class VLBundleTest : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(root / "img" / "sub.png");
        for (const char* file : {"index.js", "b.js", "a.js", "README", "img/z.png", "img/a.png", "img/a.jpg"})
            std::ofstream(root / file) << "x";
    }
    VLTemporaryDirectory directory{"velto-bundle"};
    const std::filesystem::path& root = directory.path();
};

} // namespace

TEST_F(VLBundleTest, FindsFilesByNameAndExtensionButNotDirectories) {
    VLBundle bundle(root.string());
    EXPECT_EQ(root.string(), bundle.bundlePath());
    const std::string index = (root / "index.js").string();
    EXPECT_EQ(index, bundle.pathForResource("index", "js"));
    EXPECT_EQ(index, bundle.pathForResource("index.js", std::nullopt));
    EXPECT_EQ((root / "img" / "a.png").string(), bundle.pathForResource("a", "png", "img"));
    EXPECT_EQ(std::nullopt, bundle.pathForResource("missing", "js"));
    EXPECT_EQ(std::nullopt, bundle.pathForResource("sub", "png", "img"));

    std::filesystem::remove(root / "index.js");
    std::filesystem::create_directory(root / "index.js");
    EXPECT_EQ(std::nullopt, bundle.pathForResource("index", "js"));
    EXPECT_EQ(std::nullopt, bundle.pathForResource("index.js", std::nullopt));
}

TEST_F(VLBundleTest, ListsOneDirectorySortedByNameAndFilteredByExtension) {
    VLBundle bundle(root.string());
    const std::string img = (root / "img").string();
    EXPECT_EQ((std::vector<std::string>{img + "/a.png", img + "/sub.png", img + "/z.png"}),
              bundle.pathsForResourcesOfType("png", "img"));
    const std::string r = root.string();
    EXPECT_EQ((std::vector<std::string>{r + "/a.js", r + "/b.js", r + "/index.js"}),
              bundle.pathsForResourcesOfType("js", std::nullopt));
    EXPECT_EQ(
        (std::vector<std::string>{r + "/README", r + "/a.js", r + "/b.js", r + "/img", r + "/index.js"}),
        bundle.pathsForResourcesOfType(std::nullopt, ""));
    EXPECT_EQ(std::nullopt, bundle.pathsForResourcesOfType("js", "missing"));
}
