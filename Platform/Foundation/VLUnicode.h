#pragma once

#include <string>
#include <string_view>

// Conversions between UTF-8 (our strings) and UTF-16 (script strings). Both are lenient: a lone
// surrogate or a malformed byte sequence becomes U+FFFD instead of failing, and U+0000 is kept.
std::u16string VLUTF16FromUTF8(std::string_view utf8);
std::string VLUTF8FromUTF16(std::u16string_view utf16);
