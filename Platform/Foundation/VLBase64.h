#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Standard Base64 (RFC 4648 alphabet, "=" padding, no line breaks).

std::string VLBase64Encode(std::span<const uint8_t> bytes);

// Strict decoding: the text's length is a multiple of 4, it holds only the alphabet, and "=" only as
// one or two final characters. Bits left over in the last group are ignored, as browsers do. Nothing
// for any other text.
std::optional<std::vector<uint8_t>> VLBase64Decode(std::string_view text);

// The HTML Standard's forgiving decoding: ASCII whitespace is skipped and padding may be left out, but
// any other character outside the alphabet, or a single digit left over, fails it.
std::optional<std::vector<uint8_t>> VLBase64DecodeForgiving(std::string_view text);

// Decodes whatever the text holds of the alphabet, skipping every other character ("=" included), and
// drops a digit left over. Never fails.
std::vector<uint8_t> VLBase64DecodeIgnoringUnknownCharacters(std::string_view text);
