#include "Platform/Foundation/VLMIMETypes.h"
#include "Platform/Foundation/VLSHA256.h"
#include "Platform/Foundation/VLUUID.h"
#include "Tests/Support/VLTestBytes.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

namespace {

std::string hex(const VLSHA256Digest& digest) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (uint8_t byte : digest)
        text += {kDigits[byte >> 4], kDigits[byte & 15]};
    return text;
}

} // namespace

TEST(VLSHA256, MatchesKnownDigestsWholeAndInPieces) {
    EXPECT_EQ("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855", hex(VLSHA256::digest({})));
    const std::string_view text = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    const char* expected = "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1";
    EXPECT_EQ(expected, hex(VLSHA256::digest(VLTestBytes(text))));
    VLSHA256 pieces;
    pieces.update(VLTestBytes(text.substr(0, 7)));
    pieces.update(VLTestBytes(text.substr(7)));
    EXPECT_EQ(expected, hex(pieces.finish()));
}

TEST(VLUUID, IsAFreshVersion4UUIDInEitherCase) {
    const std::regex upper("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
    const std::regex lower("[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}");
    std::set<std::string> seen;
    for (int index = 0; index < 100; ++index) {
        VLUUID uuid;
        EXPECT_TRUE(std::regex_match(uuid.UUIDString(), upper)) << uuid.UUIDString();
        EXPECT_TRUE(std::regex_match(uuid.lowercaseString(), lower)) << uuid.lowercaseString();
        seen.insert(uuid.lowercaseString());
    }
    EXPECT_EQ(100u, seen.size());
}

TEST(VLMIMETypes, BuiltInChoicesFirstThenTheSystemDatabase) {
    const std::pair<const char*, std::optional<std::string>> extensions[] = {
        {"text/plain", "txt"},          {"image/jpeg", "jpeg"},
        {"audio/mpeg", "mp3"},          {"TEXT/HTML", "html"},
        {"application/json", "json"},   {"application/octet-stream", std::nullopt},
        {"audio/ogg", "oga"}, // from the system's mime.types
        {"no/such-type", std::nullopt}, {"", std::nullopt},
    };
    for (const auto& [type, extension] : extensions)
        EXPECT_EQ(extension, VLPreferredFilenameExtensionForMIMEType(type)) << type;

    const std::pair<const char*, std::optional<std::string>> types[] = {
        {"jpg", "image/jpeg"}, {"JS", "text/javascript"},         {"mp3", "audio/mpeg"},
        {"oga", "audio/ogg"},  {"nosuchextension", std::nullopt},
    };
    for (const auto& [extension, type] : types)
        EXPECT_EQ(type, VLPreferredMIMETypeForFilenameExtension(extension)) << extension;
}
