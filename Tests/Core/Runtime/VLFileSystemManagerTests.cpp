#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Runtime/VLBlobURLStore.h"
#include "Core/Runtime/VLFileSystemManager.h"
#include "Platform/Foundation/VLSHA256.h"
#include "Platform/Foundation/VLURL.h"
#include "Tests/Support/VLFakeFileSystemOwner.h"
#include "Tests/Support/VLPrivateTMPDIR.h"
#include "Tests/Support/VLTestBytes.h"
#include "Tests/Support/VLTestSignal.h"

#include <gtest/gtest.h>

#include <fstream>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <variant>

namespace {

namespace fs = std::filesystem;

VLData digestOf(std::string_view text) {
    VLSHA256Digest digest = VLSHA256::digest(VLTestBytes(text));
    return VLData(digest.begin(), digest.end());
}

class VLFileSystemManagerTest : public testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(package / "img");
        std::ofstream(package / "index.js") << "main()";
        std::ofstream(package / "img" / "a.png") << "png";
        owner->bundle = package.string();
    }

    std::shared_ptr<VLFileSystemManager> makeManager() { return VLFileSystemManager::create(owner); }

    std::string runtimeDirectory() const {
        return (tmpdir.path() / "Velto-runtimes" / std::to_string(::getpid()) / owner->identityValue)
            .string();
    }

    VLPrivateTMPDIR tmpdir;
    const fs::path package = tmpdir.path() / "package";
    std::shared_ptr<VLFakeFileSystemOwner> owner = std::make_shared<VLFakeFileSystemOwner>();
};

// An expected resolution: a path and its permission, or an error's code and description.
struct Resolved {
    int32_t permission;
    std::string path;
};
struct Failed {
    int64_t code;
    std::string description;
};
using Expectation = std::variant<Resolved, Failed>;

void expectFile(const VLFile& file, const VLErrorRef& error, const Expectation& expected,
                const std::string& input) {
    if (const auto* resolved = std::get_if<Resolved>(&expected)) {
        EXPECT_EQ(nullptr, error) << input << ": " << error->localizedDescription();
        EXPECT_EQ(resolved->permission, file.permission) << input;
        EXPECT_EQ(resolved->path, file.path) << input;
        return;
    }
    const auto& failed = std::get<Failed>(expected);
    EXPECT_EQ(0, file.permission) << input;
    EXPECT_EQ(std::nullopt, file.path) << input;
    ASSERT_TRUE(error) << input;
    EXPECT_EQ(VLPOSIXErrorDomain, error->domain()) << input;
    EXPECT_EQ(failed.code, error->code()) << input;
    EXPECT_EQ(failed.description, error->localizedDescription()) << input;
}

} // namespace

