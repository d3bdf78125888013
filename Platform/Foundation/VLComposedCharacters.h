#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Removes whole composed character sequences (a base character with its combining marks, an emoji
// sequence joined by zero-width joiners or modifiers, a flag's pair of regional indicators, CR LF)
// from the end of a UTF-8 text until it is shorter than byteLimit bytes, so that no character is cut
// in the middle. Text that is not valid UTF-8 has no UTF-8 form and gives the empty text.
std::string VLStringShortenedBelowByteCount(std::string_view text, size_t byteLimit);

// The byte offset at which the last composed character sequence of valid UTF-8 text begins
// (0 for the empty text).
size_t VLLastComposedCharacterSequenceStart(std::string_view text);
