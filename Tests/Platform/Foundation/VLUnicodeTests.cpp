#include "Platform/Foundation/VLUnicode.h"

#include <gtest/gtest.h>

namespace {

TEST(VLUnicodeTests, MalformedUTF8BecomesReplacementCharacters) {
    const struct {
        std::string utf8;
        std::u16string utf16;
    } cases[] = {
        {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
        {"\xC3\xA9\xF0\x9F\x98\x80", u"\u00E9\U0001F600"},
        {"\xC0\xAF", u"\uFFFD\uFFFD"},           // overlong
        {"\xE2\x82", u"\uFFFD\uFFFD"},           // cut short
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"}, // an encoded surrogate
        {"\xFFz", u"\uFFFDz"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VLUTF16FromUTF8(c.utf8), c.utf16) << c.utf8;
}

// As TextDecoder decodes: one U+FFFD for each maximal part of an ill-formed sequence.
TEST(VLUnicodeTests, DecodingUTF8ReplacesEachMaximalIllFormedPartOnceOrFails) {
    const struct {
        std::string bytes;
        std::u16string text;
    } cases[] = {
        {"\xEF\xBB\xBF"
         "a\xC3\xA9\xF0\x9F\x98\x80",
         u"\uFEFFa\u00E9\U0001F600"},
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                     // no sequence starts with C0
        {"\xE2\x82", u"\uFFFD"},                           // cut short at the end
        {"\xE2\x82z", u"\uFFFDz"},                         // cut short before another character
        {"\xF0\x9F\xE2\x82\xAC", u"\uFFFD\u20AC"},         // the next character ends the part
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},           // an encoded surrogate: ED takes no A0
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // above U+10FFFF
        {"\x80\xFF", u"\uFFFD\uFFFD"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(VLUTF16FromUTF8Decoding(c.bytes, false), c.text) << c.bytes;
        const bool wellFormed = c.text.find(u'\uFFFD') == std::u16string::npos;
        EXPECT_EQ(VLUTF16FromUTF8Decoding(c.bytes, true).has_value(), wellFormed) << c.bytes;
    }
}

TEST(VLUnicodeTests, LoneSurrogatesBecomeReplacementCharacters) {
    EXPECT_EQ(VLUTF8FromUTF16(u"\U0001F600"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(VLUTF8FromUTF16(std::u16string(u"\xDC00\xD800x", 3)), "\xEF\xBF\xBD\xEF\xBF\xBDx");
    EXPECT_EQ(VLUTF8FromUTF16(std::u16string(u"\xD800", 1)), "\xEF\xBF\xBD");
}

TEST(VLUnicodeTests, CountsAndTrimsAsScriptsSeeTheText) {
    for (const auto& c : {std::pair<std::string, size_t>{"abc", 3},
                          {"\xC3\xA9\xC3\xA9", 2},
                          {"\xF0\x9F\x98\x80", 2},
                          {"\xE2\x82", 2}}) // two bytes of a cut sequence: two replacement characters
        EXPECT_EQ(VLUTF16Length(c.first), c.second) << c.first;

    EXPECT_EQ(VLStringByTrimmingWhitespaceAndNewlines(" \t\r\n a b\xC2\xA0\xE2\x80\xA8"), "a b");
    EXPECT_EQ(VLStringByTrimmingWhitespaceAndNewlines("\xE3\x80\x80\xC3\xA9\xC2\x85"), "\xC3\xA9");
    EXPECT_EQ(VLStringByTrimmingWhitespaceAndNewlines(" \n "), "");
    EXPECT_EQ(VLStringByTrimmingWhitespaceAndNewlines("\xFF "), "\xFF"); // a stray byte is no space

    EXPECT_EQ(VLASCIILowercaseString("AliceBLUE \xC3\x89"), "aliceblue \xC3\x89");
    EXPECT_EQ(VLASCIIUppercaseString("#ffaa0x"), "#FFAA0X");
}

TEST(VLUnicodeTests, MeasuresWhiteSpaceAndLettersAndFoldsCase) {
    const std::string text = "a\xC2\xA0\xE3\x80\x80 \xC3\xA9t\xC3\xA9"
                             "1";
    EXPECT_EQ(VLWhitespaceAndNewlineLength(text, 0), 0u);
    EXPECT_EQ(VLWhitespaceAndNewlineLength(text, 1), 2u); // no-break space
    EXPECT_EQ(VLWhitespaceAndNewlineLength(text, 3), 3u); // ideographic space
    EXPECT_EQ(VLWhitespaceAndNewlineLength(text, 6), 1u);
    EXPECT_EQ(VLWhitespaceAndNewlineLength(text, text.size()), 0u);
    EXPECT_EQ(VLLetterRunLength(text, 7), 5u); // "été", not the digit
    EXPECT_EQ(VLLetterRunLength(text, 1), 0u);
    EXPECT_EQ(VLLetterRunLength("px\xFF", 0), 2u); // a stray byte is no letter

    EXPECT_TRUE(VLStringsEqualIgnoringCase("Brand", "bRAND"));
    EXPECT_TRUE(VLStringsEqualIgnoringCase("\xC3\x89T\xC3\x89", "\xC3\xA9t\xC3\xA9")); // ÉTÉ, été
    EXPECT_TRUE(VLStringsEqualIgnoringCase("Stra\xC3\x9F"
                                           "e",
                                           "STRASSE")); // ß folds to ss
    EXPECT_FALSE(VLStringsEqualIgnoringCase("Brand", "Brand "));
    EXPECT_FALSE(VLStringsEqualIgnoringCase(std::string("\xC3\xA9\0a", 4), std::string("\xC3\xA9\0b", 4)));
    EXPECT_TRUE(VLStringsEqualIgnoringCase(std::string("\xC3\x89\0A", 4), std::string("\xC3\xA9\0a", 4)));
}

TEST(VLUnicodeTests, FindsANonASCIIByteWhereverItStands) {
    EXPECT_TRUE(VLIsASCII(""));
    EXPECT_TRUE(VLIsASCII(std::string(200, '\x7F')));
    // Each place a block, a word or the tail of the scan may hold it.
    for (size_t length : {1, 7, 8, 63, 64, 65, 71, 72, 200}) {
        for (size_t at : {size_t(0), length / 2, length - 1}) {
            std::string text(length, 'a');
            text[at] = '\x80';
            EXPECT_FALSE(VLIsASCII(text)) << length << " " << at;
        }
    }
}

} // namespace
