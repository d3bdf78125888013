#include "Core/Engine/Log/VLLog.h"
#include "Modules/Storage/VLStorageArea.h"
#include "Modules/Storage/VLStorageFile.h"
#include "Platform/Foundation/VLDispatchQueue.h"
#include "Platform/Foundation/VLFileIO.h"
#include "Platform/Foundation/VLPropertyListSerialization.h"
#include "Tests/Support/VLLogCapture.h"
#include "Tests/Support/VLTemporaryDirectory.h"
#include "Tests/Support/VLTestBytes.h"
#include "Tests/Support/VLValuePrinter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Counts the files that storage writes, which still reach the disk.
class VLStorageAreaTest : public testing::Test {
protected:
    void SetUp() override {
        VLStorageFile::setWriter([this](const std::string& path, std::span<const uint8_t> bytes) {
            ++writes;
            return VLWriteFileAtomically(path, bytes);
        });
    }
    void TearDown() override {
        VLStorageArea::flush();
        VLStorageFile::setWriter(nullptr);
    }

    std::string file(const std::string& name = "LocalStorage.plist") const {
        return (directory / name).string();
    }

    // A storage file holding the property list.
    void writeFile(const VLValue& list, const std::string& name = "LocalStorage.plist") const {
        const std::optional<VLData> data = VLPropertyListSerialization::dataWithPropertyList(list);
        ASSERT_TRUE(data);
        ASSERT_TRUE(VLWriteFileAtomically(file(name), *data));
    }

    // What the file holds, nil when there is none.
    VLValue fileContents(const std::string& name = "LocalStorage.plist") const {
        const std::optional<VLData> data = VLContentsOfFile(file(name));
        return data ? VLPropertyListSerialization::propertyListWithData(*data) : VLValue();
    }

    // Holds the storage queue until the returned block is called, so that changes meet no write.
    std::function<void()> holdStorageQueue() {
        auto gate = std::make_shared<std::promise<void>>();
        VLStorageFile::queue()->async([opened = gate->get_future().share()] { opened.wait(); });
        return [gate] { gate->set_value(); };
    }

    VLTemporaryDirectory directory{"velto-storage"};
    std::atomic<int> writes{0};
};

std::string repeated(size_t count, char character = 'a') {
    return std::string(count, character);
}

std::string repeatedText(size_t count, std::string_view text) {
    std::string result;
    result.reserve(count * text.size());
    for (size_t i = 0; i < count; ++i)
        result += text;
    return result;
}

} // namespace

TEST(VLStorageJSONLength, CountsWhatAJSONStringLiteralTakes) {
    struct Case {
        std::string text;
        size_t length;
    };
    const Case cases[] = {
        {"", 0},
        {"abc", 3},
        {"\"\\\b\t\n\f\r", 14},
        {"\x0b\x01\x1f", 18},
        {std::string(1, '\0'), 6},
        {"\xC3\xA9\xE2\x9C\x93", 2}, // U+00E9 and U+2713: one unit each
        {"\xF0\x9F\x98\x80", 2},     // U+1F600: a surrogate pair
        {std::string(30720, '\n'), 61440},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.length, VLStorageJSONLength(c.text)) << testing::PrintToString(c.text);
}

