#include "Platform/Foundation/VLJSONSerialization.h"
#include "Platform/Foundation/VLUnicode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

VLValue read(std::string_view text, VLErrorRef* error = nullptr, bool fragmentsAllowed = true) {
    VLJSONReadingOptions options;
    options.fragmentsAllowed = fragmentsAllowed;
    return VLJSONSerialization::JSONObjectWithData(text, options, error);
}

std::optional<std::string> write(const VLValue& value, VLErrorRef* error = nullptr,
                                 bool fragmentsAllowed = true) {
    VLJSONWritingOptions options;
    options.fragmentsAllowed = fragmentsAllowed;
    return VLJSONSerialization::dataWithJSONObject(value, options, error);
}

std::string nested(size_t depth) {
    return std::string(depth, '[') + std::string(depth, ']');
}

} // namespace

TEST(VLJSONSerialization, ReadsNumbersByKindAndKeepsKeyOrder) {
    VLValue value = read(R"({"z":1,"a":[true,false,null,1.5,-2,1.0,1e2,"x"],"m":{},"z":2})");
    ASSERT_TRUE(value.isDictionary());
    const auto& entries = value.dictionaryValue().entries();
    ASSERT_EQ(3u, entries.size());
    EXPECT_EQ("z", entries[0].first); // a repeated key keeps its first place and its last value
    EXPECT_EQ("a", entries[1].first);
    EXPECT_EQ("m", entries[2].first);
    EXPECT_EQ(VLValue(2), value["z"]);

    const VLValue& array = value["a"];
    EXPECT_TRUE(array[0].isBool() && array[0].boolValue());
    EXPECT_TRUE(array[1].isBool() && !array[1].boolValue());
    EXPECT_TRUE(array[2].isNull());
    EXPECT_TRUE(array[3].isDouble());
    EXPECT_TRUE(array[4].isInteger());
    EXPECT_EQ(-2, array[4].integerValue());
    EXPECT_TRUE(array[5].isDouble());
    EXPECT_TRUE(array[6].isDouble());
    EXPECT_EQ("x", array[7].stringValue());
}

TEST(VLJSONSerialization, ReadsIntegersAtTheLimitsAndLargerOnesAsDoubles) {
    VLValue max = read("9223372036854775807");
    EXPECT_TRUE(max.isInteger());
    EXPECT_EQ(std::numeric_limits<int64_t>::max(), max.integerValue());
    VLValue min = read("-9223372036854775808");
    EXPECT_TRUE(min.isInteger());
    EXPECT_EQ(std::numeric_limits<int64_t>::min(), min.integerValue());
    VLValue above = read("9223372036854775808");
    EXPECT_TRUE(above.isDouble());
    EXPECT_EQ(9223372036854775808.0, above.doubleValue());
    EXPECT_TRUE(read("123456789012345678901234567890").isDouble());
}

