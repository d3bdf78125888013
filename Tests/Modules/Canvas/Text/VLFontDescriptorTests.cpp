#include "Modules/Canvas/Text/VLFontDescriptor.h"

#include "Modules/Canvas/Text/VLFontFaceRegistry.h"
#include "Tests/Support/VLTestFonts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct ParseCase {
    const char* font;
    bool italic;
    int32_t weight;
    float size;
    std::vector<std::string> families;
};

// "…" when the text does not resolve.
std::string descriptionOf(const VLFontDescriptorRef& descriptor) {
    return descriptor ? descriptor->description() : "…";
}

VLFontFaceRef makeLoadedFace(uint64_t identifier, const char* family, int32_t minimum = 400,
                             int32_t maximum = 400) {
    auto face = std::make_shared<VLFontFace>(identifier);
    face->setFamily(family);
    face->setMinimumWeight(minimum);
    face->setMaximumWeight(maximum);
    face->setFontDescriptor(
        VLPlatformFontDescriptor::createWithData(VLTestFontData("inter-latin-400-normal.woff2")));
    return face;
}

} // namespace

TEST(VLFontDescriptorTests, ParsesTheShorthand) {
    const ParseCase cases[] = {
        {"12px Arial", false, 400, 12, {"Arial"}},
        {"italic bold 16px/20px 'Open Sans', serif", true, 700, 16, {"Open Sans", "serif"}},
        {"12pt Times", false, 400, 16, {"Times"}},
        {"12PX Courier", false, 400, 12, {"Courier"}},
        {"450 12px Arial", false, 450, 12, {"Arial"}},
        {"semi-condensed small-caps 12px Arial", false, 400, 12, {"Arial"}},
        {"ultra-expanded normal OBLIQUE 12px Arial", true, 400, 12, {"Arial"}},
        {"12px", false, 400, 12, {}},
        // Later weights override earlier ones.
        {"bold 300 12px a", false, 300, 12, {"a"}},
        {"lighter bolder 12px a", false, 700, 12, {"a"}},
        {"900 lighter 12px a", false, 300, 12, {"a"}},
        // Any white space separates, the line height is skipped with its own spaces, empty families dropped.
        {"\xC2\xA0 bold\xE3\x80\x80"
         "12px / 1.5 \"Times New Roman\" , ,\tmonospace ",
         false,
         700,
         12,
         {"Times New Roman", "monospace"}},
        {"12px/normal x", false, 400, 12, {"x"}},
        {".5e1px x", false, 400, 5, {"x"}},
        {"+1000 12.25px x", false, 1000, 12.25f, {"x"}},
        {"1e3 12px x", false, 1000, 12, {"x"}},
    };
    for (const ParseCase& c : cases) {
        bool italic = false;
        int32_t weight = 0;
        float size = 0;
        std::vector<std::string> families = {"unchanged"};
        ASSERT_TRUE(VLFontDescriptor::parseCSSFont(c.font, italic, weight, size, families)) << c.font;
        EXPECT_EQ(italic, c.italic) << c.font;
        EXPECT_EQ(weight, c.weight) << c.font;
        EXPECT_EQ(size, c.size) << c.font;
        EXPECT_EQ(families, c.families) << c.font;
    }
}

TEST(VLFontDescriptorTests, AFailedParseWritesNothing) {
    for (const char* font : {"bold",
                             "12em Arial",
                             "0px Arial",
                             "-5px Arial",
                             "oblique 10deg 12px Arial",
                             "12% Arial",
                             "",
                             " \n ",
                             "1e999px serif",
                             "1e-50px serif",
                             "12.5 12px Arial",
                             "1001 12px Arial",
                             "0 12px Arial",
                             "inf 12px Arial",
                             "infpx Arial",
                             "nan 12px Arial",
                             "0x10px Arial",
                             "12pxé Arial",
                             "bold12px Arial",
                             "wide 12px Arial",
                             "bold 12"}) {
        bool italic = true;
        int32_t weight = -1;
        float size = -1;
        std::vector<std::string> families = {"unchanged"};
        EXPECT_FALSE(VLFontDescriptor::parseCSSFont(font, italic, weight, size, families)) << font;
        EXPECT_TRUE(italic && weight == -1 && size == -1 && families.size() == 1) << font;
    }
    EXPECT_EQ(VLFontDescriptor::descriptorWithCSSFont("1e999px serif",
                                                      VLFontDescriptor::descriptorWithName("Times", 10)),
              nullptr);
}

