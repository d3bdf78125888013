#include "Platform/Foundation/VLUserDefaults.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <sstream>

namespace {

// A fresh directory per test, removed afterwards; the defaults file goes in a folder not yet made.
class VLUserDefaultsFile : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "velto-defaults-XXXXXX").string();
        ASSERT_NE(nullptr, mkdtemp(pattern.data()));
        directory = pattern;
        path = (directory / "velto" / "defaults.json").string();
    }
    void TearDown() override { std::filesystem::remove_all(directory); }

    std::string fileText() const {
        std::ifstream file(path);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }
    void writeFileText(const std::string& text) const {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path) << text;
    }
    size_t filesInFolder() const {
        auto entries = std::filesystem::directory_iterator(std::filesystem::path(path).parent_path());
        return size_t(std::distance(begin(entries), end(entries)));
    }

    std::filesystem::path directory;
    std::string path;
};

} // namespace

TEST_F(VLUserDefaultsFile, ValuesSurviveANewInstanceAndRegisteredOnesAreNeverWritten) {
    VLValue nested = VLDictionary{{"list", VLArray{1, "two", 3.5}}, {"flag", false}};
    {
        VLUserDefaults defaults(path);
        defaults.registerDefaults({{"show-develop-menu", true}, {"text", "registered"}});
        EXPECT_TRUE(defaults.setObject("text", "stored"));
        EXPECT_TRUE(defaults.setObject("nested", nested));
        EXPECT_TRUE(defaults.setObject("gone", 1));
        EXPECT_TRUE(defaults.removeObjectForKey("gone"));
        EXPECT_EQ(VLValue("stored"), defaults.objectForKey("text"));
        EXPECT_TRUE(defaults.boolForKey("show-develop-menu"));
    }
    EXPECT_EQ(1u, filesInFolder()) << "no temporary file is left behind";

    VLUserDefaults reread(path);
    EXPECT_EQ(VLValue("stored"), reread.objectForKey("text"));
    EXPECT_EQ(nested, reread.objectForKey("nested"));
    EXPECT_TRUE(reread.objectForKey("gone").isNil());
    EXPECT_TRUE(reread.objectForKey("show-develop-menu").isNil());
}

TEST_F(VLUserDefaultsFile, MalformedFileReadsAsEmptyAndIsKeptUntilAValueIsSet) {
    for (std::string malformed : {"{\"a\": 1,", "[1, 2]", "\xFF\xFE"}) {
        writeFileText(malformed);
        VLUserDefaults defaults(path);
        EXPECT_TRUE(defaults.objectForKey("a").isNil());
        EXPECT_TRUE(defaults.removeObjectForKey("a"));
        EXPECT_EQ(malformed, fileText());

        EXPECT_TRUE(defaults.setObject("b", 2));
        EXPECT_EQ(VLValue(2), VLUserDefaults(path).objectForKey("b"));
    }
}

TEST_F(VLUserDefaultsFile, ValuesJSONCannotHoldAreRefusedAndChangeNothing) {
    VLUserDefaults defaults(path);
    ASSERT_TRUE(defaults.setObject("kept", "yes"));
    const std::string before = fileText();
    for (const VLValue& refused : {VLValue(VLDate{5}), VLValue(VLData{1, 2}), VLValue(NAN),
                                   VLValue(VLArray{1, VLDate{5}}), VLValue(std::string("\xC3"))}) {
        EXPECT_FALSE(defaults.setObject("kept", refused)) << refused.description();
        EXPECT_EQ(VLValue("yes"), defaults.objectForKey("kept"));
    }
    EXPECT_EQ(before, fileText());
}

TEST_F(VLUserDefaultsFile, AnUnwritableFileKeepsTheValueForThisProcessAndSaysSo) {
    std::filesystem::create_directories(path); // a directory where the file should be
    VLUserDefaults defaults(path);
    EXPECT_FALSE(defaults.setObject("a", 1));
    EXPECT_EQ(VLValue(1), defaults.objectForKey("a"));
}

TEST(VLUserDefaults, BoolForKeyReadsBooleansNumbersAndTexts) {
    VLUserDefaults defaults;
    struct Case {
        VLValue value;
        bool expected;
    } cases[] = {
        {true, true},  {false, false}, {0, false},  {2, true},     {0.0, false}, {0.5, true},
        {"YES", true}, {"true", true}, {"1", true}, {"no", false}, {"", false},  {VLArray{1}, false},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(defaults.setObject("key", c.value));
        EXPECT_EQ(c.expected, defaults.boolForKey("key")) << c.value.description();
    }
    EXPECT_FALSE(defaults.boolForKey("absent"));
    EXPECT_TRUE(defaults.filePath().empty());
}

TEST(VLUserDefaults, StandardFileFollowsTheEnvironment) {
    struct Case {
        const char* memory;
        const char* configHome;
        const char* home;
        std::string expected;
    } cases[] = {
        {nullptr, "/cfg", "/home/u", "/cfg/velto/defaults.json"},
        {nullptr, nullptr, "/home/u", "/home/u/.config/velto/defaults.json"},
        {nullptr, "relative", "/home/u", "/home/u/.config/velto/defaults.json"},
        {"memory", "/cfg", "/home/u", ""},
        {nullptr, nullptr, nullptr, ""},
    };
    std::map<std::string, std::optional<std::string>> saved;
    for (const char* name : {"VELTO_USER_DEFAULTS", "XDG_CONFIG_HOME", "HOME"})
        saved[name] = getenv(name) ? std::optional<std::string>(getenv(name)) : std::nullopt;
    auto set = [](const char* name, const char* value) {
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    };
    for (const auto& c : cases) {
        set("VELTO_USER_DEFAULTS", c.memory);
        set("XDG_CONFIG_HOME", c.configHome);
        set("HOME", c.home);
        EXPECT_EQ(c.expected, VLUserDefaults::standardFilePath());
    }
    for (const auto& [name, value] : saved)
        set(name.c_str(), value ? value->c_str() : nullptr);
}

TEST(VLUserDefaults, StandardDefaultsStayInMemoryUnderTest) {
    EXPECT_TRUE(VLUserDefaults::standard().filePath().empty());
    EXPECT_TRUE(VLUserDefaults::standard().setObject("VLInputMonitorAskedForKeyAccess", true));
    EXPECT_TRUE(VLUserDefaults::standard().boolForKey("VLInputMonitorAskedForKeyAccess"));
}