TEST_F(VLStorageAreaTest, SetsAreJudgedByTheLimitsOfTheirKindAndTheSizeTheyLeave) {
    // An area over its quota, as a file written by something else can make it.
    writeFile(VLArray{"big", repeated(VLStorageArea::quota())});
    const std::shared_ptr<VLStorageArea> overQuota = VLStorageArea::areaWithPath(file());
    ASSERT_EQ(VLStorageArea::quota() + 3, overQuota->size());

    const std::shared_ptr<VLStorageArea> fullSync = VLStorageArea::syncMemoryArea();
    for (int i = 0; i < 1024; ++i)
        ASSERT_EQ(VLStorageArea::Stored, fullSync->setItem("", std::to_string(i)));

    struct Case {
        const char* name;
        std::shared_ptr<VLStorageArea> area;
        std::string key;
        std::string value;
        VLStorageArea::Result expected;
    };
    const auto local = VLStorageArea::memoryArea();
    const auto sync = VLStorageArea::syncMemoryArea();
    const Case cases[] = {
        {"local at the quota", local, "k", repeated(VLStorageArea::quota() - 1), VLStorageArea::Stored},
        {"local one unit over", local, "k", repeated(VLStorageArea::quota()), VLStorageArea::OverQuota},
        {"units, not bytes", local, "k", repeatedText(VLStorageArea::quota() - 1, "\xC3\xA9"),
         VLStorageArea::Stored},
        {"sync over its quota", sync, "k", repeated(VLStorageArea::syncQuota()), VLStorageArea::OverQuota},
        {"sync item of 61441 units", sync, "k", repeated(61440), VLStorageArea::ItemTooLong},
        {"30720 line feeds under an empty key", sync, "", repeated(30720, '\n'), VLStorageArea::Stored},
        {"the 1025th key", fullSync, "new", "", VLStorageArea::TooManyKeys},
        {"a known key of a full area", fullSync, "0", "changed", VLStorageArea::Stored},
        {"over the quota and growing", overQuota, "more", "1", VLStorageArea::OverQuota},
        {"over the quota and shrinking", overQuota, "big", repeated(VLStorageArea::quota() - 2),
         VLStorageArea::OverQuota},
        {"back under the quota", overQuota, "big", "small", VLStorageArea::Stored},
    };
    for (const Case& c : cases) {
        const VLDictionary before = c.area->items();
        const size_t sizeBefore = c.area->size();
        EXPECT_EQ(c.expected, c.area->setItem(c.value, c.key)) << c.name;
        if (c.expected != VLStorageArea::Stored) {
            EXPECT_EQ(before, c.area->items()) << c.name;
            EXPECT_EQ(sizeBefore, c.area->size()) << c.name;
        } else {
            EXPECT_EQ(c.value, c.area->itemForKey(c.key)) << c.name;
        }
    }

    // Removing always succeeds, over the quota too.
    writeFile(VLArray{"big", repeated(VLStorageArea::quota()), "x", "1"}, "Other.plist");
    const std::shared_ptr<VLStorageArea> other = VLStorageArea::areaWithPath(file("Other.plist"));
    other->removeItemForKey("x");
    EXPECT_EQ(VLStorageArea::quota() + 3, other->size());
    EXPECT_FALSE(other->itemForKey("x"));
}

TEST_F(VLStorageAreaTest, KeysKeepTheirFirstPlaceThroughChangesAndRemovals) {
    const std::shared_ptr<VLStorageArea> area = VLStorageArea::memoryArea();
    for (const char* key : {"c", "a", "b"})
        area->setItem("1", key);
    area->setItem("2", "a");
    area->removeItemForKey("c");
    area->setItem("3", "c");
    EXPECT_EQ((VLDictionary{{"a", "2"}, {"b", "1"}, {"c", "3"}}), area->items());
    EXPECT_EQ("b", area->keyAtIndex(1));
    EXPECT_EQ(std::nullopt, area->keyAtIndex(3));
    EXPECT_EQ(6u, area->size());

    // Many removals between reads by position.
    for (int i = 0; i < 1000; ++i)
        area->setItem("v", std::to_string(i));
    for (int i = 0; i < 1000; i += 2)
        area->removeItemForKey(std::to_string(i));
    EXPECT_EQ(503u, area->length());
    EXPECT_EQ("1", area->keyAtIndex(3));
    EXPECT_EQ("999", area->keyAtIndex(502));
    area->clear();
    EXPECT_EQ(0u, area->length());
    EXPECT_EQ(0u, area->size());
}

TEST_F(VLStorageAreaTest, ChangesBetweenTwoRunsOfTheQueueMakeOneWriteOfTheLatestState) {
    const std::shared_ptr<VLStorageArea> area = VLStorageArea::areaWithPath(file());
    std::function<void()> release = holdStorageQueue();
    for (int i = 0; i < 100; ++i)
        area->setItem(std::to_string(i), "key" + std::to_string(i % 10));
    area->removeItemForKey("key0");
    release();
    VLStorageArea::flush();
    EXPECT_EQ(1, writes.load());
    VLArray expected;
    for (int i = 1; i < 10; ++i) {
        expected.emplace_back("key" + std::to_string(i));
        expected.emplace_back(std::to_string(90 + i));
    }
    EXPECT_EQ(VLValue(expected), fileContents());

    // Nothing is written for a value the key already has, nor for removing what is not there.
    area->setItem("91", "key1");
    area->removeItemForKey("missing");
    VLStorageArea::memoryArea()->setItem("1", "a");
    VLStorageArea::flush();
    EXPECT_EQ(1, writes.load());
}

TEST_F(VLStorageAreaTest, RemovingTheLastKeyDeletesTheFile) {
    const std::shared_ptr<VLStorageArea> area = VLStorageArea::areaWithPath(file());
    area->setItem("1", "a");
    VLStorageArea::flush();
    ASSERT_TRUE(fs::exists(file()));
    area->removeItemForKey("a");
    VLStorageArea::flush();
    EXPECT_FALSE(fs::exists(file()));

    area->setItem("1", "a");
    area->setItem("2", "b");
    VLStorageArea::flush();
    area->clear();
    VLStorageArea::flush();
    EXPECT_FALSE(fs::exists(file()));
}

