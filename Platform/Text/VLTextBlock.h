#pragma once

#include "Platform/Foundation/VLRect.h"
#include "Platform/Graphics/VLColor.h"
#include "Platform/Graphics/VLPixelSource.h"
#include "Platform/Text/VLTextShaper.h"

#include <memory>
#include <string_view>
#include <vector>

// Lines of text in one font, as a label shows them: the pieces of the text between "\n", each laid out
// once by the shaper, measured, and drawn in one colour into premultiplied pixels.
//
// On the shaper's thread.
class VLTextBlock {
public:
    // `shaper` must not be nullptr.
    VLTextBlock(std::shared_ptr<VLTextShaper> shaper, std::string_view utf8);

    // The widest line by the number of lines times the font's line height; zero for no text.
    VLSize size() const;

    // Fills each glyph's coverage with the colour, premultiplied, over what the pixels hold: the block's
    // top-left corner at `origin` (points, y down), `scale` pixels a point. Glyphs are cut to the pixels.
    void draw(const VLMutablePixels& target, VLPoint origin, double scale, VLColor color) const;

private:
    void drawGlyph(const VLShapedGlyph& glyph, VLPoint pen, const VLMutablePixels& target, double scale,
                   const uint8_t premultiplied[4], std::vector<uint8_t>& coverage) const;

    std::shared_ptr<VLTextShaper> _shaper;
    std::vector<VLShapedLine> _lines;
};
