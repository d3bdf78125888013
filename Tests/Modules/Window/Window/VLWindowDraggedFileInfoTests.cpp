#include "Modules/Window/Window/VLWindowDraggedFileInfo.h"

#include "Modules/Window/Window/VLWindowDraggedFileURLs.h"
#include "Platform/WindowServer/VLWSDraggingInfo.h"
#include "Tests/Support/VLTemporaryDirectory.h"
#include "Tests/Support/VLValuePrinter.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

VLURL fileURL(const std::filesystem::path& path, const char* suffix = "") {
    return VLURL("file://" + path.string() + suffix);
}

// Sets the modification time of the file itself, a link as a link.
void setModified(const std::filesystem::path& path, timespec time) {
    const timespec times[2] = {time, time};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

} // namespace

TEST(VLWindowDraggedFileInfoTest, EntriesDescribeFilesFoldersPackagesAndLinksAsThemselves) {
    VLTemporaryDirectory folder;
    std::ofstream(folder / "Photo.JPG") << "12345";
    std::ofstream(folder / "notes.xyz") << "abc";
    std::filesystem::create_directories(folder / "Pictures.png");
    std::filesystem::create_directories(folder / "Thing.APP" / "Contents");
    std::filesystem::create_symlink(folder / "Pictures.png", folder / "link.txt");
    // 1.5 s and 1.9999 ms after 1970, and 2.5 ms before it: milliseconds are floored.
    for (const char* name : {"Photo.JPG", "Pictures.png", "Thing.APP", "link.txt"})
        setModified(folder / name, {1, 501'999'900});
    setModified(folder / "notes.xyz", {-1, 997'500'000});

    const struct {
        const char* name;
        VLURL url;
        VLDictionary entry;
    } cases[] = {
        {"a plain file: its size, and its type by the lower-cased extension",
         fileURL(folder / "Photo.JPG"),
         {{"name", "Photo.JPG"},
          {"directory", 0},
          {"package", false},
          {"size", 5},
          {"type", "public.jpeg"},
          {"modified", 1501},
          {"extension", "jpg"}}},
        {"an unknown extension: no type; modified before 1970 floored",
         fileURL(folder / "notes.xyz"),
         {{"name", "notes.xyz"},
          {"directory", 0},
          {"package", false},
          {"size", 3},
          {"modified", -3},
          {"extension", "xyz"}}},
        {"a folder is a folder whatever its extension, and has no size",
         fileURL(folder / "Pictures.png"),
         {{"name", "Pictures.png"},
          {"directory", 1},
          {"package", false},
          {"type", "public.folder"},
          {"modified", 1501},
          {"extension", "png"}}},
        {"a package is no directory, even by its URL",
         fileURL(folder / "Thing.APP", "/"),
         {{"name", "Thing.APP"},
          {"directory", 0},
          {"package", true},
          {"type", "com.apple.application-bundle"},
          {"modified", 1501},
          {"extension", "app"}}},
        {"a link to a folder is a link",
         fileURL(folder / "link.txt"),
         {{"name", "link.txt"},
          {"directory", 0},
          {"package", false},
          {"type", "public.symlink"},
          {"modified", 1501},
          {"extension", "txt"}}},
        {"a vanished file keeps the keys that are always there",
         fileURL(folder / "gone.PDF"),
         {{"name", "gone.PDF"}, {"directory", 0}, {"package", false}, {"extension", "pdf"}}},
        {"a vanished folder, known by its URL's trailing slash",
         fileURL(folder / "gone.app", "/"),
         {{"name", "gone.app"}, {"directory", 1}, {"package", false}, {"extension", "app"}}},
        {"percent-encoded names are decoded",
         VLURL("file://" + (folder / "a%20b").string()),
         {{"name", "a b"}, {"directory", 0}, {"package", false}, {"extension", ""}}},
    };
    for (const auto& test : cases)
        EXPECT_EQ(VLWindowDraggedFileInfo(test.url), test.entry) << test.name;
}

TEST(VLWindowDraggedFileInfoTest, ADragListsAtMostItsFirst256Files) {
    std::vector<std::string> paths;
    for (int index = 0; index < 300; ++index)
        paths.push_back("/tmp/file" + std::to_string(index));
    const auto info = [](std::vector<std::string> paths) {
        return VLWSDraggingInfo({0, 0}, 1, VLWSDragOperationEvery,
                                std::make_shared<const VLWSPasteboard>(std::move(paths)));
    };
    const std::vector<VLURL> urls = VLWindowDraggedFileURLs(info(paths));
    ASSERT_EQ(urls.size(), 256u);
    EXPECT_EQ(urls.front().path(), "/tmp/file0");
    EXPECT_EQ(urls.back().path(), "/tmp/file255");
    EXPECT_TRUE(VLWindowDraggedFileURLs(info({})).empty());
}
