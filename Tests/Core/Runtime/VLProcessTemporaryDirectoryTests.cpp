#include "Core/Runtime/VLProcessTemporaryDirectory.h"
#include "Tests/Support/VLPrivateTMPDIR.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string pidText(pid_t pid) {
    return std::to_string(pid);
}

// The identifier of a process that has ended.
pid_t endedProcess() {
    pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

mode_t modeOf(const std::filesystem::path& path) {
    struct stat status;
    return ::lstat(path.c_str(), &status) == 0 ? status.st_mode & 0777 : 0;
}

} // namespace

TEST(VLProcessTemporaryDirectory, IsAPrivateFolderForTheNameAndProcess) {
    VLPrivateTMPDIR tmpdir;
    const std::filesystem::path base = tmpdir.path() / "Velto-runtimes";
    std::filesystem::create_directory(base);
    std::filesystem::permissions(base, std::filesystem::perms::all);
    EXPECT_EQ((base / pidText(::getpid())).string(), VLProcessTemporaryDirectory("Velto-runtimes"));
    EXPECT_EQ(0700u, modeOf(base));
    EXPECT_FALSE(std::filesystem::exists(base / pidText(::getpid())));
}

TEST(VLProcessTemporaryDirectory, ALinkedOrForeignFolderIsNotUsed) {
    VLPrivateTMPDIR tmpdir;
    const std::string uid = std::to_string(::geteuid());
    const std::string pid = pidText(::getpid());
    std::filesystem::create_directory(tmpdir.path() / "elsewhere");
    std::ofstream(tmpdir.path() / "elsewhere" / "precious") << "kept";
    std::filesystem::create_directory_symlink(tmpdir.path() / "elsewhere", tmpdir.path() / "Velto-blobs");
    EXPECT_EQ((tmpdir.path() / ("Velto-blobs-" + uid) / pid).string(),
              VLProcessTemporaryDirectory("Velto-blobs"));
    EXPECT_TRUE(std::filesystem::exists(tmpdir.path() / "elsewhere" / "precious"));
    EXPECT_EQ(0700u, modeOf(tmpdir.path() / ("Velto-blobs-" + uid)));

    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a folder to another user needs root";
    const std::filesystem::path foreign = tmpdir.path() / "Velto-runtimes";
    std::filesystem::create_directory(foreign);
    ASSERT_EQ(0, ::chown(foreign.c_str(), 65534, 65534));
    EXPECT_EQ((tmpdir.path() / ("Velto-runtimes-" + uid) / pid).string(),
              VLProcessTemporaryDirectory("Velto-runtimes"));
    // Neither may be had: none.
    std::filesystem::create_directory(tmpdir.path() / ("Velto-x-" + uid));
    ASSERT_EQ(0, ::chown((tmpdir.path() / ("Velto-x-" + uid)).c_str(), 65534, 65534));
    std::filesystem::create_directory(tmpdir.path() / "Velto-x");
    ASSERT_EQ(0, ::chown((tmpdir.path() / "Velto-x").c_str(), 65534, 65534));
    EXPECT_EQ("", VLProcessTemporaryDirectory("Velto-x"));
}

TEST(VLProcessTemporaryDirectory, TheFirstUseInAProcessRemovesWhatEndedProcessesLeft) {
    VLPrivateTMPDIR tmpdir;
    const std::filesystem::path base = tmpdir.path() / "Velto-runtimes";
    const std::string dead = pidText(endedProcess());
    const std::string alive = pidText(::getpid());
    for (const std::string& name : {dead, std::string("not-a-process"), alive, std::string("0")})
        std::filesystem::create_directories(base / name / "Temp");
    std::ofstream(base / "12abc") << "a file";

    // A process of its own, so that this is its first use whatever this one did before.
    pid_t child = ::fork();
    if (child == 0) {
        bool named = VLProcessTemporaryDirectory("Velto-runtimes") == (base / pidText(::getpid())).string();
        // Later uses in the same process leave new leftovers alone.
        std::filesystem::create_directory(base / "later");
        VLProcessTemporaryDirectory("Velto-runtimes");
        ::_exit(named && std::filesystem::exists(base / "later") ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(base))
        left.push_back(entry.path().filename().string());
    std::ranges::sort(left);
    EXPECT_EQ((std::vector<std::string>{alive, "later"}), left);
}
