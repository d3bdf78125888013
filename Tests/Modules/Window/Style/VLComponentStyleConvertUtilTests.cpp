#include "Modules/Window/Style/VLComponentStyle.h"
#include "Modules/Window/Style/VLComponentStyleConvertUtil.h"
#include "Tests/Support/VLColorPrinter.h"
#include "Tests/Support/VLLogCapture.h"
#include "Tests/Support/VLValuePrinter.h"
#include "Tests/Support/VLYGValuePrinter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

TEST(VLComponentStyle, NamesAreTheLonghandStyleNames) {
    const auto& names = VLComponentStyleNames();
    EXPECT_EQ(names.size(), 46u);
    for (const char* name :
         {"position", "boxSizing", "marginStart", "paddingEnd", "rowGap", "imageRendering"})
        EXPECT_TRUE(names.contains(name)) << name;
    for (const char* name : {"margin", "padding", "border", "color", "flex-direction", "Width"})
        EXPECT_FALSE(names.contains(name)) << name;
}

TEST(VLComponentStyle, NumbersFromStringsMustFillTheWholeText) {
    for (const char* text : {"1.5", " -1.5e1\n", "+.5"})
        EXPECT_TRUE(VLComponentStyleConvertUtil::checkStringIsRealNum(text)) << text;
    for (const char* text : {"", "1.5px", "1 2", "0x10", "0x1p3", "inf", "nan", "px"})
        EXPECT_FALSE(VLComponentStyleConvertUtil::checkStringIsRealNum(text)) << text;
    EXPECT_EQ(VLComponentStyleNumberFromString(" -15e-1 "), -1.5);
}

TEST(VLComponentStyleConvertUtil, NumbersAndLengths) {
    struct Case {
        VLValue value;
        double flex;
        YGValue length;
    };
    const YGValue undefined = YGValueUndefined;
    const std::vector<Case> cases = {
        {2, 2, {2, YGUnitPoint}},
        {-1.5, -1.5, {-1.5, YGUnitPoint}},
        {"2px", 2, {2, YGUnitPoint}},
        {" 2 ", 2, {2, YGUnitPoint}},
        {"50%", kNaN, {50, YGUnitPercent}},
        {" 12.5 %", kNaN, {12.5, YGUnitPercent}},
        {"2em", kNaN, undefined},
        {"2pxpx", kNaN, undefined},
        {"px", kNaN, undefined},
        {"%", kNaN, undefined},
        {"x%", kNaN, undefined},
        {"auto", kNaN, undefined},
        {"", kNaN, undefined},
        {kNaN, kNaN, undefined},
        {kInfinity, kInfinity, undefined},
        {1e39, 1e39, undefined}, // no float holds it
        {"1e39%", kNaN, undefined},
        {true, kNaN, undefined},
        {VLValue::null(), kNaN, undefined},
        {VLValue(), kNaN, undefined},
        {VLArray{1}, kNaN, undefined},
    };
    for (const Case& c : cases) {
        const double flex = VLComponentStyleConvertUtil::flexCGFloat(c.value);
        EXPECT_TRUE(flex == c.flex || (std::isnan(flex) && std::isnan(c.flex))) << c.value.description();
        EXPECT_EQ(VLComponentStyleConvertUtil::toYGValue(c.value), c.length) << c.value.description();
    }
}

TEST(VLComponentStyleConvertUtil, TypedReadsFollowTheKeyValueRules) {
    EXPECT_EQ(VLComponentStyleConvertUtil::doubleValue("50%"), 0.5);
    EXPECT_EQ(VLComponentStyleConvertUtil::doubleValue("12px"), 0);
    EXPECT_EQ(VLComponentStyleConvertUtil::doubleValue(VLValue()), 0);
    EXPECT_EQ(VLComponentStyleConvertUtil::floatValue(1e300), std::numeric_limits<float>::infinity());
    EXPECT_EQ(VLComponentStyleConvertUtil::integerValue("12px"), 12);
    EXPECT_EQ(VLComponentStyleConvertUtil::intValue(int64_t(1) << 40 | 5), 5);
    EXPECT_EQ(VLComponentStyleConvertUtil::unsignedIntegerValue(-1), UINT64_MAX);
    EXPECT_TRUE(VLComponentStyleConvertUtil::boolValue("false"));
    EXPECT_FALSE(VLComponentStyleConvertUtil::boolValue(0));
    EXPECT_FALSE(VLComponentStyleConvertUtil::boolValue(VLValue::null()));
}

TEST(VLComponentStyleConvertUtil, StringsLogWhatTheyCannotShow) {
    VLLogCapture log(0);
    EXPECT_EQ(VLComponentStyleConvertUtil::stringValue("row"), "row");
    EXPECT_EQ(VLComponentStyleConvertUtil::stringValue(3), "3");
    EXPECT_EQ(VLComponentStyleConvertUtil::stringValue(1.5), "1.5");
    EXPECT_EQ(VLComponentStyleConvertUtil::stringValue(kNaN), "nan");
    EXPECT_EQ(VLComponentStyleConvertUtil::stringValue(-kInfinity), "-inf");
    EXPECT_EQ(VLComponentStyleConvertUtil::stringValue(VLValue()), std::nullopt);
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(VLComponentStyleConvertUtil::stringValue(VLValue::null()), std::nullopt);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"Convert Error:<null> can not be converted to string"});
}

TEST(VLComponentStyleConvertUtil, Colors) {
    struct Case {
        VLValue value;
        std::optional<VLColor> color;
    };
    const std::vector<Case> cases = {
        {VLValue(), std::nullopt},
        {"red", VLColor::redColor()},
        {"#00f", VLColor::blueColor()},
        {"nonsense", std::nullopt},
        {16711680, VLColor::redColor()},
        {255.9, VLColor::blueColor()},
        {-1, VLColor::whiteColor()},
        {kNaN, std::nullopt},
        {kInfinity, std::nullopt},
        {true, VLColor::whiteColor()},
        {VLValue::null(), VLColor::whiteColor()},
        {VLArray{1}, VLColor::whiteColor()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VLComponentStyleConvertUtil::colorValue(c.value), c.color) << c.value.description();
}

} // namespace
