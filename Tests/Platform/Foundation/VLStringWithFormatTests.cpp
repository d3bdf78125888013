#include "Platform/Foundation/VLStringWithFormat.h"

#include <gtest/gtest.h>

TEST(VLStringWithFormat, RendersTheConversionsTheSystemUses) {
    struct Case {
        std::string expected;
        std::string actual;
    };
    const Case cases[] = {
        {"a b", VLStringWithFormat("%@ %@", "a", std::string("b"))},
        {"3 1.5 0.1", VLStringWithFormat("%@ %@ %@", 3, 1.5, 0.1)},
        {"3", VLStringWithFormat("%@", 3.0)},
        {"0.0001 1e-05 -0.00025 1000000000000000 1e+16 123456.5 0.30000000000000004",
         VLStringWithFormat("%@ %@ %@ %@ %@ %@ %@", 0.0001, 0.00001, -0.00025, 1e15, 1e16, 123456.5,
                            0.1 + 0.2)},
        {"1 0", VLStringWithFormat("%@ %@", true, false)},
        {"(null) <null>", VLStringWithFormat("%@ %@", VLValue(), VLValue::null())},
        {"-7 7 18446744073709551615", VLStringWithFormat("%ld %lu %llu", -7L, 7UL, ~0ULL)},
        {"42 1e+20 0.5", VLStringWithFormat("%d %g %g", 42, 1e20, 0.5)},
        {"2.5 100%", VLStringWithFormat("%.1f %d%%", 2.46, 100)},
        {"text 00FF ff", VLStringWithFormat("%s %04X %x", "text", 255, 255)},
        {"x", VLStringWithFormat("%c", 'x')},
        {"missing (null) 0", VLStringWithFormat("missing %@ %d")},
        {"set for a b 7 %{other}s",
         VLStringWithFormat("%{public}s for %{private}@ %{public}s %{public}ld %{other}s", "set", "a",
                            std::string("b"), 7L)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, c.actual);
}

TEST(VLStringWithFormat, DescribesContainers) {
    VLValue array = VLValue(VLArray{1, "two words", VLValue(VLDictionary{{"k", true}})});
    EXPECT_EQ("(\n    1,\n    \"two words\",\n    {\n        k = 1;\n    }\n)",
              VLStringWithFormat("%@", array));
}
