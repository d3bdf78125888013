#include "Platform/Text/VLTextBlock.h"

#include "Platform/Foundation/VLUnicode.h"
#include "Platform/Text/VLGlyphRasterizer.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace {

uint8_t channel(double value) {
    return uint8_t(std::lround(std::clamp(value, 0.0, 1.0) * 255));
}

// Source over destination, one channel, both premultiplied, the source scaled by the coverage.
uint8_t over(uint8_t destination, uint8_t source, uint8_t sourceAlpha, uint8_t coverage) {
    const unsigned s = (unsigned(source) * coverage + 127) / 255;
    const unsigned a = (unsigned(sourceAlpha) * coverage + 127) / 255;
    return uint8_t(s + (unsigned(destination) * (255 - a) + 127) / 255);
}

} // namespace

VLTextBlock::VLTextBlock(std::shared_ptr<VLTextShaper> shaper, std::string_view utf8)
    : _shaper(std::move(shaper)) {
    assert(_shaper);
    if (utf8.empty())
        return;
    size_t start = 0;
    while (true) {
        const size_t end = utf8.find('\n', start);
        const std::string_view piece = utf8.substr(start, end == std::string_view::npos ? end : end - start);
        _lines.push_back(_shaper->shape(VLUTF16FromUTF8(piece)));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
}

VLSize VLTextBlock::size() const {
    double width = 0;
    for (const VLShapedLine& line : _lines)
        width = std::max(width, line.width);
    return {width, double(_lines.size()) * _shaper->mainFont().lineHeight()};
}

void VLTextBlock::draw(const VLMutablePixels& target, VLPoint origin, double scale, VLColor color) const {
    if (!target.bytes || !(scale > 0) || !std::isfinite(scale))
        return;
    const uint8_t alpha = channel(color.alpha);
    uint8_t premultiplied[4] = {channel(color.red * color.alpha), channel(color.green * color.alpha),
                                channel(color.blue * color.alpha), alpha};
    if (target.byteOrder == VLBitmapByteOrder::BGRA)
        std::swap(premultiplied[0], premultiplied[2]);
    const VLTextFont& font = _shaper->mainFont();
    const double bottom = target.height / scale;
    std::vector<uint8_t> coverage;
    for (size_t index = 0; index < _lines.size(); ++index) {
        const double top = origin.y + double(index) * font.lineHeight();
        if (top >= bottom)
            break;
        const double baseline = top + font.ascent();
        for (const VLShapedGlyph& glyph : _lines[index].glyphs) {
            const VLPoint pen{origin.x + glyph.x + glyph.offset.x, baseline - glyph.offset.y};
            if (pen.x * scale >= target.width)
                break;
            drawGlyph(glyph, pen, target, scale, premultiplied, coverage);
        }
    }
}

void VLTextBlock::drawGlyph(const VLShapedGlyph& glyph, VLPoint pen, const VLMutablePixels& target,
                            double scale, const uint8_t premultiplied[4],
                            std::vector<uint8_t>& coverage) const {
    const VLTextFont& font = _shaper->font(glyph.font);
    const std::optional<VLRect> bounds = VLGlyphRasterizer::bounds(font, glyph.glyph);
    if (!bounds || bounds->isEmpty())
        return;
    // The whole pixels the glyph touches, in the target, cut to it.
    const double left = std::floor((pen.x + bounds->minX()) * scale);
    const double right = std::ceil((pen.x + bounds->maxX()) * scale);
    const double top = std::floor((pen.y - bounds->maxY()) * scale);
    const double bottom = std::ceil((pen.y - bounds->minY()) * scale);
    const double x0 = std::max(left, 0.0);
    const double y0 = std::max(top, 0.0);
    const double x1 = std::min(right, double(target.width));
    const double y1 = std::min(bottom, double(target.height));
    if (x0 >= x1 || y0 >= y1)
        return;
    const auto width = uint32_t(x1 - x0);
    const auto height = uint32_t(y1 - y0);
    coverage.resize(size_t(width) * height);
    if (!VLGlyphRasterizer::drawCoverage(font, glyph.glyph, coverage, width, height, scale,
                                         {x0 / scale - pen.x, pen.y - y0 / scale}))
        return;
    for (uint32_t row = 0; row < height; ++row) {
        uint8_t* pixel = target.bytes + (size_t(y0) + row) * target.rowBytes + size_t(x0) * 4;
        const uint8_t* covered = coverage.data() + size_t(row) * width;
        for (uint32_t column = 0; column < width; ++column, pixel += 4) {
            if (const uint8_t amount = covered[column])
                for (int c = 0; c < 4; ++c)
                    pixel[c] = over(pixel[c], premultiplied[c], premultiplied[3], amount);
        }
    }
}