TEST(VLJSONSerialization, ReadsEscapesAndByteOrderMark) {
    EXPECT_EQ(VLValue("\xC3\xA9\xF0\x9F\x98\x80/\n\"\\"), read(R"("\u00e9\ud83d\ude00\/\n\"\\")"));
    EXPECT_EQ(VLValue(VLArray{1}), read("\xEF\xBB\xBF [1] \n"));
    EXPECT_EQ(VLValue("\xF4\x8F\xBF\xBF"), read("\"\xF4\x8F\xBF\xBF\"")); // U+10FFFF, the last one
    EXPECT_EQ(std::string("a\0b", 3), read(R"("a\u0000b")").stringValue());
}

TEST(VLJSONSerialization, RefusesBadInputWithAnErrorThatSaysWhy) {
    struct Case {
        std::string text;
        bool fragmentsAllowed;
        std::string descriptionPart;
    };
    const Case cases[] = {
        {"[\"\xFF\"]", true, "not valid UTF-8 (at byte 2)"},
        {"[\"\xC0\xAF\"]", true, "not valid UTF-8"},         // overlong '/'
        {"[\"\xED\xA0\x80\"]", true, "not valid UTF-8"},     // encoded surrogate
        {"[\"\xE2\x82\"]", true, "not valid UTF-8"},         // cut short
        {"[\"\xF4\x90\x80\x80\"]", true, "not valid UTF-8"}, // above U+10FFFF
        {"[1,]", true, "not valid"},
        {"[1] x", true, "not valid"},
        {"{} {}", true, "not valid"},
        {"", true, "not valid"},
        {"  ", true, "not valid"},
        {"[NaN]", true, "not valid"},
        {"[1e400]", true, "not valid"},
        {R"(["\ud800"])", true, "not valid"},
        {"{\"a\" 1}", true, "not valid"},
        {std::string("[1]\0[2]", 7), true, "NUL byte (at byte 3)"},
        {std::string("{}\0", 3), true, "NUL byte"},
        {"3", false, "neither an array nor an object"},
        {"\"text\"", false, "neither an array nor an object"},
        {"null", false, "neither an array nor an object"},
        {nested(513), true, "deeper than 512 levels"},
        {nested(1000000), true, "deeper than 512 levels"},
        {std::string(1000000, '['), true, "deeper than 512 levels"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 20));
        VLErrorRef error;
        EXPECT_TRUE(read(c.text, &error, c.fragmentsAllowed).isNil());
        ASSERT_TRUE(error);
        EXPECT_EQ(VLCocoaErrorDomain, error->domain());
        EXPECT_EQ(3840, error->code());
        EXPECT_NE(std::string::npos, error->localizedDescription().find(c.descriptionPart))
            << error->localizedDescription();
        EXPECT_TRUE(read(c.text, nullptr, c.fragmentsAllowed).isNil());
    }

    // The parser quotes the token it stopped in; an endless string must not fill the description.
    std::string endless = "[\"";
    for (int i = 0; i < 100000; ++i)
        endless += "\xC3\xA9";
    VLErrorRef error;
    EXPECT_TRUE(read(endless, &error).isNil());
    ASSERT_TRUE(error);
    EXPECT_LT(error->localizedDescription().size(), 400u);
    EXPECT_TRUE(VLIsValidUTF8(error->localizedDescription()));
}

TEST(VLJSONSerialization, ReadsFragmentsOnlyWhenAllowedAndNestingUpToTheBound) {
    EXPECT_EQ(VLValue(3), read("3"));
    EXPECT_TRUE(read("null").isNull());
    EXPECT_EQ(VLValue("text"), read("\"text\""));
    EXPECT_EQ(VLValue(VLArray{}), read("[]", nullptr, false));

    EXPECT_TRUE(read(nested(512)).isArray());
    VLJSONReadingOptions shallow;
    shallow.maximumDepth = 2;
    EXPECT_TRUE(VLJSONSerialization::JSONObjectWithData("[{}]", shallow).isArray());
    EXPECT_TRUE(VLJSONSerialization::JSONObjectWithData("[{\"a\":[]}]", shallow).isNil());
}

