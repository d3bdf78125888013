#include "Core/Runtime/VLCheckedFile.h"
#include "Tests/Support/VLTemporaryDirectory.h"
#include "Tests/Support/VLTestBytes.h"

#include <gtest/gtest.h>

#include <barrier>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

VLData digestOf(const VLData& bytes) {
    VLSHA256Digest digest = VLSHA256::digest(bytes);
    return VLData(digest.begin(), digest.end());
}

void writeFile(const std::filesystem::path& path, const VLData& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Bytes this process has read through read-like calls so far.
uint64_t bytesReadByProcess() {
    std::ifstream io("/proc/self/io");
    std::string key;
    uint64_t value = 0;
    while (io >> key >> value) {
        if (key == "rchar:")
            return value;
    }
    return 0;
}

class VLCheckedFileTest : public testing::Test {
protected:
    std::filesystem::path file(std::string_view text) {
        writeFile(directory / "file.js", VLTestBytes(text));
        return directory / "file.js";
    }
    VLTemporaryDirectory directory{"velto-checked"};
};

} // namespace

TEST_F(VLCheckedFileTest, OpeningRefusesBadDigestsAndWhatIsNotARegularFile) {
    const auto path = file("abc");
    std::filesystem::create_directory(directory / "dir");
    struct Case {
        std::filesystem::path path;
        VLData digest;
        int64_t code;
        const char* description;
    };
    const Case cases[] = {
        {directory / "missing", VLData(31, 0), 5, "the file has no valid digest"},
        {path, VLData(33, 0), 5, "the file has no valid digest"},
        {directory / "dir", VLData(32, 0), 21, "can't open the file"},
        {directory / "missing", VLData(32, 0), 2, "can't open the file"},
    };
    for (const Case& c : cases) {
        VLErrorRef error;
        EXPECT_EQ(nullptr, VLCheckedFile::create(c.path, c.digest, &error));
        ASSERT_TRUE(error) << c.description;
        EXPECT_EQ(VLPOSIXErrorDomain, error->domain());
        EXPECT_EQ(c.code, error->code()) << c.path;
        EXPECT_EQ(c.description, error->localizedDescription());
        EXPECT_EQ("", error->localizedFailureReason());
    }
}

TEST_F(VLCheckedFileTest, HandsOutMatchingContentsWholeAndInRanges) {
    const VLData contents = VLTestBytes("console.log('hi')");
    auto checked = VLCheckedFile::create(file("console.log('hi')"), digestOf(contents));
    ASSERT_TRUE(checked);
    EXPECT_EQ(contents.size(), checked->length());
    EXPECT_EQ(contents, checked->allDataWithError());
    EXPECT_EQ(VLTestBytes("log"), checked->dataInRange(8, 3));
    EXPECT_EQ(VLTestBytes("hi')"), checked->dataInRange(13, 100));
    EXPECT_EQ(VLData(), checked->dataInRange(contents.size(), 5));
    EXPECT_EQ(VLData(), checked->dataInRange(UINT64_MAX, UINT64_MAX));

    auto empty = VLCheckedFile::create(file(""), digestOf({}));
    ASSERT_TRUE(empty);
    EXPECT_EQ(VLData(), empty->allDataWithError());
    EXPECT_EQ(VLData(), empty->dataInRange(0, 10));
}

TEST_F(VLCheckedFileTest, AChangedFileIsRefused) {
    // A wrong digest, growth after opening (the first bytes still matching), truncation.
    struct Case {
        const char* name;
        std::function<void(const std::filesystem::path&)> change;
        VLData digest;
    };
    const VLData contents = VLTestBytes("0123456789");
    const Case cases[] = {
        {"wrong digest", [](const auto&) {}, digestOf(VLTestBytes("something else"))},
        {"grown", [](const auto& path) { std::ofstream(path, std::ios::app) << "more"; }, digestOf(contents)},
        {"truncated", [](const auto& path) { std::filesystem::resize_file(path, 4); }, digestOf(contents)},
    };
    for (const Case& c : cases) {
        for (bool ranged : {false, true}) {
            const auto path = file("0123456789");
            auto checked = VLCheckedFile::create(path, c.digest);
            ASSERT_TRUE(checked);
            c.change(path);
            VLErrorRef error;
            auto data = ranged ? checked->dataInRange(0, 4, &error) : checked->allDataWithError(&error);
            EXPECT_EQ(std::nullopt, data) << c.name;
            ASSERT_TRUE(error) << c.name;
            EXPECT_EQ(5, error->code());
            EXPECT_EQ("the file was changed after it was installed", error->localizedDescription());
        }
    }
}

TEST_F(VLCheckedFileTest, AFailedProofIsTriedAgainOnTheNextRange) {
    const auto path = file("0123456789");
    auto checked = VLCheckedFile::create(path, digestOf(VLTestBytes("0123456789")));
    std::ofstream(path, std::ios::app) << "x";
    EXPECT_EQ(std::nullopt, checked->dataInRange(0, 1));
    std::filesystem::resize_file(path, 10);
    EXPECT_EQ(VLTestBytes("0"), checked->dataInRange(0, 1));
}

TEST_F(VLCheckedFileTest, ConcurrentRangeReadersHashTheFileOnce) {
    VLData contents(4 * 1048576 + 123);
    for (size_t index = 0; index < contents.size(); ++index)
        contents[index] = uint8_t(index * 7);
    writeFile(directory / "big.bin", contents);
    auto checked = VLCheckedFile::create(directory / "big.bin", digestOf(contents));
    ASSERT_TRUE(checked);

    const uint64_t before = bytesReadByProcess();
    constexpr int kReaders = 8;
    std::barrier start(kReaders);
    std::vector<std::optional<VLData>> results(kReaders);
    std::vector<std::thread> readers;
    for (int reader = 0; reader < kReaders; ++reader) {
        readers.emplace_back([&, reader] {
            start.arrive_and_wait();
            results[size_t(reader)] = checked->dataInRange(uint64_t(reader) * 500000, 1000);
        });
    }
    for (std::thread& reader : readers)
        reader.join();
    const uint64_t read = bytesReadByProcess() - before;

    for (int reader = 0; reader < kReaders; ++reader) {
        auto begin = contents.begin() + reader * 500000;
        EXPECT_EQ(VLData(begin, begin + 1000), results[size_t(reader)]) << reader;
    }
    // One pass over the file and the ranges; a second pass would double it.
    EXPECT_GE(read, contents.size());
    EXPECT_LT(read, 2 * contents.size());
}
