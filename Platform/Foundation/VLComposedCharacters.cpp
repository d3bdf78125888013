#include "Platform/Foundation/VLComposedCharacters.h"

#include <glib.h>

namespace {

size_t nextCodePointStart(std::string_view text, size_t offset) {
    return offset + size_t(g_utf8_skip[static_cast<unsigned char>(text[offset])]);
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

bool joinsPrevious(gunichar c, gunichar before) {
    return extendsPreviousCharacter(c) || isZeroWidthJoiner(before) || (c == '\n' && before == '\r');
}

// Calls visit with the offset of every sequence start after the first, in order, while it returns true.
// One pass from the front: regional indicators pair up from the start of their run, so a flag's halves
// are known by counting, never by looking back.
template <typename Visit>
void visitSequenceStarts(std::string_view text, Visit visit) {
    gunichar before = 0;
    size_t indicatorsBefore = 0;
    for (size_t offset = 0; offset < text.size(); offset = nextCodePointStart(text, offset)) {
        gunichar c = codePointAt(text, offset);
        bool joins = isRegionalIndicator(c) && isRegionalIndicator(before) ? indicatorsBefore % 2 == 1
                                                                           : joinsPrevious(c, before);
        if (offset > 0 && !joins && !visit(offset)) {
            return;
        }
        indicatorsBefore = isRegionalIndicator(c) ? indicatorsBefore + 1 : 0;
        before = c;
    }
}

} // namespace

size_t VLLastComposedCharacterSequenceStart(std::string_view text) {
    size_t last = 0;
    visitSequenceStarts(text, [&](size_t offset) {
        last = offset;
        return true;
    });
    return last;
}

std::string VLStringShortenedBelowByteCount(std::string_view text, size_t byteLimit) {
    if (!g_utf8_validate(text.data(), gssize(text.size()), nullptr)) {
        return {};
    }
    if (text.size() < byteLimit) {
        return std::string(text);
    }
    // Segments only the text before the limit, however long the rest.
    size_t kept = 0;
    visitSequenceStarts(text, [&](size_t offset) {
        if (offset >= byteLimit) {
            return false;
        }
        kept = offset;
        return true;
    });
    return std::string(text.substr(0, kept));
}
