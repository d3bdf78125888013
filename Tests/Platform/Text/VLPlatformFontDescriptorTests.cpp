#include "Platform/Text/VLPlatformFontDescriptor.h"

#include "Tests/Support/VLTestBytes.h"
#include "Tests/Support/VLTestFonts.h"

#include <gtest/gtest.h>

TEST(VLPlatformFontDescriptorTests, ReadsTheNamesStyleAndAxisOfAFace) {
    struct Case {
        VLPlatformFontDescriptorRef face;
        const char* family;
        const char* fullName;
        const char* postScriptName;
        bool italic;
        int weight;
        bool variable;
    };
    const Case cases[] = {
        {VLPlatformFontDescriptor::createWithFile(VLTestDejaVuSansPath, 0), "DejaVu Sans", "DejaVu Sans",
         "DejaVuSans", false, 400, false},
        {VLPlatformFontDescriptor::createWithFile(
             "/usr/share/fonts/truetype/liberation2/LiberationSerif-BoldItalic.ttf", 0),
         "Liberation Serif", "Liberation Serif Bold Italic", "LiberationSerif-BoldItalic", true, 700, false},
        {VLPlatformFontDescriptor::createWithData(VLTestFontData("inter-latin-400-normal.woff")), "Inter",
         "Inter Regular", "Inter-Regular", false, 400, false},
        {VLPlatformFontDescriptor::createWithData(VLTestFontData("inter-latin-700-italic.woff2")), "Inter",
         "Inter Bold Italic", "Inter-BoldItalic", true, 700, false},
        {VLPlatformFontDescriptor::createWithData(VLTestFontData("inter-latin-wght-normal.woff2")), "Inter",
         "Inter Regular", "Inter-Regular", false, 400, true},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(c.face) << c.postScriptName;
        EXPECT_EQ(c.face->familyName(), c.family);
        EXPECT_EQ(c.face->fullName(), c.fullName);
        EXPECT_EQ(c.face->postScriptName(), c.postScriptName);
        EXPECT_EQ(c.face->isItalic(), c.italic) << c.postScriptName;
        EXPECT_EQ(c.face->weight(), c.weight) << c.postScriptName;
        EXPECT_EQ(c.face->hasWeightAxis(), c.variable) << c.postScriptName;
    }
    const VLPlatformFontDescriptor::WeightAxis axis = *cases[4].face->weightAxis();
    EXPECT_EQ(axis.minimum, 100);
    EXPECT_EQ(axis.maximum, 900);
    EXPECT_EQ(axis.defaultValue, 400);
    EXPECT_EQ(cases[0].face->path(), VLTestDejaVuSansPath);
    EXPECT_EQ(cases[0].face->bytes(), nullptr);
}

TEST(VLPlatformFontDescriptorTests, RefusesWhatFreeTypeCannotRead) {
    EXPECT_FALSE(VLPlatformFontDescriptor::createWithFile("/nonexistent/font.ttf", 0));
    EXPECT_FALSE(VLPlatformFontDescriptor::createWithFile(VLTestDejaVuSansPath, 3)); // no such face
    EXPECT_FALSE(VLPlatformFontDescriptor::createWithData(nullptr));
    EXPECT_FALSE(VLPlatformFontDescriptor::createWithData(std::make_shared<const VLData>()));
    EXPECT_FALSE(VLPlatformFontDescriptor::createWithData(
        std::make_shared<const VLData>(VLTestBytes("OTTO garbage"))));
    std::shared_ptr<const VLData> dejaVu = VLTestFontData(VLTestDejaVuSansPath);
    EXPECT_FALSE(VLPlatformFontDescriptor::createWithData(
        std::make_shared<const VLData>(dejaVu->begin(), dejaVu->begin() + 2000)));
}

TEST(VLPlatformFontDescriptorTests, AnOpenFaceKeepsItsBytes) {
    auto bytes = VLTestFontData("inter-latin-400-normal.woff2");
    VLPlatformFontDescriptorRef descriptor = VLPlatformFontDescriptor::createWithData(bytes);
    ASSERT_TRUE(descriptor);
    EXPECT_EQ(descriptor->bytes(), bytes); // shared, not copied
    std::unique_ptr<VLFreeTypeFace> face = descriptor->openFace();
    descriptor.reset();
    bytes.reset();
    ASSERT_TRUE(face);
    ASSERT_EQ(FT_Set_Pixel_Sizes(face->face(), 0, 32), 0);
    const FT_UInt glyph = FT_Get_Char_Index(face->face(), 'g');
    ASSERT_NE(glyph, 0u);
    EXPECT_EQ(FT_Load_Glyph(face->face(), glyph, FT_LOAD_RENDER), 0);
    EXPECT_GT(face->face()->glyph->bitmap.rows, 0u);
}
