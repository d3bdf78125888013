#include "Platform/Foundation/VLBase64.h"

#include "Platform/Foundation/VLUnicode.h"

#include <array>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int8_t kNotInAlphabet = -1;

constexpr std::array<int8_t, 256> makeDecodingTable() {
    std::array<int8_t, 256> table{};
    table.fill(kNotInAlphabet);
    for (int8_t value = 0; value < 64; ++value)
        table[uint8_t(kAlphabet[value])] = value;
    return table;
}

constexpr std::array<int8_t, 256> kDecodingTable = makeDecodingTable();

} // namespace

std::string VLBase64Encode(std::span<const uint8_t> bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t remaining = bytes.size() - i;
        const uint32_t group = uint32_t(bytes[i]) << 16 | (remaining > 1 ? uint32_t(bytes[i + 1]) << 8 : 0) |
                               (remaining > 2 ? uint32_t(bytes[i + 2]) : 0);
        text += kAlphabet[group >> 18 & 63];
        text += kAlphabet[group >> 12 & 63];
        text += remaining > 1 ? kAlphabet[group >> 6 & 63] : '=';
        text += remaining > 2 ? kAlphabet[group & 63] : '=';
    }
    return text;
}

namespace {

// The bytes of Base64 digits without padding; bits past the last whole byte are dropped. Characters
// outside the alphabet are skipped when asked, else they fail the decoding.
std::optional<std::vector<uint8_t>> decodeDigits(std::string_view digits, bool skipsUnknownCharacters) {
    std::vector<uint8_t> bytes;
    bytes.reserve(digits.size() / 4 * 3 + 2);
    uint32_t accumulated = 0;
    int bitCount = 0;
    for (char character : digits) {
        const int8_t value = kDecodingTable[uint8_t(character)];
        if (value == kNotInAlphabet) {
            if (skipsUnknownCharacters)
                continue;
            return std::nullopt;
        }
        accumulated = (accumulated << 6 | uint32_t(value)) & 0xFFFFFF;
        bitCount += 6;
        if (bitCount >= 8) {
            bitCount -= 8;
            bytes.push_back(uint8_t(accumulated >> bitCount));
        }
    }
    return bytes;
}

} // namespace

std::optional<std::vector<uint8_t>> VLBase64Decode(std::string_view text) {
    if (text.size() % 4 != 0)
        return std::nullopt;
    size_t padding = 0;
    if (!text.empty() && text.back() == '=')
        padding = text[text.size() - 2] == '=' ? 2 : 1;
    return decodeDigits(text.substr(0, text.size() - padding), false);
}

std::optional<std::vector<uint8_t>> VLBase64DecodeForgiving(std::string_view text) {
    std::string digits;
    digits.reserve(text.size());
    for (const char c : text) {
        if (!VLIsASCIIWhitespace(c))
            digits += c;
    }
    if (digits.size() % 4 == 0) {
        for (int i = 0; i < 2 && !digits.empty() && digits.back() == '='; ++i)
            digits.pop_back();
    }
    if (digits.size() % 4 == 1)
        return std::nullopt;
    return decodeDigits(digits, false);
}

std::vector<uint8_t> VLBase64DecodeIgnoringUnknownCharacters(std::string_view text) {
    return *decodeDigits(text, true);
}
