#include "Platform/Text/VLFontCatalog.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

// The PostScript name of a face, or "none".
std::string postScriptNameOf(const VLPlatformFontDescriptorRef& face) {
    return face ? face->postScriptName() : "none";
}

bool drawsCodePoint(const VLPlatformFontDescriptor& face, char32_t codePoint) {
    std::unique_ptr<VLFreeTypeFace> opened = face.openFace();
    return opened && FT_Get_Char_Index(opened->face(), FT_ULong(codePoint)) != 0;
}

} // namespace

TEST(VLFontCatalogTests, FamilyNamesAreTheInstalledFamiliesAndTheAliases) {
    const VLFontFamilyNameSet& families = VLFontFamilyNames();
    for (const char* present :
         {"DejaVu Sans", "DejaVu Serif", "DejaVu Sans Mono", "Liberation Sans", "Liberation Mono",
          "Helvetica", "Arial", "Helvetica Neue", "Times", "Times New Roman", "Courier", "Courier New"})
        EXPECT_TRUE(families.count(present)) << present;
    // Exact names only: system fonts are no families, and case counts.
    for (const char* absent : {"system-ui", "sans-serif", "dejavu sans", "NoSuchFamily", ""})
        EXPECT_FALSE(families.count(absent)) << absent;
    EXPECT_EQ(VLFontCatalog::shared().makeFamilyNames(), families);
    EXPECT_EQ(&VLFontFamilyNames(), &families);
}

TEST(VLFontCatalogTests, FontNamesArePostScriptOrFullNames) {
    VLFontCatalog& catalog = VLFontCatalog::shared();
    for (const char* name : {"DejaVuSans-Bold", "DejaVu Sans Bold", "DejaVu Sans", "LiberationMono-Italic"})
        EXPECT_TRUE(catalog.hasFontNamed(name)) << name;
    // fontconfig would match each of these to some font: the test reads the names themselves.
    for (const char* name : {"dejavusans-bold", "DejaVuSans-Bold ", "DejaVu", "Helvetica", "NoSuchFont", ""})
        EXPECT_FALSE(catalog.hasFontNamed(name)) << name;

    EXPECT_EQ(postScriptNameOf(catalog.faceNamed("DejaVu Sans Bold")), "DejaVuSans-Bold");
    EXPECT_EQ(postScriptNameOf(catalog.faceNamed("dejavu sans bold")), "none");
    // local() in a script's font face ignores ASCII case.
    EXPECT_EQ(postScriptNameOf(catalog.faceNamed("dejavu sans bold", true)), "DejaVuSans-Bold");
    EXPECT_EQ(postScriptNameOf(catalog.faceNamed("LIBERATIONSERIF-BOLDITALIC", true)),
              "LiberationSerif-BoldItalic");
    EXPECT_EQ(postScriptNameOf(catalog.faceNamed("NoSuchFont", true)), "none");
}

