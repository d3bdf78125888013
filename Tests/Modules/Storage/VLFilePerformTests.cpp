#include "Core/Runtime/VLFileSystemManager.h"
#include "Modules/Storage/VLFilePerform.h"
#include "Platform/Foundation/VLFileIO.h"
#include "Platform/Foundation/VLSHA256.h"
#include "Tests/Support/VLFakeFileSystemOwner.h"
#include "Tests/Support/VLPrivateTMPDIR.h"
#include "Tests/Support/VLTestBytes.h"
#include "Tests/Support/VLValuePrinter.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

VLValue errorOf(std::string code, std::string message, std::string syscall, std::string path) {
    return VLDictionary{{"code", code}, {"message", message}, {"syscall", syscall}, {"path", path}};
}

// A runtime's files: its package, its data directory ("vlfile://usr") and its temporary one
// ("vlfile://temp"), with the outcome of each operation as scripts get it.
class VLFilePerformTest : public testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(package / "lib");
        fs::create_directories(data);
        fs::create_directories(outside);
        write(package / "index.js", "main()");
        write(package / "lib" / "data.bin", "\x01\x02\x03");
        owner->bundle = package.string();
        owner->data = data.string();
        manager = VLFileSystemManager::create(owner);
    }

    struct Outcome {
        VLValue result;
        VLValue error;
    };

    Outcome perform(std::string_view operation, VLArray arguments) {
        VLDictionary errorInfo;
        VLValue result = VLFilePerform(*manager, operation, arguments, &errorInfo);
        return {result, errorInfo.empty() ? VLValue() : VLValue(errorInfo)};
    }
    // The error of an operation that must fail, or nil when it succeeded.
    VLValue failure(std::string_view operation, VLArray arguments) {
        Outcome outcome = perform(operation, std::move(arguments));
        EXPECT_EQ(outcome.result.isNil(), !outcome.error.isNil()) << operation;
        return outcome.error;
    }

    static void write(const fs::path& path, std::string_view contents) {
        std::ofstream(path, std::ios::binary) << contents;
    }
    static std::string contentsOf(const fs::path& path) {
        std::optional<VLData> bytes = VLContentsOfFile(path);
        return bytes ? std::string(bytes->begin(), bytes->end()) : "<none>";
    }
    // The sandbox roots once resolved.
    fs::path usr() { return *manager->fileAtPath("vlfile://usr").path; }
    fs::path temp() { return *manager->fileAtPath("vlfile://temp").path; }

    VLPrivateTMPDIR tmpdir;
    const fs::path package = tmpdir.path() / "package";
    const fs::path data = tmpdir.path() / "data";
    const fs::path outside = tmpdir.path() / "outside";
    std::shared_ptr<VLFakeFileSystemOwner> owner = std::make_shared<VLFakeFileSystemOwner>();
    std::shared_ptr<VLFileSystemManager> manager;
};

} // namespace