TEST(VLJSONSerialization, WritesCompactExactText) {
    struct Case {
        VLValue value;
        std::string text;
    };
    const Case cases[] = {
        {VLDictionary{{"z", 1}, {"a", VLArray{true, false, VLValue::null()}}},
         R"({"z":1,"a":[true,false,null]})"},
        {3.0, "3"},
        {-0.5, "-0.5"},
        {0.1, "0.1"},
        {1e300, "1e+300"},
        {int64_t(std::numeric_limits<int64_t>::min()), "-9223372036854775808"},
        {"a/b \"q\" \\ \n\r\t\b\f\x01\x1f\x7f", R"("a/b \"q\" \\ \n\r\t\b\f\u0001\u001f)"
                                                "\x7f\""},
        {"\xC3\xA9\xF0\x9F\x98\x80", "\"\xC3\xA9\xF0\x9F\x98\x80\""},
        {std::string("a\0b", 3), R"("a\u0000b")"},
        {VLArray{}, "[]"},
        {VLDictionary{}, "{}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        VLErrorRef error;
        EXPECT_EQ(c.text, write(c.value, &error));
        EXPECT_FALSE(error);
    }
}

TEST(VLJSONSerialization, RefusesWhatJSONCannotHold) {
    struct Case {
        VLValue value;
        std::string descriptionPart;
    };
    VLValue deep = VLArray{};
    for (int level = 0; level < 512; ++level)
        deep = VLArray{deep};
    const Case cases[] = {
        {VLArray{std::nan("")}, "NaN"},
        {VLArray{1, std::numeric_limits<double>::infinity()}, "infinite"},
        {VLDictionary{{"a", -std::numeric_limits<double>::infinity()}}, "infinite"},
        {VLArray{VLDate{1}}, "date"},
        {VLArray{VLData{1, 2}}, "data"},
        {VLArray{VLValue()}, "nil"},
        {VLDictionary{{"a", VLValue()}}, "nil"},
        {VLArray{"ok", "\xFF"}, "not UTF-8"},
        {VLDictionary{{"\xC3", 1}}, "not UTF-8"},
        {VLValue(), "nil"},
        {deep, "deeper than 512 levels"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.descriptionPart);
        VLErrorRef error;
        EXPECT_EQ(std::nullopt, write(c.value, &error));
        ASSERT_TRUE(error);
        EXPECT_EQ(VLCocoaErrorDomain, error->domain());
        EXPECT_EQ(3840, error->code());
        EXPECT_NE(std::string::npos, error->localizedDescription().find(c.descriptionPart))
            << error->localizedDescription();
    }

    VLErrorRef error;
    EXPECT_EQ(std::nullopt, write(VLValue(3), &error, false));
    ASSERT_TRUE(error);
    EXPECT_EQ("Invalid top-level type in JSON write", error->localizedDescription());
    EXPECT_EQ("3", write(VLValue(3), nullptr, true));
}

TEST(VLJSONSerialization, WritesTheSubstituteOfWhatJSONCannotHold) {
    VLJSONWritingOptions options;
    options.fragmentsAllowed = true;
    options.substitute = [](const VLValue& value) {
        return value.isDate() ? VLValue("date") : VLValue::null();
    };
    const VLValue value = VLDictionary{
        {"a", VLValue()}, {"b", VLDate{1}}, {"c", VLArray{std::nan(""), 1}}, {"d", VLData{1}}, {"e", "x"}};
    EXPECT_EQ(VLJSONSerialization::dataWithJSONObject(value, options),
              R"({"a":null,"b":"date","c":[null,1],"d":null,"e":"x"})");
    EXPECT_EQ(VLJSONSerialization::dataWithJSONObject(VLValue(), options), "null");
    // What it returns is written as it is: a substitute that JSON cannot hold fails the write.
    options.substitute = [](const VLValue&) { return VLValue(VLDate{0}); };
    VLErrorRef error;
    EXPECT_EQ(VLJSONSerialization::dataWithJSONObject(VLArray{VLValue()}, options, &error), std::nullopt);
    ASSERT_TRUE(error);
    EXPECT_NE(std::string::npos, error->localizedDescription().find("date"));
}

TEST(VLJSONSerialization, RoundTripKeepsBooleansApartFromNumbersAndKeyOrder) {
    const std::string text = R"({"b":true,"a":1,"c":[1.5,false,0,"1",{"y":null,"x":-7}]})";
    VLValue value = read(text);
    EXPECT_TRUE(value["b"].isBool());
    EXPECT_TRUE(value["a"].isInteger());
    EXPECT_TRUE(value["c"][1].isBool());
    EXPECT_TRUE(value["c"][2].isInteger());
    EXPECT_EQ(text, write(value));
    EXPECT_EQ(text, write(read(*write(value))));
}
