#include "Platform/Text/VLTextShaper.h"

#include "Platform/Text/VLFontCatalog.h"
#include "Tests/Support/VLTestFonts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::unique_ptr<VLTextFont> fontOf(const std::string& path, double size) {
    auto font = VLTextFont::create(VLPlatformFontDescriptor::createWithFile(path, 0), size);
    EXPECT_TRUE(font) << path;
    return font;
}

std::vector<double> advancesOf(const VLShapedLine& line) {
    std::vector<double> advances;
    for (const VLShapedGlyph& glyph : line.glyphs)
        advances.push_back(glyph.advance);
    return advances;
}

} // namespace

TEST(VLTextShaperTests, AdvancesAddUpToTheWidthAndScaleLinearlyWithTheSize) {
    VLTextShaper small(fontOf(VLTestDejaVuSansPath, 10));
    VLTextShaper large(fontOf(VLTestDejaVuSansPath, 40));
    const VLShapedLine line = small.shape(u"Hello, World");
    const VLShapedLine scaled = large.shape(u"Hello, World");
    ASSERT_EQ(12u, line.glyphs.size());
    ASSERT_EQ(12u, scaled.glyphs.size());
    double x = 0;
    for (size_t index = 0; index < line.glyphs.size(); ++index) {
        EXPECT_DOUBLE_EQ(x, line.glyphs[index].x);
        EXPECT_EQ(index, line.glyphs[index].cluster);
        EXPECT_NEAR(4 * line.glyphs[index].advance, scaled.glyphs[index].advance, 4.0 / 64) << index;
        x += line.glyphs[index].advance;
    }
    EXPECT_DOUBLE_EQ(x, line.width);
    EXPECT_NEAR(4 * line.width, scaled.width, 0.1);
    EXPECT_NEAR(4 * small.mainFont().lineHeight(), large.mainFont().lineHeight(), 1e-9);
    EXPECT_GT(small.mainFont().ascent(), small.mainFont().descent());
    EXPECT_EQ(0, small.shape(u"").width);
}

TEST(VLTextShaperTests, FeaturesReachTheShaping) {
    // Inter's digits are proportional unless "tnum" asks for tabular ones.
    const std::string inter = VLTestFontPath("inter-latin-400-normal.woff2");
    VLTextShaper proportional(fontOf(inter, 20));
    VLTextShaper tabular(fontOf(inter, 20), {"tnum", "not a feature"});
    EXPECT_NE(proportional.shape(u"1").width, proportional.shape(u"0").width);
    EXPECT_DOUBLE_EQ(tabular.shape(u"1").width, tabular.shape(u"0").width);
}

TEST(VLTextShaperTests, CharactersTheFontLacksComeFromTheFallbackFaceAndMarksStayWithTheirBase) {
    // Helvetica is Liberation Sans here, which has no snowman; DejaVu Sans has one.
    VLTextShaper shaper(
        VLTextFont::create(VLFontCatalog::shared().faceForFamily("Helvetica", false, 400), 12));
    const struct {
        std::u16string text;
        // The family of the glyphs of each cluster, by the cluster's first code unit.
        std::vector<std::string> families;
    } cases[] = {
        {u"a\u2603b", {"Liberation Sans", "DejaVu Sans", "Liberation Sans"}},
        {u"\u2603\u0301", {"DejaVu Sans", "DejaVu Sans"}},
        {u"e\u0301", {"Liberation Sans", "Liberation Sans"}},
        // No installed face has it: the font's own notdef.
        {u"\U0010FFFD", {"Liberation Sans", "Liberation Sans"}},
    };
    for (const auto& test : cases) {
        const VLShapedLine line = shaper.shape(test.text);
        ASSERT_FALSE(line.glyphs.empty());
        for (const VLShapedGlyph& glyph : line.glyphs) {
            ASSERT_LT(glyph.cluster, test.families.size());
            EXPECT_EQ(test.families[glyph.cluster], shaper.font(glyph.font).descriptor()->familyName())
                << "cluster " << glyph.cluster << " of case " << (&test - cases);
        }
    }
    EXPECT_EQ(0u, shaper.shape(u"\U0010FFFD").glyphs.front().glyph);
    EXPECT_EQ(shaper.font(1).size(), 12) << "fallbacks come at the font's size";
}

TEST(VLTextShaperTests, LetterSpacingGoesOnEveryGlyphAndWordSpacingOnSpaces) {
    VLTextShaper shaper(fontOf(VLTestDejaVuSansPath, 16));
    const std::u16string text = u"a b\u00A0c";
    const VLShapedLine plain = shaper.shape(text);
    const VLShapedLine tracked = shaper.shape(text, 1, 5);
    const std::vector<double> extra{1, 6, 1, 6, 1};
    ASSERT_EQ(extra.size(), tracked.glyphs.size());
    for (size_t index = 0; index < extra.size(); ++index)
        EXPECT_DOUBLE_EQ(advancesOf(plain)[index] + extra[index], advancesOf(tracked)[index]) << index;
    EXPECT_DOUBLE_EQ(plain.width + 15, tracked.width);
}

TEST(VLTextShaperTests, LoneSurrogatesAreReplacementCharacters) {
    VLTextShaper shaper(fontOf(VLTestDejaVuSansPath, 16));
    const uint32_t replacement = shaper.shape(u"\uFFFD").glyphs.at(0).glyph;
    ASSERT_NE(0u, replacement);
    for (const std::u16string& text : {std::u16string(1, u'\xD800'), std::u16string(1, u'\xDC00'),
                                       std::u16string{u'\xD800', u'x'}, std::u16string{u'x', u'\xDBFF'}}) {
        const VLShapedLine line = shaper.shape(text);
        size_t replaced = 0;
        for (const VLShapedGlyph& glyph : line.glyphs)
            replaced += glyph.glyph == replacement;
        EXPECT_EQ(1u, replaced) << text.size();
        EXPECT_EQ(text.size(), line.glyphs.size());
    }
}
