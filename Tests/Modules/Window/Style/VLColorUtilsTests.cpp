#include "Modules/Window/Style/VLColorUtils.h"
#include "Tests/Support/VLColorPrinter.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

VLColor rgba(double red, double green, double blue, double alpha = 1) {
    return {red, green, blue, alpha};
}

struct ColorCase {
    std::string text;
    std::optional<VLColor> color;
};

void expectColors(std::initializer_list<ColorCase> cases) {
    for (const ColorCase& c : cases)
        EXPECT_EQ(VLColorUtils::colorWithString(c.text), c.color) << "\"" << c.text << "\"";
}

TEST(VLColorUtils, NamesOfThePlatformWinInAnyCaseAndCSSNamesOnlyInLowerCase) {
    expectColors({
        {"RED", VLColor::redColor()},
        {"Red", VLColor::redColor()},
        {"brown", VLColor::brownColor()}, // the platform's brown, not CSS brown
        {"gray", VLColor::grayColor()},
        {"lightGray", VLColor::lightGrayColor()},
        {"DarkGray", VLColor::darkGrayColor()},
        {"transparent", VLColor::clearColor()},
        {"Clear", VLColor::clearColor()},
        {"white", VLColor::whiteColor()},
        {"black", VLColor::blackColor()},
        {"yellow", VLColor::yellowColor()},
        {"blue", VLColor::blueColor()},
        {"cyan", VLColor::cyanColor()},
        {"magenta", VLColor::magentaColor()},
        {"orange", VLColor::orangeColor()},
        {"purple", VLColor::purpleColor()},
        {"green", rgba(0, 128 / 255.0, 0)},
        {"grey", rgba(128 / 255.0, 128 / 255.0, 128 / 255.0)},
        {"aliceblue", rgba(240 / 255.0, 248 / 255.0, 1)},
        {"yellowgreen", rgba(154 / 255.0, 205 / 255.0, 50 / 255.0)},
        {"AliceBlue", std::nullopt},
        {"Green", std::nullopt},
    });
    EXPECT_EQ(VLColorUtils::hexColorStringWithName("rebeccapurple"), "#663399");
    EXPECT_EQ(VLColorUtils::hexColorStringWithName("Rebeccapurple"), "Rebeccapurple");
}

TEST(VLColorUtils, HexadecimalTextsAtEveryAcceptedLengthAndPrefix) {
    const VLColor orange = rgba(1, 10 / 15.0, 0);
    expectColors({
        {"#fa0", orange},
        {"fa0", orange},
        {"0xfa0", orange},
        {"0XFA0", orange},
        {"#ffaa00", orange},
        {" \n#ffaa00\t", orange},
        {"#fa08", rgba(1, 10 / 15.0, 0, 8 / 15.0)},
        {"#ffaa0080", rgba(1, 10 / 15.0, 0, 128 / 255.0)},
        {"abc", rgba(10 / 15.0, 11 / 15.0, 12 / 15.0)},
        {"#ffaa0", std::nullopt},
        {"#ffaa008", std::nullopt},
        {"#ggg", std::nullopt},
        {"##fa0", std::nullopt},
        {"0x#fa0", std::nullopt},
        {"#f a0", std::nullopt},
    });
    EXPECT_TRUE(VLColorUtils::validateColorWithHexString("#ggg")); // the digits are not checked there
    EXPECT_FALSE(VLColorUtils::validateColorWithHexString("#ab"));
    // Two characters, four bytes: too short, as the text's length is counted in characters.
    EXPECT_FALSE(VLColorUtils::validateColorWithHexString("\xC3\xA9\xC3\xA9"));
    EXPECT_EQ(VLColorUtils::colorWithHexString("red"), VLColor::redColor());
}

TEST(VLColorUtils, FunctionalFormsClampAndTakePercentages) {
    expectColors({
        {"rgb(255, 0, 0, 0.5)", rgba(1, 0, 0, 0.5)},
        {"rgba(100%, 0%, 0%)", rgba(1, 0, 0)},
        {"rgb(300, -5, 0)", rgba(1, 0, 0)},
        {"rgb(50%, 100%, 0, 50%)", rgba(0.5, 1, 0, 0.5)},
        {"rgba(0,0,0,2)", rgba(0, 0, 0, 1)},
        {"rgb(1,2,3) ", rgba(1 / 255.0, 2 / 255.0, 3 / 255.0)},
        {"rgb( 51 , +102 , 1e2 )", rgba(0.2, 0.4, 100 / 255.0)},
        {"rgb(1,2,3)\n", rgba(1 / 255.0, 2 / 255.0, 3 / 255.0)},
        {"rgb(0,0,0,50 %)", rgba(0, 0, 0, 0.5)},
    });
}

TEST(VLColorUtils, RejectsWhatIsNoColor) {
    expectColors({
        {"", std::nullopt},
        {"ab", std::nullopt},
        {" rgb(1,2,3)", std::nullopt}, // the prefix is tested on the untouched text
        {"RGB(1,2,3)", std::nullopt},
        {"rgb(1,2)", std::nullopt},
        {"rgb(1,2,x)", std::nullopt},
        {"rgb(1,2,3,4,5)", std::nullopt},
        {"rgb(1,,3)", std::nullopt},
        {"rgb(1,2,3", std::nullopt},
        {"rgb(1,2,3)x", std::nullopt},
        {"rgb(inf,0,0)", std::nullopt},
        {"rgb(nan,0,0)", std::nullopt},
        {"rgb(1e999,0,0)", std::nullopt},
        {"rgb(0x1p4,0,0)", std::nullopt},
        {"rgb(1px,0,0)", std::nullopt},
        {"hsl(0, 100%, 50%)", std::nullopt},
        {"not a colour", std::nullopt},
    });
    EXPECT_EQ(VLColorUtils::colorWithString("nope", VLColor::whiteColor()), VLColor::whiteColor());
    EXPECT_EQ(VLColorUtils::colorWithRGBAString("rgb(1,2,3)"), std::nullopt);
}

TEST(VLColorUtils, CachedTextsGiveTheSameColorAgain) {
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(VLColorUtils::colorWithString("#00ff00"), rgba(0, 1, 0));
        EXPECT_EQ(VLColorUtils::colorWithString("#00FF00"), rgba(0, 1, 0));
    }
}

TEST(VLColorUtils, NumbersAreOpaqueRGB) {
    EXPECT_EQ(VLColorUtils::colorWithNumber(0xFF0000), VLColor::redColor());
    EXPECT_EQ(VLColorUtils::colorWithNumber(0x1FF8000), rgba(1, 128 / 255.0, 0));
    EXPECT_EQ(VLColorUtils::colorWithNumber(0), VLColor::blackColor());
}

} // namespace
