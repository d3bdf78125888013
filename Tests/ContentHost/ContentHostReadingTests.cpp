#include "ContentHost/ContentHostOp.h"
#include "ContentHost/ContentHostReading.h"
#include "Tests/Support/VLValuePrinter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(ContentHostReading, ReadsNumbersAsTheirKindAllows) {
    struct Case {
        VLValue value;
        std::optional<int64_t> integer;
        std::optional<double> number;
        std::optional<bool> boolean;
    };
    const double infinity = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {7, 7, 7.0, true},
        {0, 0, 0.0, false},
        {true, 1, 1.0, true},
        {false, 0, 0.0, false},
        {-2.9, -2, -2.9, true},
        {0.0, 0, 0.0, false},
        {9.2e18, int64_t(9.2e18), 9.2e18, true},
        {9.3e18, std::nullopt, 9.3e18, true},
        {-9223372036854775808.0, std::numeric_limits<int64_t>::min(), -9223372036854775808.0, true},
        {infinity, std::nullopt, infinity, true},
        {"7", std::nullopt, std::nullopt, std::nullopt},
        {VLValue::null(), std::nullopt, std::nullopt, std::nullopt},
        {VLValue(), std::nullopt, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.integer, ContentHostReading::integer(c.value)) << testing::PrintToString(c.value);
        EXPECT_EQ(c.number, ContentHostReading::number(c.value)) << testing::PrintToString(c.value);
        EXPECT_EQ(c.boolean, ContentHostReading::boolean(c.value)) << testing::PrintToString(c.value);
    }
    EXPECT_FALSE(ContentHostReading::integer(std::nan("")));
}

TEST(ContentHostReading, ReadsAListOnlyWhenEveryElementReads) {
    EXPECT_EQ((std::vector<int64_t>{1, 0, 3}), ContentHostReading::integers(VLArray{1, false, 3.5}));
    EXPECT_EQ(std::vector<int64_t>{}, ContentHostReading::integers(VLArray{}));
    EXPECT_FALSE(ContentHostReading::integers(VLArray{1, "2"}));
    EXPECT_FALSE(ContentHostReading::integers(VLValue(1)));
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), ContentHostReading::texts(VLArray{"a", "b"}));
    EXPECT_FALSE(ContentHostReading::texts(VLArray{"a", 1}));
}

TEST(ContentHostReading, TakesGeometryOnlyWithinItsRules) {
    struct Case {
        VLArray array;
        bool size;
        bool point;
        bool rect;
    };
    const double infinity = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {{0, 0}, true, true, false},
        {{300, 200.5}, true, true, false},
        {{-1, 5}, false, true, false},
        {{-20000, 10}, false, true, false},
        {{1e7, 0}, false, false, false},
        {{1000000, -1000000}, false, true, false},
        {{1000000.5, 0}, false, false, false},
        {{infinity, 0}, false, false, false},
        {{1, 2, 3}, false, false, false},
        {{1, "2"}, false, false, false},
        {{-5, -5, 10, 20}, false, false, true},
        {{0, 0, -1, 20}, false, false, false},
        {{0, 0, 10, 2e6}, false, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.size, ContentHostReading::size(c.array).has_value())
            << testing::PrintToString(VLValue(c.array));
        EXPECT_EQ(c.point, ContentHostReading::point(c.array).has_value())
            << testing::PrintToString(VLValue(c.array));
        EXPECT_EQ(c.rect, ContentHostReading::rect(c.array).has_value())
            << testing::PrintToString(VLValue(c.array));
    }
    const VLRect rect = *ContentHostReading::rect(VLArray{-5, -5, 10, 20});
    EXPECT_EQ(VLValue(VLArray{-5.0, -5.0, 10.0, 20.0}), ContentHostReading::value(rect));
    EXPECT_EQ(VLValue(VLArray{1.0, 2.0, 3.0, 4.0}), ContentHostReading::value(VLEdgeInsets{1, 2, 3, 4}));
}

TEST(ContentHostOp, NamesEveryKindAndNothingElse) {
    for (int i = 0; i <= int(ContentHostOp::Reply); ++i)
        EXPECT_EQ(ContentHostOp(i), ContentHostOpFromName(ContentHostOpName(ContentHostOp(i))));
    EXPECT_EQ("applySyncStorage", ContentHostOpName(ContentHostOp::ApplySyncStorage));
    EXPECT_EQ(ContentHostOp::WidgetResizeEnded, ContentHostOpFromName("widgetResizeEnded"));
    EXPECT_FALSE(ContentHostOpFromName("Launch"));
    EXPECT_FALSE(ContentHostOpFromName(""));
}
