#include "Platform/Text/VLGlyphRasterizer.h"

#include "Platform/Text/VLTextFont.h"
#include "Tests/Support/VLTestFonts.h"

#include FT_OUTLINE_H

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

std::unique_ptr<VLTextFont> dejaVuSans(double size) {
    auto font = VLTextFont::create(VLPlatformFontDescriptor::createWithFile(VLTestDejaVuSansPath, 0), size);
    EXPECT_TRUE(font);
    return font;
}

uint32_t glyphOf(const VLTextFont& font, char32_t character) {
    return FT_Get_Char_Index(font.face(), FT_ULong(character));
}

} // namespace

TEST(VLGlyphRasterizerTests, BoundsAreTheUnhintedOutlineBoxInPoints) {
    const auto font = dejaVuSans(20);
    const uint32_t h = glyphOf(*font, 'H');
    // The same box read from the file in font units.
    ASSERT_EQ(0, FT_Load_Glyph(font->face(), h, FT_LOAD_NO_SCALE));
    FT_BBox units;
    FT_Outline_Get_CBox(&font->face()->glyph->outline, &units);
    const double perUnit = 20.0 / font->face()->units_per_EM;
    const std::optional<VLRect> bounds = VLGlyphRasterizer::bounds(*font, h);
    ASSERT_TRUE(bounds);
    EXPECT_NEAR(units.xMin * perUnit, bounds->minX(), 1.0 / 32);
    EXPECT_NEAR(units.yMin * perUnit, bounds->minY(), 1.0 / 32);
    EXPECT_NEAR(units.xMax * perUnit, bounds->maxX(), 1.0 / 32);
    EXPECT_NEAR(units.yMax * perUnit, bounds->maxY(), 1.0 / 32);

    EXPECT_EQ(VLRectZero, VLGlyphRasterizer::bounds(*font, glyphOf(*font, ' '))) << "a space draws nothing";
    EXPECT_EQ(std::nullopt, VLGlyphRasterizer::bounds(*font, 1000000)) << "no such glyph";
}

TEST(VLGlyphRasterizerTests, CoverageFillsTheBoxAtTheScaleWithRowsDownward) {
    const auto font = dejaVuSans(12);
    // The full block is one upright rectangle: inside it every pixel is covered, outside none.
    const uint32_t block = glyphOf(*font, U'\u2588');
    const std::optional<VLRect> bounds = VLGlyphRasterizer::bounds(*font, block);
    ASSERT_TRUE(bounds && !bounds->isEmpty());
    for (const double scale : {1.0, 2.0, 3.0}) {
        SCOPED_TRACE(scale);
        // Two pixels of margin around the box.
        const VLRect box{bounds->minX() * scale, bounds->minY() * scale, bounds->width() * scale,
                         bounds->height() * scale};
        const auto width = uint32_t(std::ceil(box.width())) + 4;
        const auto height = uint32_t(std::ceil(box.height())) + 4;
        std::vector<uint8_t> coverage(size_t(width) * height, 7);
        ASSERT_TRUE(
            VLGlyphRasterizer::drawCoverage(*font, block, coverage, width, height, scale,
                                            {bounds->minX() - 2 / scale, bounds->maxY() + 2 / scale}));
        // The box in the buffer's pixels, rows downward.
        const VLRect inBuffer{2, 2, box.width(), box.height()};
        double ink = 0;
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x) {
                const uint8_t value = coverage[size_t(y) * width + x];
                const VLRect pixel{double(x), double(y), 1, 1};
                ink += value / 255.0;
                if (inBuffer.insetBy(1, 1).contains(pixel)) {
                    EXPECT_EQ(255, value) << x << ", " << y;
                } else if (!inBuffer.intersects(pixel)) {
                    EXPECT_EQ(0, value) << x << ", " << y;
                }
            }
        EXPECT_NEAR(box.width() * box.height(), ink, 1);
    }
}

TEST(VLGlyphRasterizerTests, AnOutlineWidthDrawsABandAlongTheEdge) {
    const auto font = dejaVuSans(24);
    const uint32_t block = glyphOf(*font, U'\u2588');
    const VLRect bounds = *VLGlyphRasterizer::bounds(*font, block);
    const double scale = 2;
    const double lineWidth = 2;
    // Four pixels of margin: the band reaches half the line width (two pixels) beyond the edge.
    const auto width = uint32_t(std::ceil(bounds.width() * scale)) + 8;
    const auto height = uint32_t(std::ceil(bounds.height() * scale)) + 8;
    std::vector<uint8_t> coverage(size_t(width) * height);
    ASSERT_TRUE(VLGlyphRasterizer::drawCoverage(*font, block, coverage, width, height, scale,
                                                {bounds.minX() - 4 / scale, bounds.maxY() + 4 / scale},
                                                lineWidth));
    const auto at = [&](double x, double y) { return coverage[size_t(y) * width + size_t(x)]; };
    const double right = 4 + bounds.width() * scale;
    const double middleY = height / 2.0;
    EXPECT_EQ(0, at(width / 2.0, middleY)) << "the inside stays clear";
    EXPECT_EQ(255, at(4, middleY)) << "on the left edge";
    EXPECT_EQ(255, at(right - 1, middleY)) << "on the right edge";
    EXPECT_EQ(0, at(0, middleY)) << "beyond half the width";
    EXPECT_EQ(0, at(right + 3, middleY));
    EXPECT_FALSE(VLGlyphRasterizer::drawCoverage(*font, block, coverage, width, height, scale, {0, 0}, -1));
    EXPECT_FALSE(VLGlyphRasterizer::drawCoverage(*font, block, coverage, width, height, scale, {0, 0}, NAN));
}

TEST(VLGlyphRasterizerTests, FiguresOutOfReachDrawNothingAndClearTheBytes) {
    const auto font = dejaVuSans(12);
    const uint32_t h = glyphOf(*font, 'H');
    const struct {
        const char* name;
        uint32_t glyph;
        uint32_t width;
        uint32_t height;
        size_t bytes;
        double scale;
        VLPoint topLeft;
    } cases[] = {
        {"no width", h, 0, 16, 256, 1, {0, 12}},
        {"too few bytes", h, 16, 16, 255, 1, {0, 12}},
        {"a side too long", h, 40000, 1, 40000, 1, {0, 12}},
        {"no scale", h, 16, 16, 256, 0, {0, 12}},
        {"a scale that is no number", h, 16, 16, 256, NAN, {0, 12}},
        {"a corner far away", h, 16, 16, 256, 1, {1e7, 12}},
        {"no such glyph", 1000000, 16, 16, 256, 1, {0, 12}},
    };
    for (const auto& test : cases) {
        std::vector<uint8_t> coverage(test.bytes, 7);
        EXPECT_FALSE(VLGlyphRasterizer::drawCoverage(*font, test.glyph, coverage, test.width, test.height,
                                                     test.scale, test.topLeft))
            << test.name;
        EXPECT_EQ(std::vector<uint8_t>(test.bytes, 0), coverage) << test.name;
    }
}
