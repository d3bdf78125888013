#include "Platform/Foundation/VLComposedCharacters.h"

#include <glib.h>

namespace {

// Start of the code point that ends just before offset.
size_t previousCodePointStart(std::string_view text, size_t offset) {
    const char* start = text.data();
    return size_t(g_utf8_find_prev_char(start, start + offset) - start);
}

gunichar codePointAt(std::string_view text, size_t offset) {
    return g_utf8_get_char(text.data() + offset);
}

bool isZeroWidthJoiner(gunichar c) {
    return c == 0x200D;
}

bool isRegionalIndicator(gunichar c) {
    return c >= 0x1F1E6 && c <= 0x1F1FF;
}

// Code points that belong to the character before them.
bool extendsPreviousCharacter(gunichar c) {
    switch (g_unichar_type(c)) {
    case G_UNICODE_NON_SPACING_MARK:
    case G_UNICODE_SPACING_MARK:
    case G_UNICODE_ENCLOSING_MARK:
        return true;
    default:
        break;
    }
    bool emojiModifier = c >= 0x1F3FB && c <= 0x1F3FF;
    bool tagCharacter = c >= 0xE0020 && c <= 0xE007F;
    return isZeroWidthJoiner(c) || emojiModifier || tagCharacter;
}

// Regional indicators pair up from the start of their run: an indicator at an odd position in the run
// closes a flag begun by the one before it.
bool closesRegionalIndicatorPair(std::string_view text, size_t offset) {
    size_t before = 0;
    while (offset > 0) {
        offset = previousCodePointStart(text, offset);
        if (!isRegionalIndicator(codePointAt(text, offset))) {
            break;
        }
        before++;
    }
    return before % 2 == 1;
}

bool joinsPrevious(gunichar c, gunichar before) {
    return extendsPreviousCharacter(c) || isZeroWidthJoiner(before) || (c == '\n' && before == '\r');
}

} // namespace

size_t VLLastComposedCharacterSequenceStart(std::string_view text) {
    if (text.empty()) {
        return 0;
    }
    size_t start = previousCodePointStart(text, text.size());
    while (start > 0) {
        size_t previous = previousCodePointStart(text, start);
        gunichar c = codePointAt(text, start);
        gunichar before = codePointAt(text, previous);
        if (isRegionalIndicator(c) && isRegionalIndicator(before)) {
            // A flag is complete once both of its halves are in.
            return closesRegionalIndicatorPair(text, start) ? previous : start;
        }
        if (!joinsPrevious(c, before)) {
            break;
        }
        start = previous;
    }
    return start;
}

std::string VLStringShortenedBelowByteCount(std::string_view text, size_t byteLimit) {
    if (!g_utf8_validate(text.data(), gssize(text.size()), nullptr)) {
        return {};
    }
    while (!text.empty() && text.size() >= byteLimit) {
        text = text.substr(0, VLLastComposedCharacterSequenceStart(text));
    }
    return std::string(text);
}
