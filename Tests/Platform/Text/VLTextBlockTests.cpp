#include "Platform/Text/VLTextBlock.h"

#include "Platform/Graphics/VLBitmap.h"
#include "Platform/Text/VLGlyphRasterizer.h"
#include "Tests/Support/VLTestBitmap.h"
#include "Tests/Support/VLTestFonts.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

std::shared_ptr<VLTextShaper> dejaVuSansShaper(double size) {
    return std::make_shared<VLTextShaper>(
        VLTextFont::create(VLPlatformFontDescriptor::createWithFile(VLTestDejaVuSansPath, 0), size));
}

} // namespace

TEST(VLTextBlockTests, TheSizeIsTheWidestLineByTheNumberOfLines) {
    const auto shaper = dejaVuSansShaper(10);
    const double ab = shaper->shape(u"ab").width;
    const double abcd = shaper->shape(u"abcd").width;
    const double line = shaper->mainFont().lineHeight();
    const struct {
        const char* text;
        VLSize size;
    } cases[] = {
        {"", {0, 0}},
        {"ab", {ab, line}},
        {"ab\nabcd", {abcd, 2 * line}},
        {"abcd\nab", {abcd, 2 * line}},
        {"ab\n", {ab, 2 * line}},
        {"\n", {0, 2 * line}},
    };
    for (const auto& test : cases)
        EXPECT_EQ(test.size, VLTextBlock(shaper, test.text).size()) << test.text;
}

TEST(VLTextBlockTests, GlyphsFillTheColourPremultipliedOverThePixelsLineUnderLine) {
    const auto shaper = dejaVuSansShaper(12);
    const VLTextFont& font = shaper->mainFont();
    const VLShapedGlyph block = shaper->shape(u"\u2588").glyphs.at(0);
    const VLRect bounds = *VLGlyphRasterizer::bounds(font, block.glyph);
    const VLTextBlock text(shaper, "\u2588\n\u2588");
    const VLPoint origin{3, 2};
    const double scale = 2;
    // The middle of each line's block, in pixels, rows downward.
    const auto middle = [&](int line) {
        const double baseline = origin.y + line * font.lineHeight() + font.ascent();
        return std::pair<uint32_t, uint32_t>{uint32_t((origin.x + bounds.midX()) * scale),
                                             uint32_t((baseline - bounds.midY()) * scale)};
    };
    for (const VLBitmapByteOrder order : {VLBitmapByteOrder::RGBA, VLBitmapByteOrder::BGRA}) {
        SCOPED_TRACE(int(order));
        VLTestBitmap pixels(40, 70, order);
        const auto [x, y] = middle(1);
        pixels.setPixel(x, y, {0, 0, 255, 255});
        text.draw(pixels.mutablePixels(), origin, scale, {1, 0.5, 0, 0.5});
        EXPECT_EQ((VLTestRGBA{128, 64, 0, 128}), pixels.pixel(middle(0).first, middle(0).second));
        EXPECT_EQ((VLTestRGBA{128, 64, 127, 255}), pixels.pixel(x, y)) << "over opaque blue";
        EXPECT_EQ(kVLTestClear, pixels.pixel(0, 0));
        EXPECT_EQ(kVLTestClear, pixels.pixel(uint32_t((origin.x + bounds.maxX()) * scale) + 1, y));
    }
}

TEST(VLTextBlockTests, DrawingIsCutToThePixels) {
    const auto shaper = dejaVuSansShaper(30);
    std::string many;
    for (int line = 0; line < 50; ++line)
        many += std::string(200, '8') + "\n";
    const VLTextBlock text(shaper, many);
    VLTestBitmap pixels(64, 64);
    for (const VLPoint origin : {VLPoint{-500, -500}, VLPoint{-20, -20}, VLPoint{30, 30}, VLPoint{1e6, 0}}) {
        text.draw(pixels.mutablePixels(), origin, 1, {1, 1, 1, 1});
        text.draw(pixels.mutablePixels(), origin, 3, {1, 1, 1, 1});
    }
    size_t inked = 0;
    for (uint32_t y = 0; y < pixels.height(); ++y)
        for (uint32_t x = 0; x < pixels.width(); ++x)
            inked += pixels.pixel(x, y).alpha > 0;
    EXPECT_GT(inked, 0u);
}
