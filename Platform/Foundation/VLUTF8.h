#pragma once

#include <cstddef>
#include <string_view>

// Strict UTF-8 as RFC 3629 defines it: no overlong forms, no surrogates, nothing above U+10FFFF.
bool VLIsValidUTF8(std::string_view text);

// Length of the longest prefix of the text that is whole, valid UTF-8: the offset of the first bad
// byte, or the text's size when it is all valid.
size_t VLValidUTF8PrefixLength(std::string_view text);
