#include "Core/Engine/Support/VLURLString.h"

#include <gtest/gtest.h>

TEST(VLURLStringHasScheme, ComparesTheSchemeWithoutCaseUpToTheColon) {
    struct Case {
        const char* string;
        const char* scheme;
        bool expected;
    };
    const Case cases[] = {
        {"HTTPS://example.com", "https", true},
        {"https", "https", false},
        {"https:", "https", true},
        {"http://x", "https", false},
        {"https://x", "http", false}, // the character after "http" is 's', not ':'
        {"htTp:x", "http", true},
        {":rest", "", true},
        {"", "", false},
        {"ftp://x", "ftp", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, VLURLStringHasScheme(c.string, c.scheme)) << c.string << " " << c.scheme;

    EXPECT_TRUE(VLURLStringIsHTTP("http://a"));
    EXPECT_TRUE(VLURLStringIsHTTP("HTTPS://a"));
    EXPECT_FALSE(VLURLStringIsHTTP("ftp://a"));
    EXPECT_FALSE(VLURLStringIsHTTP("httpx://a"));
}

TEST(BVLURLStringReplaceOrAppendParameter, ReplacesTheLastItemOfANameOrAppends) {
    struct Case {
        const char* url;
        VLDictionary parameters;
        const char* expected;
    };
    const Case cases[] = {
        {"https://a.test/p", {{"x", "1"}}, "https://a.test/p?x=1"},
        {"https://a.test/p?x=0&y=2", {{"x", "1"}, {"z", "3"}}, "https://a.test/p?x=1&y=2&z=3"},
        {"https://a.test/p?x=0&x=5#frag", {{"x", "1"}}, "https://a.test/p?x=0&x=1#frag"},
        {"https://a.test/p#frag", {{"x", "1"}}, "https://a.test/p?x=1#frag"},
        {"https://a.test/p?", {{"x", "1"}}, "https://a.test/p?x=1"},
        {"https://a.test/p?a%20b=0&keep=%7E",
         {{"a b", "c&d=e"}},
         "https://a.test/p?a%20b=c%26d%3De&keep=%7E"},
        {"https://a.test/p?flag", {{"flag", VLValue()}, {"n", 3}}, "https://a.test/p?flag&n=3"},
        {"https://a.test/p", {{"q", "\xC3\xA9 #+/?"}}, "https://a.test/p?q=%C3%A9%20%23+/?"},
        {"https://a.test/p?x=0", {{"", "skipped"}}, "https://a.test/p?x=0"},
        {"https://a.test/p", {{"", "skipped"}}, "https://a.test/p"},
        {"https://a.test/p?x=0", {}, "https://a.test/p?x=0"},
        {"", {{"x", "1"}}, "?x=1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, BVLURLStringReplaceOrAppendParameter(c.url, c.parameters)) << c.url;
}
