#include "Platform/Foundation/VLUnicode.h"

#include <glib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <optional>

namespace {

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

// Decodes the code point at `i` and advances past it; nothing (and `i` unchanged) for a malformed
// sequence: overlong forms, surrogates, values above U+10FFFF, truncation.
std::optional<char32_t> decodeUTF8Strict(std::string_view text, size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    size_t length;
    char32_t c;
    char32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        length = 1, c = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 2, c = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 3, c = lead & 0x07, minimum = 0x10000;
    } else {
        return std::nullopt;
    }
    if (i + 1 + length > text.size())
        return std::nullopt;
    for (size_t k = 1; k <= length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80)
            return std::nullopt;
        c = (c << 6) | (next & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return std::nullopt;
    i += 1 + length;
    return c;
}

// A malformed sequence counts as one replacement character for its first byte only, so decoding
// resynchronises on the next byte.
char32_t decodeUTF8(std::string_view text, size_t& i) {
    if (std::optional<char32_t> c = decodeUTF8Strict(text, i))
        return *c;
    ++i;
    return VLReplacementCharacter;
}

// The length of the maximal subpart at the start of an invalid sequence: the lead byte, when it can
// begin a sequence, and the continuation bytes that may follow it there. At least 1.
size_t maximalSubpartLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    size_t needed;
    unsigned char lower = 0x80, upper = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        needed = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        needed = 2;
        lower = lead == 0xE0 ? 0xA0 : 0x80; // no overlong forms
        upper = lead == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        needed = 3;
        lower = lead == 0xF0 ? 0x90 : 0x80;
        upper = lead == 0xF4 ? 0x8F : 0xBF; // nothing above U+10FFFF
    } else {
        return 1;
    }
    size_t length = 1;
    while (length <= needed && length < text.size()) {
        const auto next = static_cast<unsigned char>(text[length]);
        if (next < lower || next > upper)
            break;
        lower = 0x80, upper = 0xBF;
        ++length;
    }
    return length;
}

bool isWhitespaceOrNewline(char32_t c) {
    switch (c) {
    case U'\t':
    case U'\n':
    case U'\v':
    case U'\f':
    case U'\r':
    case U' ':
    case 0x85:
    case 0xA0:
    case 0x1680:
    case 0x2028:
    case 0x2029:
    case 0x202F:
    case 0x205F:
    case 0x3000:
        return true;
    default:
        return c >= 0x2000 && c <= 0x200A;
    }
}

template <char From, char To>
std::string changeASCIICase(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c >= From && c <= To)
            c = char(c ^ 0x20);
    return result;
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

std::optional<std::u16string> VLUTF16FromUTF8Decoding(std::string_view bytes, bool fatal) {
    if (VLIsValidUTF8(bytes))
        return VLUTF16FromUTF8(bytes);
    if (fatal)
        return std::nullopt;
    return VLUTF16FromUTF8(VLUTF8ByDecodingLossily(bytes));
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
            c = VLReplacementCharacter;
        }
        appendUTF8(out, c);
    }
    return out;
}

bool VLIsASCII(std::string_view text) {
    const char* bytes = text.data();
    size_t length = text.size();
#if defined(__SSE2__)
    // Blocks of 64 bytes, one test each: the high bits of four vectors together.
    for (; length >= 64; bytes += 64, length -= 64) {
        const auto* block = reinterpret_cast<const __m128i*>(bytes);
        const __m128i any =
            _mm_or_si128(_mm_or_si128(_mm_loadu_si128(block), _mm_loadu_si128(block + 1)),
                         _mm_or_si128(_mm_loadu_si128(block + 2), _mm_loadu_si128(block + 3)));
        if (_mm_movemask_epi8(any))
            return false;
    }
#endif
    constexpr uint64_t kHighBits = 0x8080808080808080;
    for (; length >= 8; bytes += 8, length -= 8) {
        uint64_t word;
        std::memcpy(&word, bytes, sizeof(word));
        if (word & kHighBits)
            return false;
    }
    for (; length > 0; ++bytes, --length) {
        if (static_cast<unsigned char>(*bytes) & 0x80)
            return false;
    }
    return true;
}

bool VLIsValidUTF8(std::string_view text) {
    return VLValidUTF8PrefixLength(text) == text.size();
}

size_t VLValidUTF8PrefixLength(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && decodeUTF8Strict(text, i))
        ;
    return i;
}

std::string VLUTF8ByDecodingLossily(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    while (!bytes.empty()) {
        const size_t valid = VLValidUTF8PrefixLength(bytes);
        out.append(bytes.substr(0, valid));
        bytes.remove_prefix(valid);
        if (bytes.empty())
            break;
        appendUTF8(out, VLReplacementCharacter);
        bytes.remove_prefix(maximalSubpartLength(bytes));
    }
    return out;
}

size_t VLUTF16Length(std::string_view utf8) {
    size_t length = 0;
    for (size_t i = 0; i < utf8.size();)
        length += decodeUTF8(utf8, i) < 0x10000 ? 1 : 2;
    return length;
}

std::string_view VLStringByTrimmingWhitespaceAndNewlines(std::string_view text) {
    size_t start = text.size();
    size_t end = 0;
    for (size_t i = 0; i < text.size();) {
        const size_t at = i;
        if (!isWhitespaceOrNewline(decodeUTF8(text, i))) {
            start = std::min(start, at);
            end = i;
        }
    }
    return start < end ? text.substr(start, end - start) : std::string_view();
}

int VLHexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

size_t VLWhitespaceAndNewlineLength(std::string_view text, size_t position) {
    if (position >= text.size())
        return 0;
    size_t end = position;
    return isWhitespaceOrNewline(decodeUTF8(text, end)) ? end - position : 0;
}

size_t VLLetterRunLength(std::string_view text, size_t position) {
    size_t end = position;
    while (end < text.size()) {
        size_t next = end;
        if (!g_unichar_isalpha(gunichar(decodeUTF8(text, next))))
            break;
        end = next;
    }
    return end - position;
}

bool VLStringsEqualIgnoringCase(std::string_view a, std::string_view b) {
    if (VLIsASCII(a) && VLIsASCII(b))
        return a.size() == b.size() && changeASCIICase<'A', 'Z'>(a) == changeASCIICase<'A', 'Z'>(b);
    // GLib's folded text ends at its first U+0000: each run between them is folded on its own.
    auto fold = [](std::string_view text) {
        const std::string valid = VLUTF8ByDecodingLossily(text);
        std::string result;
        for (size_t start = 0; start <= valid.size();) {
            const size_t end = std::min(valid.find('\0', start), valid.size());
            gchar* folded = g_utf8_casefold(valid.data() + start, gssize(end - start));
            result += folded;
            g_free(folded);
            if (end < valid.size())
                result += '\0';
            start = end + 1;
        }
        return result;
    };
    return fold(a) == fold(b);
}

std::string VLASCIILowercaseString(std::string_view text) {
    return changeASCIICase<'A', 'Z'>(text);
}

std::string VLASCIIUppercaseString(std::string_view text) {
    return changeASCIICase<'a', 'z'>(text);
}
