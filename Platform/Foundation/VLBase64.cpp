#include "Platform/Foundation/VLBase64.h"

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

std::optional<std::vector<uint8_t>> VLBase64Decode(std::string_view text) {
    if (text.size() % 4 != 0)
        return std::nullopt;
    size_t padding = 0;
    if (!text.empty() && text.back() == '=')
        padding = text[text.size() - 2] == '=' ? 2 : 1;
    const std::string_view digits = text.substr(0, text.size() - padding);

    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() / 4 * 3);
    uint32_t accumulated = 0;
    int bitCount = 0;
    for (char character : digits) {
        const int8_t value = kDecodingTable[uint8_t(character)];
        if (value == kNotInAlphabet)
            return std::nullopt;
        accumulated = (accumulated << 6 | uint32_t(value)) & 0xFFFFFF;
        bitCount += 6;
        if (bitCount >= 8) {
            bitCount -= 8;
            bytes.push_back(uint8_t(accumulated >> bitCount));
        }
    }
    return bytes;
}