TEST(VLFontDescriptorTests, WritesItselfAsCSSText) {
    const std::pair<VLFontDescriptor, const char*> cases[] = {
        {{"Helvetica", 10, false, 400}, "10px Helvetica"},
        {{"Times New Roman", 12, true, 700}, "italic bold 12px \"Times New Roman\""},
        {{VLFontSystemUI, 12.5f, false, 300}, "300 12.5px system-ui"},
        {{"Arial", 12.004f, false, 400}, "12px Arial"},
        {{"Arial", 11.995f, false, 400}, "12px Arial"},
        {{"Arial", 12.02f, false, 400}, "12.02px Arial"},
        {{"Arial", 0.25f, false, 400}, "0.25px Arial"},
        {{"Arial", 12, false, 0}, "1 12px Arial"},
        {{"Arial", 12, false, 5000}, "1000 12px Arial"},
        {{"Brand Sans", 12, false, 400, makeLoadedFace(1, "Brand Sans")}, "12px \"Brand Sans\""},
    };
    for (const auto& [descriptor, text] : cases)
        EXPECT_EQ(descriptor.description(), text);
}

TEST(VLFontDescriptorTests, ClampsWeightsAndDerivesItsProperties) {
    const std::pair<int32_t, int32_t> weights[] = {{0, 1}, {-7, 1},      {1, 1},
                                                   {2, 2}, {1000, 1000}, {5000, 1000}};
    for (const auto& [given, stored] : weights)
        EXPECT_EQ(VLFontDescriptor("Arial", 12, false, given).weight(), stored) << given;

    EXPECT_FALSE(VLFontDescriptor("Arial", 12, false, 599).isBold());
    EXPECT_TRUE(VLFontDescriptor("Arial", 12, false, 600).isBold());
    EXPECT_TRUE(VLFontDescriptor("ui-monospace", 12, false, 400).isSystemFont());
    EXPECT_FALSE(VLFontDescriptor("sans-serif", 12, false, 400).isSystemFont());
    EXPECT_TRUE(VLFontDescriptor("DejaVu Sans", 12, false, 400).isFamilyName());
    EXPECT_TRUE(VLFontDescriptor("Arial", 12, false, 400).isFamilyName());
    EXPECT_FALSE(VLFontDescriptor("DejaVuSans-Bold", 12, false, 400).isFamilyName());
    // A face makes the name a face's family, whatever else it names.
    const VLFontFaceRef face = makeLoadedFace(1, "system-ui");
    EXPECT_FALSE(VLFontDescriptor("system-ui", 12, false, 400, face).isSystemFont());
    EXPECT_FALSE(VLFontDescriptor("DejaVu Sans", 12, false, 400, face).isFamilyName());
}

TEST(VLFontDescriptorTests, MapsCSSWeightsToTheNineSteps) {
    const std::pair<int32_t, int> cases[] = {{450, 500}, {449, 400}, {100, 100}, {1, 100},    {49, 100},
                                             {550, 600}, {700, 700}, {850, 900}, {1000, 900}, {-300, 100}};
    for (const auto& [css, stepWeight] : cases)
        EXPECT_EQ(VLFontWeightFromCSS(css), stepWeight) << css;
}

