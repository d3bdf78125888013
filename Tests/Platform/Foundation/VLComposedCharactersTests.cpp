#include "Platform/Foundation/VLComposedCharacters.h"

#include <gtest/gtest.h>

TEST(VLComposedCharacters, ShortensBetweenWholeCharacters) {
    const std::string family = "\U0001F468\u200D\U0001F469\u200D\U0001F467"; // 18 bytes, one character
    const std::string flag = "\U0001F1EB\U0001F1F7";                         // 8 bytes, one character
    const std::string eAcute = "e\u0301";                                    // 3 bytes, one character
    std::string manyFlags; // a run of 100001 regional indicators, paired from its start
    for (int i = 0; i < 50000; i++) {
        manyFlags += flag;
    }
    std::string thirtyOneFlags;
    for (int i = 0; i < 31; i++) {
        thirtyOneFlags += flag;
    }
    struct Case {
        std::string text;
        size_t limit;
        std::string expected;
    } cases[] = {
        {"abcdef", 4, "abc"},
        {"abc", 4, "abc"},
        {"abc", 3, "ab"},
        {"ab" + eAcute, 5, "ab"},
        {"a\u00e9", 3, "a"},
        {"x" + family, 19, "x"},
        {"x" + family + "y", 20, "x" + family},
        {flag + flag, 16, flag},
        {flag + flag + "\U0001F1EB", 20, flag + flag},
        {manyFlags + "\U0001F1EB", 256, thirtyOneFlags},
        {"\U0001F44D\U0001F3FD!", 9, "\U0001F44D\U0001F3FD"},
        {"ab\r\n", 4, "ab"},
        {"ab\xff", 10, ""},
        {"", 1, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, VLStringShortenedBelowByteCount(c.text, c.limit))
            << c.text.substr(0, 40) << " below " << c.limit;
    }
}

TEST(VLComposedCharacters, FindsTheLastSequence) {
    EXPECT_EQ(0u, VLLastComposedCharacterSequenceStart(""));
    EXPECT_EQ(2u, VLLastComposedCharacterSequenceStart("abc"));
    EXPECT_EQ(1u, VLLastComposedCharacterSequenceStart("xa\u0301\u0301"));
    EXPECT_EQ(17u,
              VLLastComposedCharacterSequenceStart("a\U0001F1EB\U0001F1F7\U0001F1EB\U0001F1F7\U0001F1EB"));
}
