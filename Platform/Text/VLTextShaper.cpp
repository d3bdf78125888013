#include "Platform/Text/VLTextShaper.h"

#include "Platform/Text/VLFontCatalog.h"

#include <cassert>

namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

// The code point at `index`, and how many code units it takes.
std::pair<char32_t, size_t> codePointAt(std::u16string_view text, size_t index) {
    const char16_t unit = text[index];
    if (unit >= 0xD800 && unit < 0xDC00 && index + 1 < text.size()) {
        const char16_t low = text[index + 1];
        if (low >= 0xDC00 && low < 0xE000)
            return {0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(low) - 0xDC00), 2};
    }
    if (unit >= 0xD800 && unit < 0xE000)
        return {kReplacementCharacter, 1};
    return {unit, 1};
}

bool isCombiningMark(char32_t character) {
    switch (hb_unicode_general_category(hb_unicode_funcs_get_default(), character)) {
    case HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK:
    case HB_UNICODE_GENERAL_CATEGORY_SPACING_MARK:
    case HB_UNICODE_GENERAL_CATEGORY_ENCLOSING_MARK:
        return true;
    default:
        return false;
    }
}

bool takesWordSpacing(char16_t unit) {
    return unit == u' ' || unit == u'\u00A0';
}

} // namespace

VLTextShaper::VLTextShaper(std::unique_ptr<VLTextFont> font, const std::vector<std::string>& features)
    : _buffer(hb_buffer_create()) {
    assert(font);
    _fonts.push_back(std::move(font));
    for (const std::string& text : features) {
        hb_feature_t feature;
        if (hb_feature_from_string(text.data(), int(text.size()), &feature))
            _features.push_back(feature);
    }
}

VLTextShaper::~VLTextShaper() {
    hb_buffer_destroy(_buffer);
}

uint32_t VLTextShaper::fontFor(char32_t character) {
    if (mainFont().hasCharacter(character))
        return 0;
    if (const auto known = _fontForCharacter.find(character); known != _fontForCharacter.end())
        return known->second;
    uint32_t index = 0;
    if (VLPlatformFontDescriptorRef fallback =
            VLFontCatalog::shared().fallbackFace(*mainFont().descriptor(), character)) {
        if (const auto opened = _fallbacks.find(fallback.get()); opened != _fallbacks.end()) {
            index = opened->second;
        } else if (std::unique_ptr<VLTextFont> font = VLTextFont::create(fallback, mainFont().size())) {
            index = uint32_t(_fonts.size());
            _fonts.push_back(std::move(font));
            _fallbacks.emplace(fallback.get(), index);
        }
    }
    _fontForCharacter.emplace(character, index);
    return index;
}

VLShapedLine VLTextShaper::shape(std::u16string_view text, double letterSpacing, double wordSpacing) {
    VLShapedLine line;
    size_t runStart = 0;
    uint32_t runFont = 0;
    for (size_t index = 0; index < text.size();) {
        const auto [character, length] = codePointAt(text, index);
        const uint32_t font = index > 0 && isCombiningMark(character) ? runFont : fontFor(character);
        if (font != runFont && index > runStart) {
            shapeRun(text, runStart, index - runStart, runFont, letterSpacing, wordSpacing, line);
            runStart = index;
        }
        runFont = font;
        index += length;
    }
    if (text.size() > runStart)
        shapeRun(text, runStart, text.size() - runStart, runFont, letterSpacing, wordSpacing, line);
    return line;
}

void VLTextShaper::shapeRun(std::u16string_view text, size_t start, size_t length, uint32_t font,
                            double letterSpacing, double wordSpacing, VLShapedLine& line) {
    hb_buffer_clear_contents(_buffer);
    hb_buffer_add_utf16(_buffer, reinterpret_cast<const uint16_t*>(text.data()), int(text.size()),
                        unsigned(start), int(length));
    hb_buffer_guess_segment_properties(_buffer);
    hb_font_t* harfBuzzFont = _fonts[font]->harfBuzzFont();
    hb_shape(harfBuzzFont, _buffer, _features.data(), unsigned(_features.size()));

    int scaleX = 0;
    int scaleY = 0;
    hb_font_get_scale(harfBuzzFont, &scaleX, &scaleY);
    const double toPointsX = scaleX ? _fonts[font]->size() / scaleX : 0;
    const double toPointsY = scaleY ? _fonts[font]->size() / scaleY : 0;
    unsigned count = 0;
    const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(_buffer, &count);
    const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(_buffer, nullptr);
    line.glyphs.reserve(line.glyphs.size() + count);
    for (unsigned i = 0; i < count; ++i) {
        VLShapedGlyph glyph;
        glyph.font = font;
        glyph.glyph = infos[i].codepoint;
        glyph.cluster = infos[i].cluster;
        glyph.x = line.width;
        glyph.offset = {positions[i].x_offset * toPointsX, positions[i].y_offset * toPointsY};
        glyph.advance = positions[i].x_advance * toPointsX + letterSpacing;
        if (glyph.cluster < text.size() && takesWordSpacing(text[glyph.cluster]))
            glyph.advance += wordSpacing;
        line.width += glyph.advance;
        line.glyphs.push_back(glyph);
    }
}