TEST(VLFontDescriptorTests, ComparesByValue) {
    const VLFontFaceRef face = makeLoadedFace(7, "Brand");
    const VLFontDescriptor base("Arial", 12, false, 400);
    EXPECT_EQ(base, VLFontDescriptor("Arial", 12, false, 400));
    EXPECT_EQ(base.hash(), VLFontDescriptor("Arial", 12, false, 400).hash());
    // Sizes within single precision's epsilon are equal.
    EXPECT_EQ(VLFontDescriptor("Arial", 0.5f, false, 400),
              VLFontDescriptor("Arial", std::nextafter(0.5f, 1.0f), false, 400));
    for (const VLFontDescriptor& other :
         {VLFontDescriptor("arial", 12, false, 400), VLFontDescriptor("Arial", 12.01f, false, 400),
          VLFontDescriptor("Arial", 12, true, 400), VLFontDescriptor("Arial", 12, false, 401),
          VLFontDescriptor("Arial", 12, false, 400, face)})
        EXPECT_FALSE(base == other) << other.description();
    EXPECT_EQ(VLFontDescriptor("Brand", 12, false, 400, face),
              VLFontDescriptor("Brand", 12, false, 400, face));
    EXPECT_FALSE(VLFontDescriptor("Brand", 12, false, 400, face) ==
                 VLFontDescriptor("Brand", 12, false, 400, makeLoadedFace(7, "Brand")));
}

TEST(VLFontDescriptorTests, HashAndCacheKeyAreDefinedForEverySize) {
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    // The hash's float sum and the key's size × 100 saturate where a plain conversion is undefined.
    for (float size :
         {std::numeric_limits<float>::quiet_NaN(), kInfinity, -kInfinity, 3e38f, -3e38f, -1.0f, 1e17f}) {
        const VLFontDescriptor descriptor("Arial", size, true, 900, makeLoadedFace(UINT64_MAX, "Brand"));
        EXPECT_EQ(descriptor.hash(), VLFontDescriptor("Arial", size, true, 900, descriptor.face()).hash());
        VLFontDescriptorRef named = VLFontDescriptor::descriptorWithName("Arial", size);
        ASSERT_TRUE(named) << size;
        EXPECT_EQ(named->name(), "Arial");
    }
}

TEST(VLFontDescriptorTests, ResolvesNamesByTheGenericTableThenFamiliesThenFontNames) {
    const std::pair<const char*, const char*> cases[] = {
        {"sans-serif", "Helvetica"},
        {"SERIF", "Times"},
        {"monospace", "Courier"},
        {"system-ui", "system-ui"},
        {"-apple-system", "system-ui"},
        {"BlinkMacSystemFont", "system-ui"},
        {"ui-sans-serif", "system-ui"},
        {"UI-Rounded", "ui-rounded"},
        {"ui-monospace", "ui-monospace"},
        {"ui-serif", "ui-serif"},
        {"DejaVu Sans", "DejaVu Sans"},
        {"Times New Roman", "Times New Roman"},
        {"DejaVuSans-Bold", "DejaVuSans-Bold"},
        {"DejaVu Sans Bold", "DejaVu Sans Bold"},
        {"dejavu sans", "…"}, // families and font names are exact
        {"Helvetica ", "…"},
        {"NoSuchFont", "…"},
        {"", "…"},
    };
    for (const auto& [name, resolved] : cases) {
        VLFontDescriptorRef descriptor = VLFontDescriptor::descriptorWithName(name, 12);
        EXPECT_EQ(descriptor ? descriptor->name() : "…", resolved) << name;
    }
}

TEST(VLFontDescriptorTests, ResolvesCSSFontsAndReadsThemBack) {
    const VLFontDescriptorRef current = VLFontDescriptor::descriptorWithName("Times", 10, true, 700);
    const std::pair<const char*, const char*> cases[] = {
        {"10px Helvetica", "10px Helvetica"},
        {"12px Arial", "12px Arial"},
        {"italic bold 12px \"Times New Roman\"", "italic bold 12px \"Times New Roman\""},
        {"300 12.5px system-ui", "300 12.5px system-ui"},
        {"12px -apple-system", "12px system-ui"},
        {"12px BlinkMacSystemFont", "12px system-ui"},
        {"12px sans-serif", "12px Helvetica"},
        {"12px NoSuchFont, monospace", "12px Courier"},
        {"12px DejaVu Sans", "12px \"DejaVu Sans\""},
        {"12px DejaVuSans-Bold", "12px DejaVuSans-Bold"},
        {"12px DejaVu Sans Bold", "12px \"DejaVu Sans Bold\""},
        // Nothing resolves: the current family at the new size and style.
        {"12px NoSuchFont", "12px Times"},
        {"12px", "12px Times"},
        {"bold 12px", "bold 12px Times"},
        {"12em Arial", "…"},
    };
    for (const auto& [font, text] : cases)
        EXPECT_EQ(descriptionOf(VLFontDescriptor::descriptorWithCSSFont(font, current)), text) << font;
    EXPECT_EQ(VLFontDescriptor::descriptorWithCSSFont("12px NoSuchFont", nullptr), nullptr);
    EXPECT_TRUE(VLFontDescriptor::descriptorWithCSSFont("12px ui-monospace", nullptr)->isSystemFont());
}

