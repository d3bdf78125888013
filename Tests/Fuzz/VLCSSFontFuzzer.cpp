// libFuzzer target for the CSS font shorthand reader: any text either does not read, leaving every output
// as it was, or gives a finite size above 0, a weight from 1 to 1000 and families that are non-empty,
// trimmed and free of commas; reading it again gives the same, and the font's text form can be written.
#include "Modules/Canvas/Text/VLFontDescriptor.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct ReadFont {
    bool italic = true;
    int32_t weight = -1;
    float size = -1;
    std::vector<std::string> families = {"unchanged"};

    bool operator==(const ReadFont&) const = default;
};

bool isTrimmedFamily(const std::string& family) {
    constexpr std::string_view kTrimmed = " \t\n\"'";
    return !family.empty() && family.find(',') == std::string::npos &&
           kTrimmed.find(family.front()) == std::string_view::npos &&
           kTrimmed.find(family.back()) == std::string_view::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    ReadFont font;
    const bool read =
        VLFontDescriptor::parseCSSFont(text, font.italic, font.weight, font.size, font.families);
    if (!read) {
        if (!(font == ReadFont()))
            abort();
        return 0;
    }
    if (!std::isfinite(font.size) || !(font.size > 0) || font.weight < 1 || font.weight > 1000)
        abort();
    for (const std::string& family : font.families) {
        if (!isTrimmedFamily(family))
            abort();
    }
    ReadFont again;
    if (!VLFontDescriptor::parseCSSFont(text, again.italic, again.weight, again.size, again.families) ||
        !(again == font))
        abort();
    const VLFontDescriptor descriptor(font.families.empty() ? "x" : font.families.front(), font.size,
                                      font.italic, font.weight);
    if (descriptor.description().find("px ") == std::string::npos || !(descriptor == descriptor))
        abort();
    return 0;
}
