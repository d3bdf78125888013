#include "Core/Runtime/VLBlobURLStore.h"
#include "Platform/Foundation/VLFileIO.h"
#include "Tests/Support/VLPrivateTMPDIR.h"
#include "Tests/Support/VLTestBytes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class VLBlobURLStoreTest : public testing::Test {
protected:
    std::filesystem::path blobFolder() const {
        return tmpdir.path() / "Velto-blobs" / std::to_string(::getpid());
    }
    VLPrivateTMPDIR tmpdir;
    VLBlobURLStore store;
};

} // namespace

TEST_F(VLBlobURLStoreTest, URLsAreNewEachTimeAndIgnoreTheFragment) {
    std::string first = store.addData(VLTestBytes("abc"), "text/plain");
    std::string second = store.addData(VLTestBytes("abc"), "text/plain");
    EXPECT_NE(first, second);
    EXPECT_TRUE(
        std::regex_match(first, std::regex("blob:null/[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-"
                                           "[0-9a-f]{12}")))
        << first;
    std::optional<std::string> type;
    auto data = store.dataForURL(first + "#any/fragment", &type);
    ASSERT_TRUE(data);
    EXPECT_EQ(VLTestBytes("abc"), *data);
    EXPECT_EQ("text/plain", type);
    EXPECT_EQ(store.filePathForURL(first), store.filePathForURL(first + "#x"));

    EXPECT_EQ(nullptr, store.dataForURL("blob:null/unknown", &type));
    EXPECT_EQ(std::nullopt, type);
    EXPECT_EQ(std::nullopt, store.filePathForURL("blob:null/unknown"));
    store.addData({}, std::nullopt);
}

TEST_F(VLBlobURLStoreTest, FilesTakeTheExtensionOfTheBareTypeAndAreWrittenOnce) {
    const std::pair<std::optional<std::string>, std::string> cases[] = {
        {"text/plain; charset=utf-8", ".txt"}, {" image/JPEG ", ".jpeg"}, {"", ""}, {std::nullopt, ""},
        {"application/x-nobody-knows", ""},
    };
    for (const auto& [type, extension] : cases) {
        std::string url = store.addData(VLTestBytes("hello"), type);
        std::optional<std::string> path = store.filePathForURL(url);
        ASSERT_TRUE(path) << type.value_or("nil");
        EXPECT_EQ(blobFolder(), std::filesystem::path(*path).parent_path());
        EXPECT_EQ(extension, std::filesystem::path(*path).extension().string()) << type.value_or("nil");
        EXPECT_EQ(VLTestBytes("hello"), VLContentsOfFile(*path));
        // Asked again, the same file answers, not written anew.
        std::ofstream(*path) << "changed";
        EXPECT_EQ(path, store.filePathForURL(url));
        EXPECT_EQ(VLTestBytes("changed"), VLContentsOfFile(*path));
    }
    struct stat status;
    ASSERT_EQ(0, ::stat((tmpdir.path() / "Velto-blobs").c_str(), &status));
    EXPECT_EQ(0700u, status.st_mode & 0777);
}

TEST_F(VLBlobURLStoreTest, RevokedFilesStayUntilRemoveAllThenNothingIsLeft) {
    std::string revoked = store.addData(VLTestBytes("a"), "text/plain");
    std::string kept = store.addData(VLTestBytes("b"), "text/plain");
    std::string revokedPath = *store.filePathForURL(revoked);
    std::string keptPath = *store.filePathForURL(kept);
    store.removeURL(revoked + "#f");
    EXPECT_EQ(nullptr, store.dataForURL(revoked));
    EXPECT_TRUE(std::filesystem::exists(revokedPath));
    EXPECT_TRUE(store.dataForURL(kept));

    store.removeAll();
    EXPECT_EQ(nullptr, store.dataForURL(kept));
    EXPECT_TRUE(std::filesystem::is_empty(blobFolder()));
}

TEST_F(VLBlobURLStoreTest, AFileThatCannotBeWrittenIsTriedAgainLater) {
    std::string url = store.addData(VLTestBytes("a"), "text/plain");
    std::filesystem::create_directories(blobFolder().parent_path());
    std::ofstream(blobFolder()) << "a file where the folder should be";
    EXPECT_EQ(std::nullopt, store.filePathForURL(url));
    std::filesystem::remove(blobFolder());
    EXPECT_TRUE(store.filePathForURL(url));
}
