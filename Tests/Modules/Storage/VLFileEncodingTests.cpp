#include "Modules/Storage/VLFileEncoding.h"
#include "Tests/Support/VLTestBytes.h"

#include <gtest/gtest.h>

#include <string>

namespace {} // namespace

TEST(VLFileEncodingTests, BytesReadAsTextInEachEncoding) {
    const struct Case {
        std::string bytes;
        const char* encoding;
        std::string text;
    } cases[] = {
        {std::string("\x00\xff", 2), "hex", "00ff"},
        {"hi?", "base64", "aGk/"},
        {"\xfb\xff", "base64", "+/8="},
        {"\xfb\xff", "base64url", "-_8"},
        {std::string("a\0b", 3), "ucs2", "a"}, // the odd byte is dropped
        {std::string("\x3d\xd8\x00\xde", 4), "utf16le", "\xf0\x9f\x98\x80"},
        {std::string("\x00\xd8", 2), "utf-16le", "\xef\xbf\xbd"}, // a lone surrogate has no UTF-8 form
        {"\xe9\xff", "latin1", "\xc3\xa9\xc3\xbf"},
        {"\xe9\x41", "binary",
         "\xc3\xa9"
         "A"},
        {"\xe9\x41", "ascii", "iA"},
        {"a\xe2\x82\xac", "utf8", "a\xe2\x82\xac"},
        {"a\xe2\x82\xac", "HEX", "a\xe2\x82\xac"}, // names are exact; anything else reads as UTF-8
        // Lossy UTF-8 as the WHATWG decoder does it: one U+FFFD per maximal invalid subsequence.
        {"\xf0\x9f\x98"
         "A",
         "utf8",
         "\xef\xbf\xbd"
         "A"},
        {"\xe2\x82", "utf8", "\xef\xbf\xbd"},
        {"\xe0\x80\x80", "utf8", "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"},
        {"\xed\xa0\x80", "utf8", "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"},
        {"\xf4\x90\x80\x80", "utf8", "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"},
        {"\xc0\xaf", "utf8", "\xef\xbf\xbd\xef\xbf\xbd"},
        {"\xff"
         "b\xc3",
         "utf8",
         "\xef\xbf\xbd"
         "b\xef\xbf\xbd"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.text, VLFileStringFromData(VLTestBytes(c.bytes), c.encoding))
            << c.encoding << " " << c.text;
}

TEST(VLFileEncodingTests, TextWrittenAsBytesInEachEncodingWhateverItHolds) {
    const struct Case {
        std::string text;
        const char* encoding;
        std::string bytes;
    } cases[] = {
        {"00fF", "hex", std::string("\x00\xff", 2)},
        {"abc", "hex", "\xab"},    // a lone digit at the end is left out
        {"ab0g12", "hex", "\xab"}, // the first pair that is not hex ends it
        {"zz00", "hex", ""},
        {"aGk", "base64", "hi"},
        {"aGk=", "base64", "hi"},
        {" a G\nk = ", "base64", "hi"},
        {"-_8", "base64", "\xfb\xff"},
        {"+/8", "base64url", "\xfb\xff"},
        {"aGkx2", "base64", "hi1"}, // a lone last character is dropped
        {"@@@!", "base64", ""},
        {"\xc3\xa9\xe2\x82\xac", "latin1", "\xe9\xac"},
        {"\xc3\xa9"
         "A",
         "ascii",
         "\xe9"
         "A"},
        {"a\xe2\x82\xac", "ucs2", std::string("a\0\xac\x20", 4)},
        {"\xf0\x9f\x98\x80", "utf16le", std::string("\x3d\xd8\x00\xde", 4)},
        {"\xc3\xa9", "utf8", "\xc3\xa9"},
        {"\xc3\xa9", "klingon", "\xc3\xa9"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VLTestBytes(c.bytes), VLFileDataFromString(c.text, c.encoding))
            << c.encoding << " " << c.text;
}