TEST_F(VLFileSystemManagerTest, ResolvesEveryKindOfLocationOrSaysWhyNot) {
    auto manager = makeManager();
    const std::string root = package.string();
    const std::string files = runtimeDirectory() + "/Data/Files";
    const std::string temp = runtimeDirectory() + "/Temp";
    const std::string nul("a\0b", 3);
    const std::string blob = owner->store->addData(VLTestBytes("x"), "text/plain");
    const std::string blobPath = *owner->store->filePathForURL(blob);
    const std::string appFile = "appfile://" + root + "/index.js";

    const std::pair<std::string, Expectation> paths[] = {
        {"img/a.png", Resolved{1, root + "/img/a.png"}},
        {"a/b:c", Resolved{1, root + "/a/b:c"}},
        {"./img//./a.png", Resolved{1, root + "/img/a.png"}},
        {"", Resolved{1, root}},
        {"vlfile://usr/a/../b.txt", Resolved{7, files + "/b.txt"}},
        {"VLFile://temp/x", Resolved{7, temp + "/x"}},
        {"vlfile://usr", Resolved{7, files}},
        {"vlfile://usr/../x", Failed{13, "Outside of the sandbox: vlfile://usr/../x"}},
        {"../x", Failed{13, "Outside of the sandbox: ../x"}},
        {"img/../../x", Failed{13, "Outside of the sandbox: img/../../x"}},
        {"vlfile://home/x", Failed{22, "Unsupported location: vlfile://home/x"}},
        {"vlfile://USR/x", Failed{22, "Unsupported location: vlfile://USR/x"}},
        {"http://example.com/a", Failed{22, "Unsupported location: http://example.com/a"}},
        {"a:b/c", Failed{22, "Unsupported location: a:b/c"}},
        {"a:b", Failed{22, "Unsupported location: a:b"}},
        {nul, Failed{22, "Invalid characters in the path: " + nul}},
        {"vlfile://usr/\xff", Failed{22, "Invalid characters in the path: vlfile://usr/\xff"}},
    };
    auto check = [](const auto& cases, const auto& resolve) {
        for (const auto& [location, expected] : cases) {
            VLErrorRef error;
            VLFile file = resolve(location, &error);
            expectFile(file, error, expected, location);
        }
    };
    auto atPath = [&](const std::string& location, VLErrorRef* error) {
        return manager->fileAtPath(location, error);
    };
    auto atURL = [&](const std::string& url, VLErrorRef* error) {
        return manager->fileAtURL(VLURL(url), error);
    };
    check(paths, atPath);

    const std::pair<std::string, Expectation> urls[] = {
        {"img/a.png", Resolved{1, root + "/img/a.png"}},
        {"vlfile://usr/a%20b.txt", Resolved{7, files + "/a b.txt"}},
        {"VLFILE://temp/x/../y", Resolved{7, temp + "/y"}},
        {blob + "#fragment", Resolved{1, blobPath}},
        {"vlfile://home/x", Failed{22, "Unsupported host: vlfile://home/x"}},
        {"vlfile:///x", Failed{22, "Unsupported host: vlfile:///x"}},
        {"vlfile://usr/%2e%2e/x", Failed{13, "Outside of the sandbox: vlfile://usr/%2e%2e/x"}},
        {"vlfile://usr/a%00b", Failed{22, "Invalid characters in the path: vlfile://usr/a%00b"}},
        {"../x", Failed{13, "Outside of the sandbox: ../x"}},
        {"blob:null/unknown", Failed{2, "Blob URL not found: blob:null/unknown"}},
        {appFile, Failed{2, "File not found: " + appFile}},
        {"http://example.com/a", Failed{22, "Unsupported scheme: http://example.com/a"}},
    };
    check(urls, atURL);

    owner->appFiles = true;
    const std::pair<std::string, Expectation> appFiles[] = {
        {appFile, Resolved{1, root + "/index.js"}},
        {"appfile:///no/such/file", Failed{2, "File not found: appfile:///no/such/file"}},
        {"appfile:index.js", Failed{2, "File not found: appfile:index.js"}},
        {"appfile://", Failed{2, "File not found: appfile://"}},
    };
    check(appFiles, atURL);
}

TEST_F(VLFileSystemManagerTest, ReadsContentsPlainlyOrThroughDigests) {
    auto manager = makeManager();
    struct Case {
        VLValue digests;
        std::string url;
        std::variant<std::string, Failed> expected;
    };
    const VLValue nil;
    const VLValue indexOnly = VLDictionary{{"index.js", digestOf("main()")}};
    const Case cases[] = {
        {nil, "index.js", std::string("main()")},
        {nil, "img/a.png", std::string("png")},
        {nil, "missing.js", Failed{2, "File not found: missing.js"}},
        {nil, "img", Failed{21, "can't read the file"}},
        {nil, "vlfile://home/x", Failed{22, "Unsupported host: vlfile://home/x"}},
        {indexOnly, "index.js", std::string("main()")},
        {indexOnly, "img/a.png", Failed{2, "File not found: img/a.png"}},
        {VLDictionary{{"index.js", digestOf("other")}}, "index.js",
         Failed{5, "the file was changed after it was installed"}},
        {VLDictionary{{"index.js", VLData(3, 0)}}, "index.js", Failed{5, "the file has no valid digest"}},
        {VLDictionary(), "index.js", Failed{2, "File not found: index.js"}},
    };
    for (const Case& c : cases) {
        owner->digests = c.digests;
        VLErrorRef error;
        std::optional<VLData> contents = manager->contentsAtURL(VLURL(c.url), &error);
        const std::string label = c.url + " digests " + c.digests.description();
        if (const auto* text = std::get_if<std::string>(&c.expected)) {
            EXPECT_EQ(VLTestBytes(*text), contents) << label;
            EXPECT_EQ(nullptr, error) << label;
            continue;
        }
        EXPECT_EQ(std::nullopt, contents) << label;
        ASSERT_TRUE(error) << label;
        EXPECT_EQ(std::get<Failed>(c.expected).code, error->code()) << label;
        EXPECT_EQ(std::get<Failed>(c.expected).description, error->localizedDescription()) << label;
    }

    // What the package check itself says, before the URL's reading turns code 2 into "File not found".
    owner->digests = indexOnly;
    VLErrorRef error;
    EXPECT_EQ(nullptr, manager->packageFileAtPath((package / "img" / "a.png").string(), &error));
    ASSERT_TRUE(error);
    EXPECT_EQ("Not a file of the package: img/a.png", error->localizedDescription());
    EXPECT_EQ(2, error->code());
    // Outside the package nothing is checked.
    std::ofstream(tmpdir.path() / "outside.txt") << "free";
    error = nullptr;
    EXPECT_EQ(nullptr, manager->packageFileAtPath((tmpdir.path() / "outside.txt").string(), &error));
    EXPECT_EQ(nullptr, error);
    EXPECT_EQ(VLTestBytes("free"), manager->contentsOfFileAtPath((tmpdir.path() / "outside.txt").string()));
}

