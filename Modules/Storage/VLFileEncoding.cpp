#include "Modules/Storage/VLFileEncoding.h"

#include "Platform/Foundation/VLBase64.h"
#include "Platform/Foundation/VLUnicode.h"

#include <algorithm>

namespace {

enum class Encoding { UTF8, Latin1, ASCII, UCS2, Hex, Base64, Base64URL };

Encoding encodingNamed(std::string_view name) {
    if (name == "latin1" || name == "binary")
        return Encoding::Latin1;
    if (name == "ascii")
        return Encoding::ASCII;
    if (name == "ucs2" || name == "ucs-2" || name == "utf16le" || name == "utf-16le")
        return Encoding::UCS2;
    if (name == "hex")
        return Encoding::Hex;
    if (name == "base64")
        return Encoding::Base64;
    if (name == "base64url")
        return Encoding::Base64URL;
    return Encoding::UTF8;
}

// Each byte as the code point of that value, masked.
std::string fromSingleBytes(std::span<const uint8_t> data, uint8_t mask) {
    std::string text;
    text.reserve(data.size());
    for (uint8_t byte : data) {
        byte &= mask;
        if (byte < 0x80) {
            text += char(byte);
        } else {
            text += char(0xC0 | (byte >> 6));
            text += char(0x80 | (byte & 0x3F));
        }
    }
    return text;
}

std::string fromUCS2(std::span<const uint8_t> data) {
    std::u16string units(data.size() / 2, u'\0');
    for (size_t index = 0; index < units.size(); ++index)
        units[index] = char16_t(data[2 * index] | (data[2 * index + 1] << 8));
    return VLUTF8FromUTF16(units);
}

std::string toHex(std::span<const uint8_t> data) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text(data.size() * 2, '\0');
    for (size_t index = 0; index < data.size(); ++index) {
        text[2 * index] = kDigits[data[index] >> 4];
        text[2 * index + 1] = kDigits[data[index] & 15];
    }
    return text;
}

std::string toBase64URL(std::span<const uint8_t> data) {
    std::string text = VLBase64Encode(data);
    while (!text.empty() && text.back() == '=')
        text.pop_back();
    std::replace(text.begin(), text.end(), '+', '-');
    std::replace(text.begin(), text.end(), '/', '_');
    return text;
}

VLData fromHex(std::string_view text) {
    VLData data;
    data.reserve(text.size() / 2);
    for (size_t index = 0; index + 1 < text.size(); index += 2) {
        const int high = VLHexDigitValue(text[index]), low = VLHexDigitValue(text[index + 1]);
        if (high < 0 || low < 0)
            break;
        data.push_back(uint8_t(high << 4 | low));
    }
    return data;
}

bool isBase64Character(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

// Either alphabet, with anything else (padding included) left out and the padding made again.
VLData fromBase64(std::string_view text) {
    std::string standard;
    standard.reserve(text.size() + 3);
    for (char c : text) {
        c = c == '-' ? '+' : c == '_' ? '/' : c;
        if (isBase64Character(c))
            standard += c;
    }
    if (standard.size() % 4 == 1)
        standard.pop_back();
    standard.append((4 - standard.size() % 4) % 4, '=');
    return VLBase64Decode(standard).value_or(VLData());
}

// The low byte, or both bytes little-endian, of each UTF-16 unit.
VLData fromUnits(std::string_view text, bool wide) {
    const std::u16string units = VLUTF16FromUTF8(text);
    VLData data;
    data.reserve(units.size() * (wide ? 2 : 1));
    for (char16_t unit : units) {
        data.push_back(uint8_t(unit & 0xFF));
        if (wide)
            data.push_back(uint8_t(unit >> 8));
    }
    return data;
}

} // namespace

std::string VLFileStringFromData(std::span<const uint8_t> data, std::string_view encoding) {
    switch (encodingNamed(encoding)) {
    case Encoding::Latin1:
        return fromSingleBytes(data, 0xFF);
    case Encoding::ASCII:
        return fromSingleBytes(data, 0x7F);
    case Encoding::UCS2:
        return fromUCS2(data);
    case Encoding::Hex:
        return toHex(data);
    case Encoding::Base64:
        return VLBase64Encode(data);
    case Encoding::Base64URL:
        return toBase64URL(data);
    case Encoding::UTF8:
        break;
    }
    return VLUTF8ByDecodingLossily(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
}

VLData VLFileDataFromString(std::string_view string, std::string_view encoding) {
    switch (encodingNamed(encoding)) {
    case Encoding::Latin1:
    case Encoding::ASCII:
        return fromUnits(string, false);
    case Encoding::UCS2:
        return fromUnits(string, true);
    case Encoding::Hex:
        return fromHex(string);
    case Encoding::Base64:
    case Encoding::Base64URL:
        return fromBase64(string);
    case Encoding::UTF8:
        break;
    }
    return VLData(string.begin(), string.end());
}
