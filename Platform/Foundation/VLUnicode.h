#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// U+FFFD, what every lenient decoding puts in place of what it cannot read.
constexpr char32_t VLReplacementCharacter = 0xFFFD;

// Conversions between UTF-8 (our strings) and UTF-16 (script strings). Both are lenient: a lone
// surrogate or a malformed byte sequence becomes U+FFFD instead of failing, and U+0000 is kept.
std::u16string VLUTF16FromUTF8(std::string_view utf8);
std::string VLUTF8FromUTF16(std::u16string_view utf16);

// UTF-8 bytes decoded as the Encoding Standard's UTF-8 decoder does (what TextDecoder gives): each
// maximal part of an ill-formed sequence becomes one U+FFFD, or, when fatal, the whole decoding fails
// and gives nothing. A byte order mark is kept.
std::optional<std::u16string> VLUTF16FromUTF8Decoding(std::string_view bytes, bool fatal);

// Strict UTF-8 as RFC 3629 defines it: no overlong forms, no surrogates, nothing above U+10FFFF.
bool VLIsValidUTF8(std::string_view text);

// Length of the longest prefix of the text that is whole, valid UTF-8: the offset of the first bad
// byte, or the text's size when it is all valid.
size_t VLValidUTF8PrefixLength(std::string_view text);

// Whether every byte is below 0x80; eight bytes at a time.
bool VLIsASCII(std::string_view text);

// The bytes read as UTF-8 the way the WHATWG Encoding Standard's decoder reads them: valid sequences
// kept, and each maximal subpart of an invalid one (a lead byte and the continuation bytes that may follow
// it, cut short) replaced by one U+FFFD. The result is valid UTF-8.
std::string VLUTF8ByDecodingLossily(std::string_view bytes);

// How many UTF-16 code units the text converts to: the length that scripts and Foundation count.
size_t VLUTF16Length(std::string_view utf8);

// The text without the white space and line ends at either end: the ASCII ones, U+0085 and the Unicode
// space separators, as Foundation's whitespace-and-newline set has them.
std::string_view VLStringByTrimmingWhitespaceAndNewlines(std::string_view text);

// ASCII white space as the web counts it: tab, line feed, form feed, carriage return and space.
constexpr bool VLIsASCIIWhitespace(char c) {
    return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}
constexpr bool VLIsASCIIDigit(char c) {
    return c >= '0' && c <= '9';
}

// The value of an ASCII hexadecimal digit of either case; -1 for any other character.
int VLHexDigitValue(char c);

// The bytes of the white-space or line-end character (of the set above) that starts at `position`, or 0
// when another character, or nothing, stands there.
size_t VLWhitespaceAndNewlineLength(std::string_view text, size_t position);

// The bytes of the run of letters (Unicode's letter categories) that starts at `position`; 0 when none
// starts there.
size_t VLLetterRunLength(std::string_view text, size_t position);

// Whether two texts are equal once Unicode case folding is applied to both (ill-formed bytes compare as
// replacement characters).
bool VLStringsEqualIgnoringCase(std::string_view a, std::string_view b);

// ASCII letters changed case; every other byte kept, so UTF-8 text stays valid.
std::string VLASCIILowercaseString(std::string_view text);
std::string VLASCIIUppercaseString(std::string_view text);
