#include "Platform/Foundation/VLUTF8.h"

#include <cstdint>

namespace {

// Length of the sequence that starts with the given lead byte, and the range its second byte must
// fall in; 0 for a byte that cannot start a sequence.
struct LeadByte {
    int length;
    uint8_t secondMin;
    uint8_t secondMax;
};

LeadByte describeLeadByte(uint8_t byte) {
    if (byte < 0x80)
        return {1, 0, 0};
    if (byte >= 0xC2 && byte <= 0xDF)
        return {2, 0x80, 0xBF};
    if (byte == 0xE0)
        return {3, 0xA0, 0xBF};
    if (byte == 0xED)
        return {3, 0x80, 0x9F}; // U+D800…U+DFFF are surrogates
    if (byte >= 0xE1 && byte <= 0xEF)
        return {3, 0x80, 0xBF};
    if (byte == 0xF0)
        return {4, 0x90, 0xBF};
    if (byte >= 0xF1 && byte <= 0xF3)
        return {4, 0x80, 0xBF};
    if (byte == 0xF4)
        return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

bool isContinuation(uint8_t byte) {
    return (byte & 0xC0) == 0x80;
}

} // namespace

bool VLIsValidUTF8(std::string_view text) {
    return VLValidUTF8PrefixLength(text) == text.size();
}

size_t VLValidUTF8PrefixLength(std::string_view text) {
    size_t index = 0;
    while (index < text.size()) {
        LeadByte lead = describeLeadByte(uint8_t(text[index]));
        if (lead.length == 0 || text.size() - index < size_t(lead.length))
            return index;
        if (lead.length > 1) {
            uint8_t second = uint8_t(text[index + 1]);
            if (second < lead.secondMin || second > lead.secondMax)
                return index;
            for (int offset = 2; offset < lead.length; ++offset) {
                if (!isContinuation(uint8_t(text[index + offset])))
                    return index;
            }
        }
        index += size_t(lead.length);
    }
    return index;
}
