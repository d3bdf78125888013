#include "Platform/Foundation/VLScanner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(VLScanner, ScansNumbersAtTheFront) {
    struct DoubleCase {
        const char* text;
        bool found;
        double value;
        size_t location;
    };
    for (const DoubleCase& c : std::initializer_list<DoubleCase>{
             {" \n+.5x", true, 0.5, 5},
             {"-2e3", true, -2000, 4},
             {"7e", true, 7, 1},
             {"7e+x", true, 7, 1},
             {"1e999", true, HUGE_VAL, 5},
             {"-", false, 0, 0},
             {".", false, 0, 0},
             {"inf", false, 0, 0},
         }) {
        VLScanner scanner(c.text);
        double value = 0;
        EXPECT_EQ(c.found, scanner.scanDouble(value)) << c.text;
        EXPECT_EQ(c.value, value) << c.text;
        EXPECT_EQ(c.location, scanner.location()) << c.text;
    }

    struct IntegerCase {
        const char* text;
        bool found;
        int64_t value;
    };
    for (const IntegerCase& c : std::initializer_list<IntegerCase>{
             {"-9223372036854775808", true, std::numeric_limits<int64_t>::min()},
             {"9223372036854775808", true, std::numeric_limits<int64_t>::max()},
             {"-99999999999999999999", true, std::numeric_limits<int64_t>::min()},
             {"+12px", true, 12},
             {"- 1", false, 0},
         }) {
        int64_t value = 0;
        EXPECT_EQ(c.found, VLScanner(c.text).scanInteger(value)) << c.text;
        EXPECT_EQ(c.value, value) << c.text;
    }

    uint64_t unsignedValue = 0;
    EXPECT_TRUE(VLScanner("18446744073709551616").scanUnsignedLongLong(unsignedValue));
    EXPECT_EQ(std::numeric_limits<uint64_t>::max(), unsignedValue);
    EXPECT_FALSE(VLScanner("-1").scanUnsignedLongLong(unsignedValue));

    VLScanner trailing("3 \t\n");
    int64_t three = 0;
    EXPECT_TRUE(trailing.scanInteger(three));
    EXPECT_TRUE(trailing.isAtEnd());
    EXPECT_FALSE(VLScanner("3 x").isAtEnd());
}
