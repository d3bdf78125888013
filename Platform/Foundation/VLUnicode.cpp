#include "Platform/Foundation/VLUnicode.h"

namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

void appendUTF8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

void appendUTF16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += char16_t(c);
    } else {
        c -= 0x10000;
        out += char16_t(0xD800 + (c >> 10));
        out += char16_t(0xDC00 + (c & 0x3FF));
    }
}

// Decodes one code point at `i` and advances past it; a malformed sequence counts as one
// replacement character for its first byte only, so decoding resynchronises on the next byte.
char32_t decodeUTF8(std::string_view text, size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80)
        return lead;
    int length;
    char32_t c;
    char32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        length = 1, c = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 2, c = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 3, c = lead & 0x07, minimum = 0x10000;
    } else {
        return kReplacementCharacter;
    }
    if (i + length > text.size())
        return kReplacementCharacter;
    for (int k = 0; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80)
            return kReplacementCharacter;
        c = (c << 6) | (next & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return kReplacementCharacter;
    i += length;
    return c;
}

} // namespace

std::u16string VLUTF16FromUTF8(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte < 0x80) {
            out += char16_t(byte);
            ++i;
        } else {
            appendUTF16(out, decodeUTF8(utf8, i));
        }
    }
    return out;
}

std::string VLUTF8FromUTF16(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (size_t i = 0; i < utf16.size(); ++i) {
        char32_t c = utf16[i];
        if (c < 0x80) {
            out += char(c);
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacementCharacter;
        }
        appendUTF8(out, c);
    }
    return out;
}
