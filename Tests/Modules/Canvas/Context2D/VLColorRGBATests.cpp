#include "Modules/Canvas/Context2D/VLColorRGBA.h"
#include "Modules/Canvas/Context2D/VLColorRGBAJSValue.h"
#include "Modules/Canvas/Context2D/VLNamedColors.h"
#include "Modules/Window/Style/VLColorUtils.h"
#include "Tests/Support/VLJSTestContext.h"
#include "Tests/Support/VLTemporaryDirectory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <locale.h>
#include <optional>
#include <string>
#include <utility>

namespace {

using Expected = std::optional<VLColorRGBA>;

struct ColorCase {
    std::string text;
    Expected expected;
};

constexpr VLColorRGBA kMarker(1, 2, 3, 4);

std::string describe(Expected color) {
    if (!color)
        return "failure";
    char text[40];
    std::snprintf(text, sizeof text, "(%d, %d, %d, %d)", color->red, color->green, color->blue, color->alpha);
    return text;
}

// What the parser makes of the text; a failure must leave the output as it was.
Expected parse(const std::string& text) {
    VLColorRGBA color = kMarker;
    if (VLUTF8StringGetColorRGBA(text, &color))
        return color;
    EXPECT_EQ(color, kMarker) << "a failure wrote the output for " << text;
    return std::nullopt;
}

const std::vector<ColorCase>& colorCases() {
    static const std::vector<ColorCase> cases = {
        // Hexadecimal forms.
        {" \t#FFF\n ", VLColorRGBA(255, 255, 255, 255)},
        {"#ff000080", VLColorRGBA(255, 0, 0, 128)},
        {"#1234", VLColorRGBA(0x11, 0x22, 0x33, 0x44)},
        {"#0a0B0c", VLColorRGBA(10, 11, 12, 255)},
        {"#12", std::nullopt},
        {"#1234567", std::nullopt},
        {"#ggg", std::nullopt},
        {"#", std::nullopt},
        // rgb() and rgba(), comma syntax.
        {"RGB(255, 0, 0)", VLColorRGBA(255, 0, 0, 255)},
        {"rgb (255,0,0)", std::nullopt},
        {"rgba(255, 0, 0)", VLColorRGBA(255, 0, 0, 255)},
        {"rgb(255, 0, 0, 0.5)", VLColorRGBA(255, 0, 0, 128)},
        {"rgb(100%, 50%, 0%)", VLColorRGBA(255, 128, 0, 255)},
        {"rgb(300, -5, 0)", VLColorRGBA(255, 0, 0, 255)},
        {"rgb(0.5, 1.5, 2.49, 200%)", VLColorRGBA(1, 2, 2, 255)},
        {"rgb(0x10, 1e1, 0, -1)", VLColorRGBA(16, 10, 0, 0)},
        {"rgb(10px, 0, 0)", std::nullopt},
        {"rgb(0, 0, 0, 1px)", std::nullopt},
        {"rgb(255,0,0,)", std::nullopt},
        {"rgb(1, 2, 3, 4, 5)", std::nullopt},
        {"rgb(1, 2)", std::nullopt},
        {"rgb()", std::nullopt},
        {"rgb(inf, 0, 0)", std::nullopt},
        {"rgb(nan, 0, 0)", std::nullopt},
        {"rgb(1e999, 0, 0)", std::nullopt},
        {"rgb(1, 2, 3", std::nullopt},
        // Space syntax.
        {"rgb(255 0 0 / 50%)", VLColorRGBA(255, 0, 0, 128)},
        {"rgba( 0 128 255 )", VLColorRGBA(0, 128, 255, 255)},
        {"rgb(255 0 0 0.5)", std::nullopt},
        {"rgb(255, 0 0)", std::nullopt},
        {"rgb(255 / 0 0)", std::nullopt},
        {"rgb(255 0 0 /)", std::nullopt},
        // hsl() and hsla().
        {"hsl(0.5turn, 100%, 50%)", VLColorRGBA(0, 255, 255, 255)},
        {"hsl(-120, 100%, 50%)", VLColorRGBA(0, 0, 255, 255)},
        {"hsl(240, 100%, 50%)", VLColorRGBA(0, 0, 255, 255)},
        {"hsl(120, 50, 50)", VLColorRGBA(64, 191, 64, 255)},
        {"hsl(120, 50%, 50%)", VLColorRGBA(64, 191, 64, 255)},
        {"hsl(3.14159265358979rad, 100%, 50%)", VLColorRGBA(0, 255, 255, 255)},
        {"hsl(400grad, 100%, 50%)", VLColorRGBA(255, 0, 0, 255)},
        {"hsl(60deg 100% 50% / 0.25)", VLColorRGBA(255, 255, 0, 64)},
        {"hsla(0, 0%, 100%, 0)", VLColorRGBA(255, 255, 255, 0)},
        {"hsl(50%, 100%, 50%)", std::nullopt},
        {"hsl(1foo, 100%, 50%)", std::nullopt},
        {"hsl(0, 100px, 50%)", std::nullopt},
        {"hsl(0, 100%)", std::nullopt},
        // Units of 7 letters and of more, which the reader stops at.
        {"hsl(1abcdefg, 100%, 50%)", std::nullopt},
        {"hsl(1abcdefgh, 100%, 50%)", std::nullopt},
        // Named colours.
        {"transparent", VLColorRGBA(0, 0, 0, 0)},
        {"RebeccaPurple", VLColorRGBA(0x66, 0x33, 0x99, 255)},
        {" aliceblue ", VLColorRGBA(0xf0, 0xf8, 0xff, 255)},
        {"yellowgreen", VLColorRGBA(0x9a, 0xcd, 0x32, 255)},
        {"currentcolor", std::nullopt},
        {"none", std::nullopt},
        {"red blue", std::nullopt},
        // Empty, blank and odd bytes.
        {"", std::nullopt},
        {" \t\v\f\r\n", std::nullopt},
        {std::string("red\0", 4), std::nullopt},
        {std::string("rgb(1,2,3\0)", 11), std::nullopt},
        {"r\xc3\xa9"
         "d",
         std::nullopt},
        {"\xff\xfe", std::nullopt},
    };
    return cases;
}

void expectColorCases() {
    for (const ColorCase& c : colorCases())
        EXPECT_EQ(describe(parse(c.text)), describe(c.expected)) << "text: " << c.text;
}

TEST(VLColorRGBATests, TextsParseToTheirColorsOrFail) {
    expectColorCases();
}

TEST(VLColorRGBATests, TextsOf127BytesAreExaminedAnd128AreRefused) {
    const std::string padded = "rgb(" + std::string(127 - 10, ' ') + "1,2,3)";
    ASSERT_EQ(padded.size(), 127u);
    EXPECT_EQ(describe(parse(padded)), describe(VLColorRGBA(1, 2, 3, 255)));
    EXPECT_EQ(describe(parse(" \n" + padded + "\t ")), describe(VLColorRGBA(1, 2, 3, 255)));
    EXPECT_EQ(parse("rgb( " + padded.substr(4)), std::nullopt);
}

TEST(VLColorRGBATests, ANullOutputIsRefused) {
    EXPECT_FALSE(VLUTF8StringGetColorRGBA("red", nullptr));
}

// A process locale whose decimal separator is a comma, compiled from a one-category definition.
class DecimalCommaLocale {
public:
    DecimalCommaLocale() {
        std::ofstream(_directory / "source") << "LC_NUMERIC\ndecimal_point \",\"\nthousands_sep \".\"\n"
                                                "grouping 3;3\nEND LC_NUMERIC\n";
        const std::string command = "localedef -c -i '" + (_directory / "source").string() +
                                    "' -f ANSI_X3.4-1968 '" + (_directory / "decimalcomma").string() +
                                    "' >/dev/null 2>&1";
        // localedef warns of the categories left out and answers 1 when it still wrote the locale.
        const int status = std::system(command.c_str());
        (void)status;
        setenv("LOCPATH", _directory.path().c_str(), 1);
        _locale = newlocale(LC_NUMERIC_MASK, "decimalcomma", locale_t(0));
        unsetenv("LOCPATH");
    }
    ~DecimalCommaLocale() {
        if (_locale)
            freelocale(_locale);
    }
    locale_t get() const { return _locale; }

private:
    VLTemporaryDirectory _directory;
    locale_t _locale = locale_t(0);
};

TEST(VLColorRGBATests, TheSameResultsUnderADecimalCommaLocale) {
    const DecimalCommaLocale commaLocale;
    ASSERT_NE(commaLocale.get(), locale_t(0)) << "localedef could not make the locale";
    const locale_t previous = uselocale(commaLocale.get());
    ASSERT_EQ(strtod("0.5", nullptr), 0) << "the locale does not read a decimal point";
    expectColorCases();
    uselocale(previous);
}

TEST(VLColorRGBATests, TheNamedTableHoldsItsColorsInByteOrder) {
    const std::span<const VLNamedColor> table = VLNamedColors();
    EXPECT_EQ(table.size(), 149u);
    for (size_t i = 1; i < table.size(); ++i)
        EXPECT_LT(VLNamedColorCompare(table[i - 1].name, table[i].name), 0) << table[i].name;
    // Every name is found, and agrees with the component parser's table wherever that has the name.
    for (const VLNamedColor& entry : table) {
        EXPECT_EQ(VLNamedColorLookup(entry.name), &entry) << entry.name;
        const std::string hex = VLColorUtils::hexColorStringWithName(entry.name);
        if (hex == entry.name)
            continue;
        VLColorRGBA fromHex;
        ASSERT_TRUE(VLUTF8StringGetColorRGBA(hex, &fromHex)) << hex;
        EXPECT_EQ(describe(fromHex), describe(entry.color)) << entry.name;
    }
    EXPECT_EQ(VLNamedColorLookup("Red"), nullptr);
    EXPECT_EQ(VLNamedColorLookup(""), nullptr);
    EXPECT_EQ(VLNamedColorLookup("zzz"), nullptr);
}

TEST(VLColorRGBATests, HueChannelsFollowTheirSixSegments) {
    // Rising, high, falling, low; a hue outside 0...1 is shifted once.
    for (const auto& [t, expected] :
         {std::pair{0.1, 0.6}, {0.4, 1.0}, {0.6, 0.4}, {0.8, 0.0}, {-0.9, 0.6}, {1.1, 0.6}})
        EXPECT_NEAR(VLHueToRGB(0, 1, t), expected, 1e-12) << t;
}

TEST(VLColorRGBATests, ScriptValuesAreStringsOrRefused) {
    VLJSTestContext context;
    VLColorRGBA color = kMarker;
    EXPECT_TRUE(VLJSValueGetColorRGBA(context, context.evaluate("' #ff000080 '"), &color));
    EXPECT_EQ(color, VLColorRGBA(255, 0, 0, 128));
    // Neither a number nor an object is converted: the object's toString would name a colour.
    for (const char* script : {"0xff0000", "({toString() { globalThis.touched = true; return 'red'; }})",
                               "['red']", "null", "undefined", "'notacolor'"}) {
        color = kMarker;
        EXPECT_FALSE(VLJSValueGetColorRGBA(context, context.evaluate(script), &color)) << script;
        EXPECT_EQ(color, kMarker) << script;
    }
    EXPECT_FALSE(VLJSValueGetColorRGBA(context, nullptr, &color));
    EXPECT_TRUE(JSValueToBoolean(context, context.evaluate("globalThis.touched === undefined")));
}

TEST(VLColorRGBATests, ColorsFormatAsRGBATextWithThreeDecimals) {
    VLJSTestContext context;
    const auto text = [&](VLColorRGBA color) {
        return context.call("(function (v) { return v; })", VLColorRGBAToJSValue(context, color));
    };
    EXPECT_EQ(text(VLColorRGBA(255, 0, 0, 128)), VLValue("rgba(255,0,0,0.502)"));
    EXPECT_EQ(text(VLColorRGBA(255, 0, 0, 255)), VLValue("rgba(255,0,0,1.000)"));
    EXPECT_EQ(text(VLColorRGBA(1, 2, 3, 0)), VLValue("rgba(1,2,3,0.000)"));
}

} // namespace
