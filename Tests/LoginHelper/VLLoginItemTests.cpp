#include "Tests/LoginHelper/VLFakeMainApplication.h"
#include "Tests/LoginHelper/VLHelperProcess.h"
#include "Tests/LoginHelper/VLLoginHelperTest.h"
#include "Tests/LoginHelper/VLProcessOutput.h"

#include <gio/gdesktopappinfo.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

using testing::HasSubstr;
using testing::IsEmpty;
using testing::StartsWith;

constexpr const char* helperInBundle = "/Contents/Library/LoginItems/Velto_Helper/Velto_Helper";

std::string contentsOf(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<std::string> filesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

class VLLoginItemTest : public VLLoginHelperTest {
protected:
    std::filesystem::path entry() const { return _root / "config/autostart/app.velto.mac.helper.desktop"; }

    VLHelperProcess::Outcome run(const std::filesystem::path& helper, const std::string& argument,
                                 VLEnvironmentChanges environment = {}) {
        environment.try_emplace("XDG_CONFIG_HOME", (_root / "config").string());
        environment.try_emplace("HOME", (_root / "home").string());
        environment.try_emplace("DBUS_SESSION_BUS_ADDRESS", noBus());
        return VLHelperProcess::run(helper, {argument}, environment);
    }
};

// Runs the entry's Exec line as GIO reads and runs it (key-file unescaping, quoting, field codes), and
// returns what the program, and what it opened, wrote on standard error once all of them are done.
std::string launchThroughGIO(const std::filesystem::path& entry) {
    VLProcessOutput output;
    GKeyFile* keyFile = g_key_file_new();
    if (g_key_file_load_from_file(keyFile, entry.c_str(), G_KEY_FILE_NONE, nullptr)) {
        char* exec =
            g_key_file_get_string(keyFile, G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_EXEC, nullptr);
        GAppInfo* application =
            g_app_info_create_from_commandline(exec, nullptr, G_APP_INFO_CREATE_NONE, nullptr);
        if (application) {
            GError* error = nullptr;
            if (!g_desktop_app_info_launch_uris_as_manager_with_fds(
                    G_DESKTOP_APP_INFO(application), nullptr, nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr,
                    nullptr, nullptr, -1, output.outputDescriptor(), output.errorDescriptor(), &error)) {
                ADD_FAILURE() << error->message;
                g_error_free(error);
            }
            g_object_unref(application);
        }
        g_free(exec);
    }
    g_key_file_free(keyFile);
    EXPECT_TRUE(output.collect());
    return output.err();
}

TEST_F(VLLoginItemTest, AddingWritesOneAutostartEntryAndRemovingDeletesIt) {
    const VLFakeMainApplication application(_root.path(), "Velto.app");
    for (int time = 0; time < 2; ++time) {
        const auto outcome = run(application.helper(), "--add-login-item");
        EXPECT_EQ(outcome.status, 0);
        EXPECT_EQ(outcome.err, "");
    }

    // Added twice, atomically: one entry, no temporary file left beside it.
    EXPECT_EQ(filesIn(entry().parent_path()), std::vector<std::string>{entry().filename().string()});
    EXPECT_EQ(contentsOf(entry()), "[Desktop Entry]\n"
                                   "Type=Application\n"
                                   "Name=Velto\n"
                                   "Exec=" +
                                       application.helper().string() +
                                       "\n"
                                       "NoDisplay=true\n"
                                       "Terminal=false\n"
                                       "X-GNOME-Autostart-enabled=true\n");
    // A session that reads autostart entries through GIO takes it as an application it can run.
    GDesktopAppInfo* loaded = g_desktop_app_info_new_from_filename(entry().c_str());
    EXPECT_NE(loaded, nullptr);
    if (loaded)
        g_object_unref(loaded);

    for (int time = 0; time < 2; ++time) {
        const auto outcome = run(application.helper(), "--remove-login-item");
        EXPECT_EQ(outcome.status, 0);
        EXPECT_EQ(outcome.err, "");
        EXPECT_FALSE(std::filesystem::exists(entry()));
    }
}

TEST_F(VLLoginItemTest, WithoutXDGConfigHomeTheEntryGoesUnderTheHomeFolder) {
    const VLFakeMainApplication application(_root.path(), "Velto.app");
    for (const std::optional<std::string>& configHome :
         {std::optional<std::string>(), std::optional<std::string>("")}) {
        const auto outcome = run(application.helper(), "--add-login-item", {{"XDG_CONFIG_HOME", configHome}});
        EXPECT_EQ(outcome.status, 0);
        EXPECT_TRUE(std::filesystem::exists(_root / "home/.config/autostart/app.velto.mac.helper.desktop"));
        std::filesystem::remove_all(_root / "home");
    }
}

TEST_F(VLLoginItemTest, TheExecLineQuotesThePathSoThatGIOReadsItBackAndTheLoginItemOpensTheApplication) {
    struct Case {
        std::string folder;
        std::string exec; // the first {} stands for the root, the second for the helper's place in the bundle
    };
    const Case cases[] = {
        {"Velto.app", "Exec={}/Velto.app{}"},
        {"Velto Beta.app", "Exec=\"{}/Velto Beta.app{}\""},
        {"Say \"hi\".app", "Exec=\"{}/Say \\\\\"hi\\\\\".app{}\""},
        {"100%.app", "Exec={}/100%%.app{}"},
        {"$HOME `id` back\\slash.app", "Exec=\"{}/\\\\$HOME \\\\`id\\\\` back\\\\\\\\slash.app{}\""},
        {"two\nlines.app", "Exec=\"{}/two\\nlines.app{}\""},
        {"it's; a|b & (c).app", "Exec=\"{}/it's; a|b & (c).app{}\""},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.folder);
        const VLFakeMainApplication application(_root.path(), test.folder);
        const auto outcome = run(application.helper(), "--add-login-item");
        ASSERT_EQ(outcome.status, 0) << outcome.err;

        std::string exec = test.exec;
        exec.replace(exec.find("{}"), 2, _root.path().string());
        exec.replace(exec.find("{}"), 2, helperInBundle);
        EXPECT_THAT(contentsOf(entry()), HasSubstr("\n" + exec + "\n"));
        EXPECT_EQ(launchThroughGIO(entry()), "");
        EXPECT_EQ(application.takeLaunches(), std::vector<std::string>{VLFakeMainApplication::loginLaunch});
    }
}

