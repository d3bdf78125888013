#include "Platform/Foundation/VLDataURI.h"
#include "Tests/Support/VLTestBytes.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using Decoding = VLDataURI::Decoding;

TEST(VLDataURITests, DecodesTheBodyStrictlyOrLeniently) {
    const struct {
        const char* uri;
        // The bytes, or nothing when the decoding fails.
        std::optional<std::string> strict;
        std::optional<std::string> lenient;
    } cases[] = {
        {"data:,a%20b", "a b", "a b"},
        {"DATA:text/plain;BASE64,aGk=", "hi", "hi"},
        {"data:image/png;base64,aG%6B=", "hi", "hi"},
        {"data:;base64,aG k\n", "hi", "hi"},
        {"data:;base64,aGk=#fragment", "hi", "hi"},
        // An empty body is empty data to the standard, and no font.
        {"data:,", "", std::nullopt},
        {"data:;base64,", "", std::nullopt},
        {"data:image/png;base64", std::nullopt, std::nullopt},
        {"image/png;base64,aGk=", std::nullopt, std::nullopt},
        // Characters outside the alphabet.
        {"data:;base64,aGk!", std::nullopt, "hi"},
        {"data:;base64,a=G=k", std::nullopt, "hi"},
        {"data:;base64,a", std::nullopt, std::nullopt},
        // A "%" at the end starts no escape: a plain body keeps it, a Base64 one is read as it stands.
        {"data:,a%", "a%", "a%"},
        {"data:;base64,aGk=%", std::nullopt, "hi"},
        {"data:;base64,aGk%3", std::nullopt, "hi7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.uri);
        auto expected = [](const std::optional<std::string>& text) {
            return text ? std::optional(VLTestBytes(*text)) : std::nullopt;
        };
        EXPECT_EQ(VLDataURI::dataWithContentsOfURI(c.uri, Decoding::Strict), expected(c.strict));
        EXPECT_EQ(VLDataURI::dataWithContentsOfURI(c.uri, Decoding::Lenient), expected(c.lenient));
    }
}

TEST(VLDataURITests, SplitsTheMediaTypeFromItsMarker) {
    std::optional<VLDataURI> uri = VLDataURI::parse("data: image/png ; base64 ,aGk=");
    ASSERT_TRUE(uri);
    EXPECT_EQ(uri->mediaType(), "image/png ");
    EXPECT_TRUE(uri->isBase64());
    EXPECT_EQ(uri->body(), "aGk=");
    uri = VLDataURI::parse("data:base64,aGk=");
    ASSERT_TRUE(uri);
    EXPECT_EQ(uri->mediaType(), "base64");
    EXPECT_FALSE(uri->isBase64());
}

} // namespace
