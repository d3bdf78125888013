#include "Modules/Canvas/Text/VLFontDescriptorFromData.h"

#include "Tests/Support/VLTestBytes.h"
#include "Tests/Support/VLTestFonts.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kNotAFont = "it isn't a TrueType, OpenType, WOFF or WOFF2 font";
constexpr const char* kUnreadable = "the font can't be read";

std::shared_ptr<const VLData> bytesOf(VLData data) {
    return std::make_shared<const VLData>(std::move(data));
}

// Twelve bytes: the tag, then zeros.
std::shared_ptr<const VLData> tagAndZeros(std::string_view tag) {
    VLData data = VLTestBytes(tag);
    data.resize(12);
    return bytesOf(std::move(data));
}

// A WOFF2 whose table directory announces its first table at `length` bytes, its data unchanged.
std::shared_ptr<const VLData> withFirstTableLength(const VLData& woff2, uint32_t length) {
    size_t at = 48; // past the header, at the first entry's flags
    at += (woff2[at] & 0x3F) == 0x3F ? 5 : 1;
    size_t end = at;
    while (woff2[end] & 0x80)
        ++end;
    // UIntBase128: seven bits a byte, most significant first, no leading zeros.
    VLData encoded = {uint8_t(length & 0x7F)};
    for (uint32_t rest = length >> 7; rest; rest >>= 7)
        encoded.insert(encoded.begin(), uint8_t(0x80 | (rest & 0x7F)));
    VLData result(woff2.begin(), woff2.begin() + ptrdiff_t(at));
    result.insert(result.end(), encoded.begin(), encoded.end());
    result.insert(result.end(), woff2.begin() + ptrdiff_t(end) + 1, woff2.end());
    const uint32_t size = uint32_t(result.size());
    for (int i = 0; i < 4; ++i)
        result[8 + i] = uint8_t(size >> (24 - 8 * i));
    return bytesOf(std::move(result));
}

} // namespace

TEST(VLFontDescriptorFromDataTests, RefusesWhatIsNoFontWithItsReason) {
    std::shared_ptr<const VLData> dejaVu = VLTestFontData(VLTestDejaVuSansPath);
    VLData trueAndGarbage = VLTestBytes("true");
    trueAndGarbage.resize(1000, 0x41);
    const std::pair<std::shared_ptr<const VLData>, const char*> cases[] = {
        {nullptr, kNotAFont},
        {bytesOf({}), kNotAFont},
        {bytesOf({0x00, 0x01, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0}), kNotAFont}, // 11 bytes
        {bytesOf(VLTestBytes("ABCDwOFFtrue")), kNotAFont},                   // tags, but not at the start
        {bytesOf(VLTestBytes("abcdefghijkl")), kNotAFont},
        {tagAndZeros(std::string_view("\0\1\0\0", 4)), kUnreadable},
        {tagAndZeros("OTTO"), kUnreadable},
        {tagAndZeros("true"), kUnreadable},
        {tagAndZeros("ttcf"), kUnreadable},
        {tagAndZeros("wOFF"), kUnreadable},
        {tagAndZeros("wOF2"), kUnreadable},
        {bytesOf(std::move(trueAndGarbage)), kUnreadable},
        {bytesOf(VLData(dejaVu->begin(), dejaVu->begin() + 100)), kUnreadable},
        {bytesOf(VLData(dejaVu->begin(), dejaVu->begin() + 20000)), kUnreadable},
        // FreeType's own limit on what a WOFF2 unpacks to refuses a gigabyte before taking it.
        {withFirstTableLength(*VLTestFontData("inter-latin-400-normal.woff2"), 1u << 30), kUnreadable},
    };
    for (const auto& [data, reason] : cases) {
        std::string failure;
        EXPECT_EQ(VLFontDescriptorFromData(data, failure), nullptr)
            << reason << " " << (data ? data->size() : 0);
        EXPECT_EQ(failure, reason) << (data ? data->size() : 0);
    }
}

TEST(VLFontDescriptorFromDataTests, RefusesMoreThan64MiB) {
    VLData data(VLFontMaximumDataSize + 1);
    data[1] = 1; // a TrueType tag: only the size is wrong
    std::string failure;
    EXPECT_EQ(VLFontDescriptorFromData(bytesOf(std::move(data)), failure), nullptr);
    EXPECT_EQ(failure, "it's 64.0 MB, a font can be at most 64 MB");
    // 64 MiB itself passes the size check and is read.
    VLData limit(VLFontMaximumDataSize);
    limit[1] = 1;
    EXPECT_EQ(VLFontDescriptorFromData(bytesOf(std::move(limit)), failure), nullptr);
    EXPECT_EQ(failure, kUnreadable);
    EXPECT_EQ(VLFontDataSizeFailure(100 * 1048576 + 524288), "it's 100.5 MB, a font can be at most 64 MB");
}

TEST(VLFontDescriptorFromDataTests, ReadsTrueTypeWOFFAndWOFF2) {
    const std::tuple<std::shared_ptr<const VLData>, const char*, bool> cases[] = {
        {VLTestFontData(VLTestDejaVuSansPath), "DejaVuSans", false},
        {VLTestFontData("inter-latin-400-normal.woff"), "Inter-Regular", false},
        {VLTestFontData("inter-latin-400-normal.woff2"), "Inter-Regular", false},
        {VLTestFontData("inter-latin-wght-normal.woff2"), "Inter-Regular", true},
    };
    for (const auto& [data, postScriptName, variable] : cases) {
        std::string failure;
        VLPlatformFontDescriptorRef descriptor = VLFontDescriptorFromData(data, failure);
        ASSERT_TRUE(descriptor) << postScriptName << ": " << failure;
        EXPECT_EQ(failure, "");
        EXPECT_EQ(descriptor->postScriptName(), postScriptName);
        EXPECT_EQ(descriptor->bytes(), data);
        ASSERT_EQ(descriptor->hasWeightAxis(), variable) << postScriptName;
        if (variable) {
            EXPECT_EQ(descriptor->weightAxis()->minimum, 100);
            EXPECT_EQ(descriptor->weightAxis()->maximum, 900);
        }
    }
}
