#include "Modules/Canvas/Text/VLFontFaceRegistry.h"

#include "Tests/Support/VLTestFonts.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// Font data for faces that count as loaded; which font it is does not matter to matching.
const VLPlatformFontDescriptorRef& registryTestFontData() {
    static const VLPlatformFontDescriptorRef data =
        VLPlatformFontDescriptor::createWithData(VLTestFontData("inter-latin-wght-normal.woff2"));
    return data;
}

VLFontFaceRef makeRegistryFace(uint64_t identifier, const char* family, int32_t minimum, int32_t maximum,
                               int64_t style = VLFontFace::Normal, bool loaded = true) {
    auto face = std::make_shared<VLFontFace>(identifier);
    face->setFamily(family);
    face->setMinimumWeight(minimum);
    face->setMaximumWeight(maximum);
    face->setStyle(style);
    if (loaded)
        face->setFontDescriptor(registryTestFontData());
    return face;
}

// The identifier of the face the registry picks, 0 for none.
uint64_t picked(const VLFontFaceRegistry& registry, const char* family, bool italic, int32_t weight,
                bool loadedOnly = true) {
    VLFontFaceRef face = registry.faceForFamily(family, italic, weight, loadedOnly);
    return face ? face->identifier() : 0;
}

VLFontFaceRegistry registryOf(std::initializer_list<VLFontFaceRef> faces) {
    VLFontFaceRegistry registry;
    for (const VLFontFaceRef& face : faces)
        registry.addFace(face);
    return registry;
}

} // namespace

TEST(VLFontFaceRegistryTests, PicksTheNearestWeightAsCSSMatchingDoes) {
    struct Case {
        int32_t firstWeight;
        int32_t secondWeight;
        int32_t wanted;
        uint64_t expected; // 1 for the first face, 2 for the second
    };
    const Case cases[] = {
        {300, 700, 400, 1}, // 400 + 2000 − 300 = 2100 against 700 − 400 + 3000 = 3300
        {300, 700, 600, 2}, // 600 + 2000 − 300 = 2300 against 700 − 600 + 1000 = 1100
        {300, 500, 400, 2}, // a heavier face up to 500 comes first for 400 to 500
        {500, 600, 450, 1}, // 1050 against 3150
        {100, 300, 200, 1}, // lighter first below 400: 1100 against 2100
        {300, 900, 250, 1}, // both heavier: the nearer, 2050 against 2650
        {400, 800, 700, 2}, // heavier first above 500: 1100 against 2300
        {400, 400, 400, 2}, // inside both ranges: the later face
    };
    for (const Case& c : cases) {
        VLFontFaceRegistry registry =
            registryOf({makeRegistryFace(1, "Brand", c.firstWeight, c.firstWeight),
                        makeRegistryFace(2, "Brand", c.secondWeight, c.secondWeight)});
        EXPECT_EQ(picked(registry, "Brand", false, c.wanted), c.expected)
            << c.firstWeight << " " << c.secondWeight << " for " << c.wanted;
    }
}

TEST(VLFontFaceRegistryTests, AVariableFaceServesEveryWeightAndTiesGoToTheLaterFace) {
    VLFontFaceRef variable = makeRegistryFace(1, "Brand", 100, 900);
    ASSERT_TRUE(variable->hasWeightAxis());
    VLFontFaceRegistry registry = registryOf({makeRegistryFace(2, "Brand", 700, 700), variable});
    // At distance 0 from every weight it spans; at 700 it ties with the earlier 700 face and wins.
    for (int32_t weight : {100, 400, 450, 700, 900})
        EXPECT_EQ(picked(registry, "Brand", false, weight), 1u) << weight;
    registry.addFace(makeRegistryFace(3, "Brand", 700, 700));
    EXPECT_EQ(picked(registry, "Brand", false, 700), 3u); // three faces at distance 0: the last wins
    EXPECT_EQ(picked(registry, "Brand", false, 300), 1u);
}

TEST(VLFontFaceRegistryTests, TriesTheStylesInTheirOrder) {
    const VLFontFaceRef normal = makeRegistryFace(1, "Brand", 400, 400, VLFontFace::Normal);
    const VLFontFaceRef italic = makeRegistryFace(2, "Brand", 700, 700, VLFontFace::Italic);
    const VLFontFaceRef oblique = makeRegistryFace(3, "Brand", 400, 400, VLFontFace::Oblique);
    EXPECT_EQ(picked(registryOf({normal}), "Brand", true, 400), 1u); // the third pass
    EXPECT_EQ(picked(registryOf({normal, oblique}), "Brand", true, 400), 3u);
    // A style's pass decides even when another style has the better weight.
    EXPECT_EQ(picked(registryOf({normal, italic, oblique}), "Brand", true, 400), 2u);
    EXPECT_EQ(picked(registryOf({italic, oblique}), "Brand", false, 700), 3u);
    EXPECT_EQ(picked(registryOf({italic}), "Brand", false, 700), 2u);
}

TEST(VLFontFaceRegistryTests, MatchesTheFamilyIgnoringCaseAndLoadedFacesOnlyWhenAsked) {
    const VLFontFaceRef unloaded = makeRegistryFace(1, "Brand", 400, 400, VLFontFace::Normal, false);
    VLFontFaceRegistry registry = registryOf({unloaded, makeRegistryFace(2, "\xC3\x89lan", 400, 400)});
    EXPECT_EQ(picked(registry, "Brand", false, 400), 0u);
    EXPECT_EQ(picked(registry, "brand", false, 400, false), 1u);
    EXPECT_EQ(picked(registry, "\xC3\xA9LAN", false, 400), 2u);
    EXPECT_EQ(picked(registry, "Bran", false, 400, false), 0u);
    EXPECT_EQ(picked(VLFontFaceRegistry(), "Brand", false, 400, false), 0u);
}

TEST(VLFontFaceRegistryTests, TheGenerationRisesOnlyWhenUsableFacesMayHaveChanged) {
    VLFontFaceRegistry registry;
    const VLFontFaceRef loaded = makeRegistryFace(1, "Brand", 400, 400);
    const VLFontFaceRef unloaded = makeRegistryFace(2, "Brand", 400, 400, VLFontFace::Normal, false);
    const std::pair<std::function<void()>, uint64_t> steps[] = {
        {[&] { registry.removeAllFaces(); }, 0},        // nothing to remove
        {[&] { registry.addFace(unloaded); }, 0},       // not usable yet
        {[&] { registry.addFace(loaded); }, 1},         //
        {[&] { registry.addFace(loaded); }, 1},         // already there
        {[&] { registry.faceDidChange(unloaded); }, 2}, // present: it may have loaded
        {[&] { registry.removeFace(unloaded); }, 2},    // it had no data
        {[&] { registry.faceDidChange(unloaded); }, 2}, // no longer present
        {[&] { registry.removeFace(unloaded); }, 2},    // not present
        {[&] { registry.removeFace(loaded); }, 3},      //
        {[&] { registry.addFace(unloaded); }, 3},       //
        {[&] { registry.removeAllFaces(); }, 4},        // even of unloaded faces only
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        steps[i].first();
        EXPECT_EQ(registry.generation(), steps[i].second) << "step " << i;
    }
    EXPECT_TRUE(registry.faces().empty());

    registry.addFace(loaded);
    registry.addFace(unloaded);
    std::vector<VLFontFaceRef> copy = registry.faces();
    ASSERT_EQ(copy.size(), 2u);
    EXPECT_EQ(copy[0], loaded);
    copy.clear();
    EXPECT_TRUE(registry.containsFace(unloaded));
    EXPECT_EQ(registry.faces().size(), 2u);
}