TEST_F(VLFileSystemManagerTest, ALinkOutOfThePackageIsNeverReadUnchecked) {
    std::ofstream(tmpdir.path() / "secret.js") << "main()";
    fs::create_symlink(tmpdir.path() / "secret.js", package / "link.js");
    fs::create_symlink(package / "index.js", package / "alias.js");
    auto manager = makeManager();
    // The link's own name carries the right digest: it must not help.
    owner->digests = VLDictionary{{"index.js", digestOf("main()")}, {"link.js", digestOf("main()")}};

    VLErrorRef error;
    EXPECT_EQ(std::nullopt, manager->contentsOfFileAtPath((package / "link.js").string(), &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(2, error->code());
    EXPECT_EQ("Not a file of the package: link.js", error->localizedDescription());
    EXPECT_EQ(std::nullopt, manager->_packageRelativePath((package / "link.js").string()));
    // A link inside the package is the file it leads to, under that file's digest.
    EXPECT_EQ("index.js", manager->_packageRelativePath((package / "alias.js").string()));
    EXPECT_EQ(VLTestBytes("main()"), manager->contentsAtURL(VLURL("alias.js")));
    EXPECT_EQ(VLTestBytes("main()"), manager->contentsAtURL(VLURL("img/../index.js")));
}

TEST_F(VLFileSystemManagerTest, LaysOutItsDirectoriesUnderThePrivateTemporaryDirectory) {
    auto manager = makeManager();
    EXPECT_EQ(runtimeDirectory(), manager->temporaryDirectory());
    EXPECT_EQ(runtimeDirectory() + "/Data", manager->dataDirectory());
    EXPECT_EQ(std::nullopt, manager->localStoragePath());
    EXPECT_EQ(std::nullopt, manager->syncStoragePath());
    EXPECT_FALSE(fs::exists(runtimeDirectory()));

    int32_t permission = 0;
    EXPECT_EQ(runtimeDirectory() + "/Data/Files", manager->rootOfHost("usr", &permission));
    EXPECT_EQ(7, permission);
    EXPECT_TRUE(fs::is_directory(runtimeDirectory() + "/Data/Files"));
    // A file where the root should be gives way to the directory.
    std::ofstream(runtimeDirectory() + "/Temp") << "in the way";
    EXPECT_EQ(runtimeDirectory() + "/Temp", manager->rootOfHost("temp"));
    EXPECT_TRUE(fs::is_directory(runtimeDirectory() + "/Temp"));
    EXPECT_EQ(std::nullopt, manager->rootOfHost("home"));
    struct stat status;
    ASSERT_EQ(0, ::stat((tmpdir.path() / "Velto-runtimes").c_str(), &status));
    EXPECT_EQ(0700u, status.st_mode & 0777);

    // With a data path of the host's: storage there, and only its last folder made.
    owner->data = (tmpdir.path() / "data").string();
    EXPECT_EQ(owner->data, manager->dataDirectory());
    EXPECT_EQ(owner->data + "/LocalStorage.plist", manager->localStoragePath());
    EXPECT_EQ(owner->data + "/SyncStorage.plist", manager->syncStoragePath());
    EXPECT_EQ(owner->data + "/Files", manager->rootOfHost("usr"));
    EXPECT_FALSE(fs::exists(owner->data));
    fs::create_directory(owner->data);
    manager->rootOfHost("usr");
    EXPECT_TRUE(fs::is_directory(owner->data + "/Files"));
}

TEST_F(VLFileSystemManagerTest, TerminationRemovesTheTemporaryDirectoryForGood) {
    auto manager = makeManager();
    std::string usr = *manager->rootOfHost("usr");
    std::ofstream(usr + "/note.txt") << "x";
    manager->runtimeDidTerminate();
    manager->sync([](VLFileSystemManager&) {});
    EXPECT_FALSE(fs::exists(runtimeDirectory()));
    // A late request does not make the root again.
    EXPECT_EQ(usr, manager->rootOfHost("usr"));
    EXPECT_FALSE(fs::exists(usr));

    // Destroying a manager removes it too.
    auto second = makeManager();
    second->rootOfHost("temp");
    EXPECT_TRUE(fs::exists(runtimeDirectory()));
    second.reset();
    EXPECT_FALSE(fs::exists(runtimeDirectory()));
}

TEST_F(VLFileSystemManagerTest, TheQuotaTakesAndGivesBackWithoutOverflow) {
    auto manager = makeManager();
    const std::string root = *manager->rootOfHost("usr");
    std::ofstream(root + "/used.bin") << std::string(900, 'x');
    EXPECT_TRUE(manager->reserveBytes(1 << 20, root)); // no quota yet
    manager->invalidateUsageOfLocationRoot(root);

    owner->quota = 1000;
    EXPECT_TRUE(manager->reserveBytes(50, root));
    EXPECT_FALSE(manager->reserveBytes(100, root));
    EXPECT_TRUE(manager->reserveBytes(-200, root));
    EXPECT_TRUE(manager->reserveBytes(250, root));
    EXPECT_FALSE(manager->reserveBytes(1, root));
    EXPECT_FALSE(manager->reserveBytes(std::numeric_limits<int64_t>::max(), root));
    EXPECT_TRUE(manager->reserveBytes(std::numeric_limits<int64_t>::min(), root));
    EXPECT_TRUE(manager->reserveBytes(1000, root));

    // Measured again from the disk once invalidated; a huge quota cannot overflow either.
    manager->invalidateUsageOfLocationRoot(root);
    EXPECT_FALSE(manager->reserveBytes(101, root));
    EXPECT_TRUE(manager->reserveBytes(100, root));
    owner->quota = std::numeric_limits<uint64_t>::max();
    EXPECT_FALSE(manager->reserveBytes(std::numeric_limits<int64_t>::max(), root));
    EXPECT_TRUE(manager->reserveBytes(1 << 30, root));
    EXPECT_TRUE(manager->reserveBytes(5, ""));
}

TEST_F(VLFileSystemManagerTest, WorkRunsOnTheFileThreadWhileTheManagerLives) {
    auto manager = makeManager();
    std::string threadName;
    manager->sync([&](VLFileSystemManager& same) {
        threadName = VLRunLoopThread::current()->name();
        EXPECT_EQ(manager.get(), &same);
        bool inner = false;
        same.sync([&](VLFileSystemManager&) { inner = true; });
        EXPECT_TRUE(inner);
    });
    EXPECT_EQ("app.velto.filesystem", threadName);

    VLTestSignal ran;
    manager->async([&](VLFileSystemManager&) { ran.raise(); });
    EXPECT_TRUE(ran.wait());

    bool isDirectory = false;
    EXPECT_TRUE(manager->fileExistsAtURL(VLURL("img"), &isDirectory));
    EXPECT_TRUE(isDirectory);
    EXPECT_TRUE(manager->fileExistsAtURL(VLURL("index.js"), &isDirectory));
    EXPECT_FALSE(isDirectory);
    EXPECT_FALSE(manager->fileExistsAtURL(VLURL("missing.js")));
    EXPECT_FALSE(manager->fileExistsAtURL(VLURL("vlfile://home/x")));
}

TEST(VLFilePaths, RepresentabilityStoredPathsAndDirectorySizes) {
    EXPECT_TRUE(VLFilePathIsRepresentable(""));
    EXPECT_TRUE(VLFilePathIsRepresentable("caf\xc3\xa9/a.js"));
    EXPECT_FALSE(VLFilePathIsRepresentable(std::string("a\0b", 3)));
    EXPECT_FALSE(VLFilePathIsRepresentable("\xc3"));

    VLPrivateTMPDIR tmpdir;
    fs::create_directories(tmpdir.path() / "real" / ".hidden");
    std::ofstream(tmpdir.path() / "real" / "a") << "12345";
    std::ofstream(tmpdir.path() / "real" / ".hidden" / "b") << "123";
    fs::create_symlink(tmpdir.path() / "real", tmpdir.path() / "link");
    fs::create_symlink(tmpdir.path() / "real" / "a", tmpdir.path() / "real" / "alink");
    EXPECT_EQ(fs::canonical(tmpdir.path() / "real" / "a").string(),
              VLStoredPath((tmpdir.path() / "link" / "a").string()));
    EXPECT_EQ(std::nullopt, VLStoredPath((tmpdir.path() / "missing").string()));
    EXPECT_EQ(8, VLDirectorySize((tmpdir.path() / "real").string()));
    EXPECT_EQ(0, VLDirectorySize((tmpdir.path() / "missing").string()));
}