TEST(VLFontDescriptorTests, TheCacheHandsBackTheSameDescriptor) {
    VLFontDescriptorRef named = VLFontDescriptor::descriptorWithName("Arial", 12.5f, true, 300);
    ASSERT_TRUE(named);
    EXPECT_EQ(VLFontDescriptor::descriptorWithName("Arial", 12.5f, true, 300), named);
    EXPECT_EQ(VLFontDescriptor::descriptorWithCSSFont("italic 300 12.5px NoSuchFont, Arial", nullptr), named);
    // The key is the name asked for: a generic family and its family are cached apart, and equal.
    VLFontDescriptorRef generic = VLFontDescriptor::descriptorWithName("sans-serif", 12);
    VLFontDescriptorRef helvetica = VLFontDescriptor::descriptorWithName("Helvetica", 12);
    EXPECT_NE(generic, helvetica);
    EXPECT_EQ(*generic, *helvetica);
    // Sizes meet in the key at hundredths.
    EXPECT_EQ(VLFontDescriptor::descriptorWithName("Arial", 13.001f),
              VLFontDescriptor::descriptorWithName("Arial", 13.009f));
}

TEST(VLFontDescriptorTests, ALoadedFaceWinsOverTheInstalledFamily) {
    VLFontFaceRegistry registry;
    const VLFontFaceRef regular = makeLoadedFace(1, "DejaVu Sans");
    const VLFontFaceRef bold = makeLoadedFace(2, "DejaVu Sans", 700, 700);
    const VLFontFaceRef loading = std::make_shared<VLFontFace>(3);
    loading->setFamily("Brand");
    registry.addFace(regular);
    registry.addFace(bold);
    registry.addFace(loading);

    VLFontDescriptorRef resolved =
        VLFontDescriptor::descriptorWithCSSFont("12px NoSuchFont, dejavu sans", nullptr, &registry);
    ASSERT_TRUE(resolved);
    EXPECT_EQ(resolved->face(), regular);
    EXPECT_EQ(resolved->name(), "DejaVu Sans"); // the face's family
    EXPECT_EQ(resolved->description(), "12px \"DejaVu Sans\"");
    EXPECT_EQ(VLFontDescriptor::descriptorWithCSSFont("bold 12px DejaVu Sans", nullptr, &registry)->face(),
              bold);
    // A face still loading takes no part: the next family serves.
    resolved = VLFontDescriptor::descriptorWithCSSFont("12px Brand, monospace", nullptr, &registry);
    EXPECT_EQ(resolved->name(), "Courier");
    EXPECT_EQ(resolved->face(), nullptr);

    // Falling back from a face: the registry's face of that family, or Helvetica when there is none.
    const VLFontDescriptorRef current =
        VLFontDescriptor::descriptorWithCSSFont("10px DejaVu Sans", nullptr, &registry);
    EXPECT_EQ(VLFontDescriptor::descriptorWithCSSFont("bold 14px NoSuchFont", current, &registry)->face(),
              bold);
    EXPECT_EQ(descriptionOf(VLFontDescriptor::descriptorWithCSSFont("14px NoSuchFont", current)),
              "14px Helvetica");
    registry.removeAllFaces();
    EXPECT_EQ(descriptionOf(VLFontDescriptor::descriptorWithCSSFont("14px NoSuchFont", current, &registry)),
              "14px Helvetica");
    EXPECT_EQ(VLFontDescriptor::descriptorWithCSSFont("12px DejaVu Sans", nullptr, &registry)->face(),
              nullptr);
}
