#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Bytes decoded in the character encoding that an IANA character-set label names ("ISO-8859-1",
// "UTF-16LE", "Shift_JIS"), as the C library's iconv knows them; an empty label, or one it does not
// know, means UTF-8, which the engine's own decoder reads (VLUTF16FromUTF8Decoding). When the bytes do
// not decode, fatal gives nothing; otherwise each byte that does not decode, and an incomplete
// sequence at the end, becomes U+FFFD. Any thread.
std::optional<std::u16string> VLDecodeTextWithCharsetLabel(std::span<const uint8_t> bytes,
                                                           std::string_view label, bool fatal);