TEST(VLFontCatalogTests, FindsTheFaceOfAFamilyAtAStyle) {
    struct Case {
        const char* family;
        bool italic;
        int weight;
        const char* postScriptName;
    };
    // Only faces of fonts-dejavu-core and fonts-liberation2, which every machine has.
    const Case cases[] = {
        {"DejaVu Sans", false, 400, "DejaVuSans"},
        {"DejaVu Sans", false, 700, "DejaVuSans-Bold"},
        {"DejaVu Sans", false, 600, "DejaVuSans-Bold"},
        {"dejavu sans", false, 400, "DejaVuSans"}, // fontconfig's comparison: case and blanks ignored
        {"Liberation Serif", true, 400, "LiberationSerif-Italic"},
        {"Liberation Serif", true, 900, "LiberationSerif-BoldItalic"},
        {"Liberation Serif", false, 450, "LiberationSerif"},
        {"Helvetica", false, 400, "LiberationSans"},
        {"Arial", true, 700, "LiberationSans-BoldItalic"},
        {"Helvetica Neue", false, 400, "LiberationSans"},
        {"Times", false, 400, "LiberationSerif"},
        {"Times New Roman", true, 400, "LiberationSerif-Italic"},
        {"Courier", false, 400, "LiberationMono"},
        {"Courier New", false, 700, "LiberationMono-Bold"},
        {"NoSuchFamily", false, 400, "none"},
        {"", false, 400, "none"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(postScriptNameOf(VLFontCatalog::shared().faceForFamily(c.family, c.italic, c.weight)),
                  c.postScriptName)
            << c.family << " " << c.italic << " " << c.weight;
}

TEST(VLFontCatalogTests, SystemFontsAreDejaVu) {
    VLFontCatalog& catalog = VLFontCatalog::shared();
    EXPECT_EQ(postScriptNameOf(catalog.systemFace(VLFontSystemUI, false, 400)), "DejaVuSans");
    EXPECT_EQ(postScriptNameOf(catalog.systemFace(VLFontSystemRounded, false, 700)), "DejaVuSans-Bold");
    EXPECT_EQ(postScriptNameOf(catalog.systemFace(VLFontSystemMonospaced, false, 400)), "DejaVuSansMono");
    EXPECT_EQ(postScriptNameOf(catalog.systemFace(VLFontSystemSerif, false, 700)), "DejaVuSerif-Bold");
    EXPECT_EQ(postScriptNameOf(catalog.systemFace("Helvetica", false, 400)), "none");
    EXPECT_EQ(postScriptNameOf(catalog.systemFace("System-UI", false, 400)), "none");
}

TEST(VLFontCatalogTests, AliasesFallBackToDejaVuWithoutLiberation) {
    const VLFontFamilyNameSet withLiberation = {"Liberation Sans", "Liberation Serif", "Liberation Mono"};
    const VLFontFamilyNameSet without = {"DejaVu Sans"};
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"Helvetica", "Liberation Sans", "DejaVu Sans"},
        {"arial", "Liberation Sans", "DejaVu Sans"},
        {"Times New Roman", "Liberation Serif", "DejaVu Serif"},
        {"Courier", "Liberation Mono", "DejaVu Sans Mono"},
    };
    for (const auto& [alias, liberation, dejaVu] : cases) {
        EXPECT_EQ(VLFontCatalog::familyForAlias(alias, withLiberation), liberation);
        EXPECT_EQ(VLFontCatalog::familyForAlias(alias, without), dejaVu);
    }
    EXPECT_EQ(VLFontCatalog::familyForAlias("Verdana", withLiberation), std::nullopt);
    EXPECT_EQ(VLFontCatalog::familyForAlias("Liberation Sans", withLiberation), std::nullopt);
}

TEST(VLFontCatalogTests, HandsOutOneDescriptorPerFace) {
    VLFontCatalog& catalog = VLFontCatalog::shared();
    VLPlatformFontDescriptorRef byFamily = catalog.faceForFamily("Liberation Mono", false, 400);
    ASSERT_TRUE(byFamily);
    EXPECT_EQ(catalog.faceForFamily("Courier", false, 400), byFamily);
    EXPECT_EQ(catalog.faceNamed("LiberationMono"), byFamily);
}

TEST(VLFontCatalogTests, FindsTheFaceThatDrawsWhatAFaceLacks) {
    VLFontCatalog& catalog = VLFontCatalog::shared();
    VLPlatformFontDescriptorRef serif = catalog.faceForFamily("Liberation Serif", false, 400);
    ASSERT_TRUE(serif);
    EXPECT_EQ(catalog.fallbackFace(*serif, U'A'), serif);
    // A chess king and an Arabic alef: Liberation has neither, DejaVu both.
    for (char32_t codePoint : {U'\u2654', U'\u0627'}) {
        ASSERT_FALSE(drawsCodePoint(*serif, codePoint));
        VLPlatformFontDescriptorRef fallback = catalog.fallbackFace(*serif, codePoint);
        ASSERT_TRUE(fallback) << uint32_t(codePoint);
        EXPECT_EQ(fallback->familyName().rfind("DejaVu", 0), 0u) << fallback->familyName();
        EXPECT_TRUE(drawsCodePoint(*fallback, codePoint));
        EXPECT_EQ(catalog.fallbackFace(*serif, codePoint), fallback);
    }
    // No installed font has CJK ideographs.
    EXPECT_EQ(catalog.fallbackFace(*serif, U'\u4E00'), nullptr);
}

TEST(VLFontCatalogTests, AnyThreadMayAsk) {
    // Each thread asks first for something the catalogue has not built yet.
    std::vector<std::thread> threads;
    std::vector<std::string> answers(8);
    for (size_t i = 0; i < answers.size(); ++i) {
        threads.emplace_back([i, &answers] {
            VLFontCatalog& catalog = VLFontCatalog::shared();
            VLPlatformFontDescriptorRef face =
                i % 2 ? catalog.faceNamed("LiberationSans-Bold") : catalog.faceForFamily("Arial", false, 700);
            VLPlatformFontDescriptorRef fallback = face ? catalog.fallbackFace(*face, U'\u2603') : nullptr;
            answers[i] = postScriptNameOf(face) + " " + (fallback ? fallback->familyName() : "none") + " " +
                         std::to_string(VLFontFamilyNames().count("Arial"));
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (const std::string& answer : answers)
        EXPECT_EQ(answer.substr(0, answer.find(' ')), "LiberationSans-Bold");
    for (const std::string& answer : answers)
        EXPECT_EQ(answer, answers[0]);
}