TEST_F(VLLoginItemTest, AnEntryThatCantBeWrittenOrRemovedFailsWithStatusOne) {
    const VLFakeMainApplication application(_root.path(), "Velto.app");

    // The configuration folder is a file: no autostart folder can be made in it.
    std::ofstream(_root / "not-a-folder") << "x";
    auto outcome = run(application.helper(), "--add-login-item",
                       {{"XDG_CONFIG_HOME", (_root / "not-a-folder").string()}});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_THAT(outcome.err,
                StartsWith("Can't add the login item: " + (_root / "not-a-folder/autostart").string()));

    // A desktop entry is UTF-8: a helper at a path that is not gets no entry rather than a broken one.
    const VLFakeMainApplication latin1(_root.path(), "Caf\xe9.app");
    outcome = run(latin1.helper(), "--add-login-item");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err,
              "Can't add the login item: the helper's path is not UTF-8 text, which a desktop entry "
              "can't hold\n");
    EXPECT_FALSE(std::filesystem::exists(entry()));

    // Something that is not a file stands where the entry goes.
    std::filesystem::create_directories(entry() / "inside");
    outcome = run(application.helper(), "--remove-login-item");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_THAT(outcome.err, StartsWith("Can't remove the login item: " + entry().string() + ": "));
    EXPECT_THAT(application.takeLaunches(), IsEmpty());
}

} // namespace