TEST_F(VLStorageAreaTest, LoadingTakesPairsOfTextsTheFirstOfAKeyWinning) {
    struct Case {
        const char* name;
        VLValue list;
        VLDictionary expected;
    };
    const Case cases[] = {
        {"a repeated key and an odd last element", VLArray{"a", "1", "a", "2", "b"}, {{"a", "1"}}},
        {"pairs with other values skipped",
         VLArray{"a", 1, 2, "b", "c", "3", VLArray{"x"}, "4", "d", VLDictionary{{"k", "v"}}, "e", "5"},
         {{"c", "3"}, {"e", "5"}}},
        {"texts with U+0000 and beyond the BMP",
         VLArray{std::string("x\0y", 3), "\xF0\x9F\x98\x80"},
         {{std::string("x\0y", 3), "\xF0\x9F\x98\x80"}}},
    };
    int index = 0;
    for (const Case& c : cases) {
        const std::string name = "case" + std::to_string(index++) + ".plist";
        writeFile(c.list, name);
        EXPECT_EQ(c.expected, VLStorageArea::areaWithPath(file(name))->items()) << c.name;
    }
}

TEST_F(VLStorageAreaTest, ATextWithUPlus0000SurvivesAWriteAndAReload) {
    const std::string text("x\0y", 3);
    {
        const std::shared_ptr<VLStorageArea> area = VLStorageArea::areaWithPath(file());
        area->setItem(text, text);
    }
    VLStorageArea::flush();
    const std::shared_ptr<VLStorageArea> reloaded = VLStorageArea::areaWithPath(file());
    EXPECT_EQ(text, reloaded->itemForKey(text));
    EXPECT_EQ(6u, reloaded->size());
}

TEST_F(VLStorageAreaTest, FilesAreReadAndWrittenAsPythonsPlistlibReadsAndWritesThem) {
    // Written by plistlib (Tests/Fixtures/archives/make-archives.py).
    const std::string fixture = VELTO_ARCHIVE_FIXTURES "/storage-written.plist";
    ASSERT_TRUE(fs::exists(fixture));
    fs::copy_file(fixture, file("Fixture.plist"));
    const VLDictionary items{{"zeta", "1"}, {"alpha", std::string("x\0y", 3)}, {"\xC3\xA9t\xC3\xA9", "2"}};
    EXPECT_EQ(items, VLStorageArea::areaWithPath(file("Fixture.plist"))->items());

    const std::shared_ptr<VLStorageArea> area = VLStorageArea::areaWithPath(file());
    for (const auto& [key, value] : items)
        area->setItem(value.stringValue(), key);
    VLStorageArea::flush();
    // plistlib reads back what the area wrote, in key order and with U+0000 kept.
    const std::string command = "python3 -c 'import json, plistlib, sys; "
                                "print(json.dumps(plistlib.load(open(sys.argv[1], \"rb\"))))' '" +
                                file() + "' 2>&1";
    FILE* python = popen(command.c_str(), "r");
    ASSERT_TRUE(python);
    std::string output;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, python))
        output += buffer;
    const int status = pclose(python);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127)
        GTEST_SKIP() << "no python3 to read the file back";
    EXPECT_EQ(0, status) << output;
    EXPECT_EQ("[\"zeta\", \"1\", \"alpha\", \"x\\u0000y\", \"\\u00e9t\\u00e9\", \"2\"]\n", output);
}

TEST_F(VLStorageAreaTest, OneFileReachedThroughDifferentLinksIsOneArea) {
    fs::create_directories(directory / "real" / "data");
    fs::create_directory_symlink(directory / "real", directory / "link");
    fs::create_directory_symlink(directory / "real" / "data", directory / "data-link");
    const std::shared_ptr<VLStorageArea> first =
        VLStorageArea::areaWithPath((directory / "link" / "data" / "LocalStorage.plist").string());
    const std::shared_ptr<VLStorageArea> second =
        VLStorageArea::areaWithPath((directory / "data-link" / "." / "LocalStorage.plist").string());
    // A directory still to be made resolves through its deepest existing ancestor.
    const std::shared_ptr<VLStorageArea> third = VLStorageArea::syncAreaWithPath(
        (directory / "link" / "new" / ".." / "data" / "LocalStorage.plist").string());
    EXPECT_EQ(first, second);
    EXPECT_EQ(first, third);
    EXPECT_FALSE(third->syncs()) << "the first maker's kind holds";
    EXPECT_EQ(fs::canonical(directory / "real" / "data").string() + "/LocalStorage.plist", first->path());

    const std::shared_ptr<VLStorageArea> later =
        VLStorageArea::areaWithPath((directory / "link" / "later" / "LocalStorage.plist").string());
    EXPECT_EQ(fs::canonical(directory / "real").string() + "/later/LocalStorage.plist", later->path());
}

