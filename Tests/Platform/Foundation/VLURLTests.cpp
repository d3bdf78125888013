#include "Platform/Foundation/VLURL.h"

#include <gtest/gtest.h>

TEST(VLURL, SplitsAsRFC3986AndKeepsTheText) {
    VLURL url("VLFile://USR:8080/a%20b/c.TXT/?q=1#frag");
    EXPECT_EQ("VLFile://USR:8080/a%20b/c.TXT/?q=1#frag", url.absoluteString());
    EXPECT_EQ("VLFile", url.scheme());
    EXPECT_EQ("vlfile", url.lowercaseScheme());
    EXPECT_EQ("USR", url.host());
    EXPECT_EQ(8080, url.port());
    EXPECT_EQ("/a b/c.TXT", url.path());
    EXPECT_EQ("c.TXT", url.lastPathComponent());
    EXPECT_EQ("TXT", url.pathExtension());
    EXPECT_EQ("q=1", url.query());
    EXPECT_EQ("frag", url.fragment());
}

TEST(VLURL, ReadsReferencesAndOddForms) {
    struct Case {
        const char* text;
        std::optional<std::string> scheme;
        std::optional<std::string> host;
        const char* path;
    };
    const Case cases[] = {
        {"img/a.png", std::nullopt, std::nullopt, "img/a.png"},
        {"a/b:c", std::nullopt, std::nullopt, "a/b:c"},
        {"a:b/c", "a", std::nullopt, "b/c"},
        {"1a:b", std::nullopt, std::nullopt, "1a:b"},
        {"blob:null/0e9c", "blob", std::nullopt, "null/0e9c"},
        {"vlfile://usr", "vlfile", "usr", ""},
        {"http://user:pw@[::1]:80/", "http", "::1", "/"},
        {"appfile:///etc/hosts", "appfile", "", "/etc/hosts"},
        {"", std::nullopt, std::nullopt, ""},
    };
    for (const Case& c : cases) {
        VLURL url(c.text);
        EXPECT_EQ(c.scheme, url.scheme()) << c.text;
        EXPECT_EQ(c.host, url.host()) << c.text;
        EXPECT_EQ(c.path, url.path()) << c.text;
        EXPECT_EQ(c.text, url.absoluteString());
    }
    EXPECT_EQ(std::string("a\0b", 3), VLURL("a%00b").path());
    EXPECT_EQ(std::nullopt, VLURL("http://h:x/").port());
    EXPECT_EQ(65535, VLURL("http://h:65535/").port());
    EXPECT_EQ(std::nullopt, VLURL("http://h:65536/").port());
    EXPECT_EQ(std::nullopt, VLURL("http://h:999999999/").port());
    EXPECT_TRUE(VLURL("http://h:65536/").writesAPort());
    EXPECT_FALSE(VLURL("http://h:/").writesAPort());
    EXPECT_FALSE(VLURL("http://[::1]/").writesAPort());
}

TEST(VLURL, ResolvesReferencesAgainstABase) {
    // The normal and abnormal examples of RFC 3986, section 5.4.
    const VLURL base("http://a/b/c/d;p?q");
    const std::pair<const char*, const char*> cases[] = {
        {"g:h", "g:h"},
        {"g", "http://a/b/c/g"},
        {"./g", "http://a/b/c/g"},
        {"g/", "http://a/b/c/g/"},
        {"/g", "http://a/g"},
        {"//g", "http://g"},
        {"?y", "http://a/b/c/d;p?y"},
        {"g?y", "http://a/b/c/g?y"},
        {"#s", "http://a/b/c/d;p?q#s"},
        {"g#s", "http://a/b/c/g#s"},
        {";x", "http://a/b/c/;x"},
        {"", "http://a/b/c/d;p?q"},
        {".", "http://a/b/c/"},
        {"./", "http://a/b/c/"},
        {"..", "http://a/b/"},
        {"../g", "http://a/b/g"},
        {"../..", "http://a/"},
        {"../../g", "http://a/g"},
        {"../../../g", "http://a/g"},
        {"/./g", "http://a/g"},
        {"/../g", "http://a/g"},
        {"g.", "http://a/b/c/g."},
        {"..g", "http://a/b/c/..g"},
        {"./../g", "http://a/b/g"},
        {"g/./h", "http://a/b/c/g/h"},
        {"g/../h", "http://a/b/c/h"},
        {"g;x=1/../y", "http://a/b/c/y"},
        {"g?y/./x", "http://a/b/c/g?y/./x"},
        {"g#s/../x", "http://a/b/c/g#s/../x"},
    };
    for (const auto& [reference, resolved] : cases)
        EXPECT_EQ(resolved, VLURL(reference, base).absoluteString()) << reference;
    EXPECT_EQ("http://h/x", VLURL("x", VLURL("http://h")).absoluteString());
}

TEST(VLURL, APathEncodedForAURLReadsBackAsItWas) {
    const std::string texts[] = {"lib/a b.js", "vlfile://usr/50%/x?.js", "a#b;c.js",
                                 "\xc3\xa9t\xc3\xa9/x.js"};
    const char* encoded[] = {"lib/a%20b.js", "vlfile://usr/50%25/x%3F.js", "a%23b%3Bc.js",
                             "%C3%A9t%C3%A9/x.js"};
    for (size_t index = 0; index < std::size(texts); ++index) {
        EXPECT_EQ(encoded[index], VLURLComponents::percentEncodePath(texts[index]));
        const VLURL url(VLURLComponents::percentEncodePath(texts[index]));
        EXPECT_EQ(index == 1 ? "/50%/x?.js" : texts[index], url.path()) << texts[index];
    }
}
