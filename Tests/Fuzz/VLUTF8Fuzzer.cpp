// libFuzzer target for UTF-8 decoding: the strict check, the valid prefix and the lenient conversion to
// UTF-16 must agree, and valid text must come back unchanged from UTF-16.
#include "Platform/Foundation/VLUnicode.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    const bool valid = VLIsValidUTF8(text);
    const size_t prefix = VLValidUTF8PrefixLength(text);
    if (valid != (prefix == text.size()) || prefix > text.size() || !VLIsValidUTF8(text.substr(0, prefix)))
        abort();
    const std::u16string utf16 = VLUTF16FromUTF8(text);
    if (utf16.size() != VLUTF16Length(text))
        abort();
    const std::string back = VLUTF8FromUTF16(utf16);
    if (!VLIsValidUTF8(back) || (valid && back != text))
        abort();
    // Whatever the bytes, UTF-16 read from them converts both ways.
    std::u16string units(size / 2, u'\0');
    std::memcpy(units.data(), bytes, units.size() * sizeof(char16_t));
    if (!VLIsValidUTF8(VLUTF8FromUTF16(units)))
        abort();
    return 0;
}