TEST_F(VLStorageAreaTest, AFileChangedByOthersWhileItsAreaLivesIsReplacedAtTheNextWrite) {
    writeFile(VLArray{"a", "1"});
    const std::shared_ptr<VLStorageArea> area = VLStorageArea::areaWithPath(file());
    writeFile(VLArray{"other", "2"});
    EXPECT_EQ((VLDictionary{{"a", "1"}}), VLStorageArea::areaWithPath(file())->items());
    area->setItem("3", "b");
    VLStorageArea::flush();
    EXPECT_EQ(VLValue(VLArray{"a", "1", "b", "3"}), fileContents());
}

TEST_F(VLStorageAreaTest, AnUnreadableFileIsLoggedAndKeptAsideBeforeTheFirstWrite) {
    struct Case {
        const char* name;
        std::function<void(const std::string& path)> make;
        const char* reason;
    };
    const Case cases[] = {
        {"not a property list",
         [](const std::string& path) {
             ASSERT_TRUE(
                 VLWriteFileAtomically(path, VLTestBytes("{\"a\": \"this is JSON, not a property list\"}")));
         },
         "\"bplist00\""},
        {"not an array",
         [this](const std::string&) {
             writeFile(VLDictionary{{"a", "1"}});
         },
         "not an array"},
        {"cut short",
         [](const std::string& path) {
             VLData data = *VLPropertyListSerialization::dataWithPropertyList(VLArray{"a", "1"});
             data.resize(data.size() - 3);
             ASSERT_TRUE(VLWriteFileAtomically(path, data));
         },
         "Couldn't read"},
        {"an array holding itself",
         [](const std::string& path) {
             // bplist00, [ref 0], offset 8, trailer: one object, top 0, table at 10.
             VLData data = VLTestBytes("bplist00");
             data.insert(data.end(), {0xA1, 0x00, 0x08, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0,
                                      1,    0,    0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 10});
             ASSERT_TRUE(VLWriteFileAtomically(path, data));
         },
         "contains itself"},
        {"larger than 64 MiB",
         [](const std::string& path) {
             std::ofstream(path).close();
             fs::resize_file(path, VLStorageFile::maximumLength() + 1);
         },
         "File too large"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(file());
        c.make(file());
        const uintmax_t size = fs::file_size(file());
        // An older file kept aside is replaced.
        ASSERT_TRUE(VLWriteFileAtomically(file() + ".unreadable", VLTestBytes("older")));
        std::shared_ptr<VLStorageArea> area;
        {
            VLLogCapture log(VLLogFlagError);
            area = VLStorageArea::areaWithPath(file());
            VLLogFlush();
            ASSERT_EQ(1u, log.lines().size());
            EXPECT_THAT(log.lines()[0], testing::HasSubstr("Couldn't read " + area->path().value() + ": "));
            EXPECT_THAT(log.lines()[0], testing::HasSubstr(c.reason));
        }
        EXPECT_EQ(0u, area->length());
        area->setItem("1", "a");
        VLStorageArea::flush();
        EXPECT_EQ(size, fs::file_size(file() + ".unreadable"));
        EXPECT_EQ(VLValue(VLArray{"a", "1"}), fileContents());
        // Only the first write keeps it: a later one overwrites what the area wrote.
        ASSERT_TRUE(VLWriteFileAtomically(file() + ".unreadable", VLTestBytes("kept")));
        area->removeItemForKey("a");
        VLStorageArea::flush();
        EXPECT_EQ(4u, fs::file_size(file() + ".unreadable"));
        EXPECT_FALSE(fs::exists(file()));
    }
}

TEST_F(VLStorageAreaTest, WriteFailuresAreLoggedAndLeaveTheAreaAsItIs) {
    const std::shared_ptr<VLStorageArea> area =
        VLStorageArea::areaWithPath((directory / "missing" / "LocalStorage.plist").string());
    VLLogCapture log(VLLogFlagError);
    area->setItem("1", "a");
    VLStorageArea::flush();
    VLLogFlush();
    ASSERT_EQ(1u, log.lines().size());
    EXPECT_THAT(log.lines()[0], testing::HasSubstr("Couldn't write " + area->path().value() + ": "));
    EXPECT_EQ("1", area->itemForKey("a"));
}
