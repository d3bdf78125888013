#include "Platform/Foundation/VLBase64.h"
#include "Tests/Support/VLTestBytes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(VLBase64Tests, EncodesWithPaddingAndRoundTripsEveryByte) {
    const struct {
        const char* bytes;
        const char* text;
    } cases[] = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {"\xff\xfe", "//4="},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(VLBase64Encode(VLTestBytes(c.bytes)), c.text);
        EXPECT_EQ(VLBase64Decode(c.text), VLTestBytes(c.bytes)) << c.text;
    }

    std::vector<uint8_t> all;
    for (int byte = 0; byte < 256; ++byte)
        all.push_back(uint8_t(byte));
    EXPECT_EQ(VLBase64Decode(VLBase64Encode(all)), all);
}

TEST(VLBase64Tests, RefusesWhatIsNotStrictBase64) {
    for (const char* text :
         {"Zg", "Zg=", "Z===", "====", "Zm9v\n", "Zm 9", "Zg=a", "=Zg=", "Zm-_", "Zg==Zg=="})
        EXPECT_FALSE(VLBase64Decode(text)) << text;
    // Bits past the last whole byte are ignored.
    EXPECT_EQ(VLBase64Decode("QR=="), VLTestBytes("A"));
}

TEST(VLBase64Tests, ForgivingAndLenientDecodings) {
    EXPECT_EQ(VLBase64DecodeForgiving(" Zm9v YmE\n"), VLTestBytes("fooba"));
    EXPECT_EQ(VLBase64DecodeForgiving("Zm9vYg=="), VLTestBytes("foob"));
    for (const char* text : {"Zm9vY", "Zm9-", "Zg=a", "Zg==="})
        EXPECT_FALSE(VLBase64DecodeForgiving(text)) << text;
    EXPECT_EQ(VLBase64DecodeIgnoringUnknownCharacters("Zm9v-Y=g=\xff="), VLTestBytes("foob"));
    EXPECT_EQ(VLBase64DecodeIgnoringUnknownCharacters("Z"), VLTestBytes(""));
}

} // namespace