TEST_F(VLFilePerformTest, EachOperationDoesItsWorkInTheSandbox) {
    EXPECT_EQ(VLValue(), failure("writeFile", {"vlfile://usr/a.txt", "hello"}));
    EXPECT_EQ("hello", contentsOf(usr() / "a.txt"));
    EXPECT_EQ(VLValue(), failure("writeFile", {"vlfile://usr/a.txt", " world", nullptr, true}));
    EXPECT_EQ(VLValue("hello world"), perform("readFile", {"vlfile://usr/a.txt", "utf8"}).result);
    EXPECT_EQ(VLValue(VLTestBytes("hello world")), perform("readFile", {"vlfile://usr/a.txt"}).result);
    EXPECT_EQ(VLValue(VLTestBytes("main()")), perform("readFile", {"index.js"}).result);
    EXPECT_EQ(VLValue::null(), perform("access", {"lib/data.bin"}).result);
    EXPECT_EQ(VLValue(true), perform("exists", {"vlfile://usr/a.txt"}).result);
    EXPECT_EQ(VLValue(false), perform("exists", {"vlfile://usr/b.txt"}).result);

    EXPECT_EQ(VLValue(), failure("mkdir", {"vlfile://usr/x/y/z", true}));
    EXPECT_TRUE(fs::is_directory(usr() / "x" / "y" / "z"));
    EXPECT_EQ(VLValue(), failure("rename", {"vlfile://usr/a.txt", "vlfile://usr/x/b.txt"}));
    EXPECT_EQ(VLValue(), failure("copyFile", {"vlfile://usr/x/b.txt", "vlfile://temp/c.txt"}));
    EXPECT_EQ("hello world", contentsOf(temp() / "c.txt"));
    EXPECT_EQ(VLValue(), failure("copyFile", {"lib/data.bin", "vlfile://usr/data.bin"}));
    EXPECT_EQ("\x01\x02\x03", contentsOf(usr() / "data.bin"));
    // Written files are 0644 whatever mkstemp made them.
    EXPECT_EQ(fs::perms(0644), fs::status(usr() / "data.bin").permissions() & fs::perms::mask);

    // Byte order: upper case first, then lower case, then what is not ASCII.
    for (const char* name : {"b", "\xc3\xa9", "B", "a"})
        write(usr() / "x" / name, "");
    EXPECT_EQ((VLValue{"B", "a", "b", "b.txt", "y", "\xc3\xa9"}),
              perform("readdir", {"vlfile://usr/x"}).result);

    const VLValue stat = perform("stat", {"vlfile://usr/x/b.txt"}).result;
    EXPECT_EQ(VLValue(11), stat["size"]);
    EXPECT_EQ(VLValue(int(S_IFREG | 0644)), stat["mode"]);
    EXPECT_EQ(VLValue(1), stat["isFile"]);
    EXPECT_EQ(VLValue(0), stat["isDirectory"]);
    for (const char* time : {"atimeMs", "mtimeMs", "ctimeMs", "birthtimeMs"})
        EXPECT_GT(stat[time].doubleValue(), 1.6e12) << time;
    EXPECT_EQ(VLValue(1), perform("stat", {"vlfile://usr/x"}).result["isDirectory"]);

    EXPECT_EQ(VLValue(), failure("remove", {"vlfile://usr/x/b.txt", "file"}));
    EXPECT_EQ(VLValue(), failure("remove", {"vlfile://usr/x/y/z", "directory"}));
    EXPECT_EQ(VLValue(), failure("remove", {"vlfile://usr/x", "any", true}));
    EXPECT_FALSE(fs::exists(usr() / "x"));
}

