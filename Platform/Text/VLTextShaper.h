#pragma once

#include "Platform/Foundation/VLPoint.h"
#include "Platform/Text/VLTextFont.h"

#include <hb.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// One glyph of a shaped line: the shaper's font that draws it, where its pen stands on the baseline
// and how far it moves on (tracking included), in points; HarfBuzz's offset from the pen (y up); and
// the UTF-16 index at which its cluster starts.
struct VLShapedGlyph {
    uint32_t font = 0;
    uint32_t glyph = 0;
    double x = 0;
    double advance = 0;
    VLPoint offset;
    uint32_t cluster = 0;
};

// A line as the shaper laid it out: its glyphs left to right, and its width, the sum of their advances.
struct VLShapedLine {
    std::vector<VLShapedGlyph> glyphs;
    double width = 0;
};

// Lays lines of text out in one font with HarfBuzz, unhinted. Characters the font lacks are drawn by
// the font catalogue's fallback face for them, at the same size; a combining mark stays in its base's
// face. Each run of one face is shaped in the context of the whole line, with the shaper's OpenType
// features.
//
// Owned and used by one thread at a time, as its fonts are.
class VLTextShaper {
public:
    // The features as HarfBuzz reads them ("tnum", "-liga"); one it cannot read is left out. `font` must
    // not be nullptr.
    explicit VLTextShaper(std::unique_ptr<VLTextFont> font, const std::vector<std::string>& features = {});
    ~VLTextShaper();
    VLTextShaper(const VLTextShaper&) = delete;
    VLTextShaper& operator=(const VLTextShaper&) = delete;

    // Lone surrogates count as U+FFFD. `letterSpacing` is added to every glyph's advance, and
    // `wordSpacing` too to the glyphs of U+0020 and U+00A0.
    VLShapedLine shape(std::u16string_view text, double letterSpacing = 0, double wordSpacing = 0);

    // 0 is the shaper's own font, the fallbacks follow in the order they were first needed.
    const VLTextFont& font(uint32_t index) const { return *_fonts[index]; }
    const VLTextFont& mainFont() const { return *_fonts.front(); }

private:
    // The index of the font that draws the character, a fallback opened when first needed.
    uint32_t fontFor(char32_t character);
    void shapeRun(std::u16string_view text, size_t start, size_t length, uint32_t font, double letterSpacing,
                  double wordSpacing, VLShapedLine& line);

    std::vector<std::unique_ptr<VLTextFont>> _fonts;
    std::vector<hb_feature_t> _features;
    // By code point, for characters the main font lacks; by face, for the fallbacks opened.
    std::unordered_map<char32_t, uint32_t> _fontForCharacter;
    std::unordered_map<const VLPlatformFontDescriptor*, uint32_t> _fallbacks;
    hb_buffer_t* _buffer;
};