TEST_F(VLFilePerformTest, FailuresAnswerNodesErrorInfo) {
    fs::create_directories(usr() / "full");
    write(usr() / "full" / "f", "x");
    write(usr() / "file", "x");
    const std::string nul("vlfile://usr/a\0b", 16);
    const std::string longName = "vlfile://usr/" + std::string(300, 'n');
    const struct Case {
        std::string operation;
        VLArray arguments;
        VLValue error;
    } cases[] = {
        {"access",
         {"vlfile://home/x"},
         errorOf("EINVAL", "unsupported location: vlfile://home/x", "access", "vlfile://home/x")},
        {"access", {"nothing"}, errorOf("ENOENT", "no such file or directory", "access", "nothing")},
        {"stat",
         {"vlfile://usr/nothing"},
         errorOf("ENOENT", "no such file or directory", "stat", "vlfile://usr/nothing")},
        {"writeFile", {"index.js", "x"}, errorOf("EACCES", "read-only location", "open", "index.js")},
        {"remove", {"index.js", "file"}, errorOf("EACCES", "read-only location", "unlink", "index.js")},
        {"rename",
         {"index.js", "vlfile://usr/i.js"},
         errorOf("EACCES", "read-only location", "rename", "index.js")},
        {"copyFile",
         {"index.js", "lib/i.js"},
         errorOf("EACCES", "read-only location", "copyfile", "lib/i.js")},
        {"mkdir", {"vlfile://usr/full"}, errorOf("EEXIST", "file exists", "mkdir", "vlfile://usr/full")},
        {"mkdir",
         {"vlfile://usr/file", true},
         errorOf("EEXIST", "file exists", "mkdir", "vlfile://usr/file")},
        {"mkdir",
         {"vlfile://usr/file/sub", true},
         errorOf("ENOTDIR", "not a directory", "mkdir", "vlfile://usr/file/sub")},
        {"remove",
         {"vlfile://usr/nothing", "file"},
         errorOf("ENOENT", "no such file or directory", "unlink", "vlfile://usr/nothing")},
        {"remove",
         {"vlfile://usr/full", "directory"},
         errorOf("ENOTEMPTY", "directory not empty", "rmdir", "vlfile://usr/full")},
        {"remove",
         {"vlfile://usr/full"},
         errorOf("EISDIR", "is a directory, use the recursive option to remove it", "rm",
                 "vlfile://usr/full")},
        {"remove",
         {"vlfile://usr/full", "file", true},
         errorOf("EISDIR", "is a directory", "unlink", "vlfile://usr/full")},
        {"remove",
         {"vlfile://usr/file", "directory"},
         errorOf("ENOTDIR", "not a directory", "rmdir", "vlfile://usr/file")},
        {"readFile", {"vlfile://usr/full"}, errorOf("EISDIR", "is a directory", "read", "vlfile://usr/full")},
        {"readFile", {"lib"}, errorOf("EISDIR", "is a directory", "read", "lib")},
        {"writeFile",
         {"vlfile://usr/full", "x"},
         errorOf("EISDIR", "is a directory", "open", "vlfile://usr/full")},
        {"writeFile",
         {"vlfile://usr/full", "x", nullptr, true},
         errorOf("EISDIR", "is a directory", "open", "vlfile://usr/full")},
        {"writeFile",
         {"vlfile://usr/no/such/dir", "x"},
         errorOf("ENOENT", "no such file or directory", "open", "vlfile://usr/no/such/dir")},
        {"copyFile",
         {"vlfile://usr/full", "vlfile://usr/c"},
         errorOf("EISDIR", "is a directory", "copyfile", "vlfile://usr/full")},
        {"copyFile",
         {"vlfile://usr/nothing", "vlfile://usr/c"},
         errorOf("ENOENT", "no such file or directory", "copyfile", "vlfile://usr/nothing")},
        {"copyFile",
         {"vlfile://usr/file", "vlfile://usr/full"},
         errorOf("EISDIR", "is a directory", "copyfile", "vlfile://usr/file")},
        {"readdir",
         {"vlfile://usr/file"},
         errorOf("ENOTDIR", "not a directory", "scandir", "vlfile://usr/file")},
        {"rename",
         {"vlfile://usr/nothing", "vlfile://usr/b"},
         errorOf("ENOENT", "no such file or directory", "rename", "vlfile://usr/nothing")},
        {"rename",
         {"vlfile://usr/file", "vlfile://usr/full"},
         errorOf("EISDIR", "is a directory", "rename", "vlfile://usr/file")},
        {"writeFile", {longName, "x"}, errorOf("ENAMETOOLONG", "file name too long", "open", longName)},
        {"readFile", {longName}, errorOf("ENAMETOOLONG", "file name too long", "open", longName)},
        {"writeFile", {nul, "x"}, errorOf("EINVAL", "invalid characters in the path: " + nul, "open", nul)},
        {"readFile",
         {"vlfile://usr/../x"},
         errorOf("EACCES", "outside of the sandbox: vlfile://usr/../x", "open", "vlfile://usr/../x")},
        {"readFile",
         {"../outside/x"},
         errorOf("EACCES", "outside of the sandbox: ../outside/x", "open", "../outside/x")},
        {"writeFile", {42, "x"}, errorOf("EACCES", "read-only location", "open", "")},
        {"frob", {"a"}, errorOf("EINVAL", "unknown operation frob", "frob", "a")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.error, failure(c.operation, c.arguments))
            << c.operation << " " << VLValue(c.arguments).description();

    // Existence never fails: an unknown root is simply not there.
    EXPECT_EQ(VLValue(false), perform("exists", {"vlfile://home/x"}).result);
    EXPECT_EQ(VLValue(), perform("exists", {"vlfile://home/x"}).error);
}

TEST_F(VLFilePerformTest, TheArgumentsOfRemovalAndMkdirChooseTheirOutcome) {
    fs::create_directories(usr() / "dir" / "sub");
    // Force answers null for what is missing, with any kind.
    for (const char* kind : {"file", "directory", "any"})
        EXPECT_EQ(VLValue::null(), perform("remove", {"vlfile://usr/nothing", kind, false, true}).result)
            << kind;
    // An existing directory is fine only for a recursive mkdir.
    EXPECT_EQ(VLValue::null(), perform("mkdir", {"vlfile://usr/dir", true}).result);
    EXPECT_EQ(errorOf("EEXIST", "file exists", "mkdir", "vlfile://usr/dir"),
              failure("mkdir", {"vlfile://usr/dir"}));
    // Any true number counts as recursive.
    EXPECT_EQ(VLValue::null(), perform("mkdir", {"vlfile://usr/a/b", 1}).result);
    EXPECT_TRUE(fs::is_directory(usr() / "a" / "b"));
}

TEST_F(VLFilePerformTest, LinksNeverLeadOutOfTheRoot) {
    write(outside / "secret", "secret");
    fs::create_directories(usr());
    fs::create_directory_symlink(outside, usr() / "out");
    fs::create_symlink(outside / "new", usr() / "dangling");
    fs::create_symlink("../../outside/secret", usr() / "relative");
    fs::create_directories(usr() / "in");
    write(usr() / "in" / "file", "inside");
    fs::create_symlink("in/file", usr() / "fine");
    fs::create_directory_symlink(outside, package / "out");
    auto refused = [](const std::string& path, const char* syscall) {
        return errorOf("EACCES", "outside of the sandbox: " + path, syscall, path);
    };
    EXPECT_EQ(refused("vlfile://usr/out/secret", "open"), failure("readFile", {"vlfile://usr/out/secret"}));
    EXPECT_EQ(refused("vlfile://usr/relative", "open"), failure("readFile", {"vlfile://usr/relative"}));
    EXPECT_EQ(refused("out/secret", "open"), failure("readFile", {"out/secret"}));
    EXPECT_EQ(refused("vlfile://usr/dangling", "open"),
              failure("writeFile", {"vlfile://usr/dangling", "x", nullptr, true}));
    EXPECT_EQ(refused("vlfile://usr/out/new", "mkdir"), failure("mkdir", {"vlfile://usr/out/new"}));
    EXPECT_EQ(refused("vlfile://usr/out", "scandir"), failure("readdir", {"vlfile://usr/out"}));
    EXPECT_EQ(refused("vlfile://usr/out/secret", "copyfile"),
              failure("copyFile", {"vlfile://usr/out/secret", "vlfile://usr/c"}));
    EXPECT_EQ(refused("vlfile://usr/out/x", "rename"),
              failure("rename", {"vlfile://usr/in/file", "vlfile://usr/out/x"}));
    EXPECT_EQ(VLValue(false), perform("exists", {"vlfile://usr/out/secret"}).result);
    EXPECT_FALSE(fs::exists(outside / "new"));
    // A link that stays inside is followed.
    EXPECT_EQ(VLValue("inside"), perform("readFile", {"vlfile://usr/fine", "utf8"}).result);

    // Removal takes the links themselves; a tree is removed without entering a link in it.
    EXPECT_EQ(VLValue::null(), perform("remove", {"vlfile://usr/dangling", "file"}).result);
    fs::create_directory_symlink(outside, usr() / "in" / "out");
    EXPECT_EQ(VLValue::null(), perform("remove", {"vlfile://usr/in", "any", true}).result);
    EXPECT_EQ(VLValue::null(), perform("remove", {"vlfile://usr/out", "any", true}).result);
    EXPECT_FALSE(fs::exists(usr() / "in"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(usr() / "out")));
    EXPECT_EQ("secret", contentsOf(outside / "secret"));
}

TEST_F(VLFilePerformTest, TheQuotaIsReservedBeforeWritingAndGivenBackWhenNothingWasWritten) {
    owner->quota = 10;
    write(usr() / "old", "old");
    const VLValue full =
        errorOf("ENOSPC", "no space left: the content's storage is full", "write", "vlfile://usr/old");
    // A refused reservation leaves the file as it was.
    EXPECT_EQ(full, failure("writeFile", {"vlfile://usr/old", std::string(20, 'x')}));
    EXPECT_EQ("old", contentsOf(usr() / "old"));
    EXPECT_EQ(errorOf("ENOSPC", "no space left: the content's storage is full", "write", "vlfile://usr/old"),
              failure("writeFile", {"vlfile://usr/old", std::string(8, 'x'), nullptr, true}));
    // Replacing counts only what the file grows by.
    EXPECT_EQ(VLValue(), failure("writeFile", {"vlfile://usr/old", std::string(10, 'x')}));

    // Failures after the reservation give it back: without that, each would use up the room left.
    fs::create_directories(usr() / "dir");
    EXPECT_EQ(VLValue(), failure("writeFile", {"vlfile://usr/old", std::string(2, 'x')}));
    for (int attempt = 0; attempt < 3; ++attempt) {
        EXPECT_EQ("EISDIR", failure("writeFile", {"vlfile://usr/dir", std::string(6, 'x')})["code"]);
        EXPECT_EQ("EISDIR",
                  failure("writeFile", {"vlfile://usr/dir", std::string(6, 'x'), nullptr, true})["code"]);
    }
    EXPECT_EQ(VLValue(), failure("writeFile", {"vlfile://usr/new", std::string(8, 'x')}));

    // Moving between roots takes room in the destination's; within one root it takes none.
    write(temp() / "big", std::string(12, 'b'));
    EXPECT_EQ(
        errorOf("ENOSPC", "no space left: the content's storage is full", "rename", "vlfile://temp/big"),
        failure("rename", {"vlfile://temp/big", "vlfile://usr/big"}));
    EXPECT_EQ(
        errorOf("ENOSPC", "no space left: the content's storage is full", "copyfile", "vlfile://usr/big"),
        failure("copyFile", {"vlfile://temp/big", "vlfile://usr/big"}));
    EXPECT_TRUE(fs::exists(temp() / "big"));
    EXPECT_EQ(VLValue(), failure("rename", {"vlfile://usr/new", "vlfile://usr/newer"}));
}

TEST_F(VLFilePerformTest, AFailedReplacingWriteKeepsTheOldFileAndLeavesNoTemporaryFile) {
    write(usr() / "kept", "old contents");
    // Writes beyond the file size limit fail (EFBIG) instead of ending the process.
    struct rlimit previous;
    ASSERT_EQ(0, ::getrlimit(RLIMIT_FSIZE, &previous));
    auto* previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = previous;
    limited.rlim_cur = 4096;
    ASSERT_EQ(0, ::setrlimit(RLIMIT_FSIZE, &limited));
    const VLValue error = failure("writeFile", {"vlfile://usr/kept", std::string(8192, 'n')});
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(errorOf("EFBIG", "file too large", "write", "vlfile://usr/kept"), error);
    EXPECT_EQ("old contents", contentsOf(usr() / "kept"));
    EXPECT_EQ((VLValue{"kept"}), perform("readdir", {"vlfile://usr"}).result);
}

TEST_F(VLFilePerformTest, AWriteBesideANameNearTheLongestMakesItsTemporaryFile) {
    const std::string name = "vlfile://usr/" + std::string(255, 'n');
    EXPECT_EQ(VLValue(), failure("writeFile", {name, "x"}));
    EXPECT_EQ(VLValue("x"), perform("readFile", {name, "latin1"}).result);
    EXPECT_EQ(1u, perform("readdir", {"vlfile://usr"}).result.count());
}

TEST_F(VLFilePerformTest, PackageFilesAreReadAndCopiedOnlyThroughTheirDigests) {
    const VLSHA256Digest digest = VLSHA256::digest(VLTestBytes("\x01\x02\x03"));
    const VLData wrong(32, 0);
    const struct Case {
        VLValue digests;
        VLValue readError;
        VLValue copyError;
    } cases[] = {
        {VLDictionary{{"lib/data.bin", VLData(digest.begin(), digest.end())}}, VLValue(), VLValue()},
        {VLDictionary{{"lib/data.bin", wrong}},
         errorOf("EIO", "the file was changed after it was installed", "read", "lib/data.bin"),
         errorOf("EIO", "the file was changed after it was installed", "copyfile", "lib/data.bin")},
        {VLDictionary{{"index.js", wrong}},
         errorOf("ENOENT", "not a file of the package: lib/data.bin", "open", "lib/data.bin"),
         errorOf("ENOENT", "not a file of the package: lib/data.bin", "copyfile", "lib/data.bin")},
    };
    for (const Case& c : cases) {
        owner->digests = c.digests;
        fs::remove(usr() / "copy");
        EXPECT_EQ(c.readError, failure("readFile", {"lib/data.bin"})) << c.digests.description();
        EXPECT_EQ(c.copyError, failure("copyFile", {"lib/data.bin", "vlfile://usr/copy"}))
            << c.digests.description();
        EXPECT_EQ(c.copyError.isNil(), fs::exists(usr() / "copy")) << c.digests.description();
    }
}

TEST_F(VLFilePerformTest, AFileTooLargeForAScriptsBufferIsAnErrorNotACrash) {
    const int fd = ::open((usr() / "huge").c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    ASSERT_LE(0, fd);
    // Sparse: nothing is written.
    ASSERT_EQ(0, ::ftruncate(fd, off_t(1) << 33));
    ::close(fd);
    EXPECT_EQ(errorOf("UNKNOWN", "cannot allocate memory", "read", "vlfile://usr/huge"),
              failure("readFile", {"vlfile://usr/huge"}));
}
