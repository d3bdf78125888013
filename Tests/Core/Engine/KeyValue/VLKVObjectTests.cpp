#include "Core/Engine/KeyValue/VLKVObject.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

namespace {

VLData bytes(std::string_view text) {
    return VLData(text.begin(), text.end());
}

// What a getter gave, with the error it reported, as one comparable line.
template <typename T>
std::string outcome(const T& value, const VLErrorRef& error) {
    std::string text;
    if constexpr (std::is_same_v<T, uint64_t>)
        text = std::to_string(value); // a VLValue would hold it signed
    else
        text = VLKVObject(VLValue(value)).description();
    if (error)
        text += " | " + std::to_string(error->code()) + " " + error->localizedDescription();
    return text;
}

} // namespace

TEST(VLKVObject, ConvertsScalarsByTheirRules) {
    struct Case {
        VLValue input;
        std::string (*read)(const VLKVObject&);
        std::string expected;
    };
#define READ(name)                                                                                           \
    [](const VLKVObject& object) {                                                                           \
        VLErrorRef error;                                                                                    \
        auto value = object.name##ValueWithError(error);                                                     \
        return outcome(value, error);                                                                        \
    }
    const std::vector<Case> cases = {
        {"50%", READ(double), "0.5"},
        {" 1.5e2 \n", READ(double), "150"},
        {"12px", READ(double), "0 | 1 cannot convert to double value: 12px"},
        {"%", READ(double), "0 | 1 cannot convert to double value: %"},
        {VLValue(VLArray{1}), READ(double), "0 | 1 cannot convert to double value: (\n    1\n)"},
        {true, READ(double), "1"},
        {"12px", READ(integer), "12"},
        {" -7", READ(integer), "-7"},
        {2.9, READ(integer), "2"},
        {"px12", READ(integer), "0 | 1 cannot convert to integer value: px12"},
        {"99999999999999999999", READ(integer), "9223372036854775807"},
        {-1, READ(unsignedInteger), "18446744073709551615"},
        {"42abc", READ(unsignedInteger), "42"},
        {"-5", READ(unsignedInteger), "0 | 1 cannot convert to unsigned integer value: -5"},
        {"false", READ(bool), "1"},
        {"", READ(bool), "0"},
        {0.0, READ(bool), "0"},
        {VLValue(VLDictionary{}), READ(bool), "1"},
        {VLValue::null(), READ(bool), "0 | -1 value not found: <null>"},
        {VLValue(), READ(string), " | -1 value not found: (null)"},
        {3, READ(string), "3"},
        {VLValue(VLArray{1, 2}), READ(string), "[1,2]"},
        {"\"null\"", READ(string), ""},
        {VLValue(bytes("h\xC3\xA9")), READ(string), "h\xC3\xA9"},
        {VLValue(bytes("\xFF")), READ(string),
         " | 1 cannot convert to string value: {length = 1, bytes = 0xff}"},
        {VLValue(VLDate{0}), READ(string), " | 1 cannot convert to string value: 1970-01-01 00:00:00 +0000"},
    };
#undef READ
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, c.read(VLKVObject(c.input))) << c.input.description();
}

TEST(VLKVObject, ConvertsToDataAndContainers) {
    VLErrorRef error;
    EXPECT_EQ(bytes("hi"), VLKVObject::of("hi").dataValueWithError(error));
    EXPECT_EQ(bytes("{\"a\":[1,true]}"),
              VLKVObject::of(VLDictionary{{"a", VLArray{1, true}}}).dataValueWithError(error));
    EXPECT_EQ(nullptr, error);
    EXPECT_EQ(VLData{}, VLKVObject::of(3).dataValueWithError(error)) << "a bare number is no JSON document";
    ASSERT_NE(nullptr, error);
    EXPECT_EQ("cannot convert to data value: 3", error->localizedDescription());
    EXPECT_EQ(error->localizedDescription(), error->localizedFailureReason());
    EXPECT_EQ(VLKVObjectErrorDomain, error->domain());

    EXPECT_EQ((VLArray{1, "x"}), VLKVObject::of("[1,\"x\"]").arrayValue());
    EXPECT_EQ((VLDictionary{{"k", 2}}), VLKVObject::of("{\"k\":2}").dictionaryValue());
    error = nullptr;
    EXPECT_EQ(VLArray{}, VLKVObject::of("{\"k\":2}").arrayValueWithError(error));
    EXPECT_EQ(1, error->code());
    EXPECT_EQ(VLDictionary{}, VLKVObject::of(VLArray{}).dictionaryValueWithError(error));
    EXPECT_EQ("cannot convert to dictionary value: (\n)", error->localizedDescription());
}

TEST(VLKVObject, WalksPathsThroughArraysAndDictionaries) {
    VLKVObject root = VLKVObject::ofJSON(R"({"a":[{"b":"deep"},"x"],"2":"two","n":null})");
    EXPECT_EQ("deep", root["a"][0]["b"].stringValue());
    EXPECT_EQ("deep", root["a"]["0"]["b"].stringValue());
    EXPECT_EQ("two", root[2].stringValue()) << "an index finds the key of its decimal text";
    EXPECT_EQ("two", root[VLValue(2)].stringValue()) << "so does a number key";

    VLKVObject missing = root["a"][5]["b"];
    EXPECT_TRUE(missing.value().isNil());
    EXPECT_EQ("fallback", missing.stringValueWithDefault("fallback"));
    EXPECT_EQ("", missing.stringValue());
    EXPECT_EQ(7, root.integerValueForKey("n", 7)) << "null takes the default";
    EXPECT_EQ(1.5, root["a"].doubleValueAtIndex(1, 1.5)) << "x is no number";
    VLErrorRef error;
    EXPECT_EQ(0, root.integerValueForKey("nope", error));
    EXPECT_EQ(-1, error->code());

    // Only whole integers index an array: a name must not read as element 0.
    VLKVObject array = VLKVObject::of(VLArray{"zero", "one"});
    const std::vector<std::pair<VLValue, std::string>> keys = {
        {"name", ""}, {"1", "one"}, {" 1 ", "one"}, {"1x", ""}, {1, "one"},
        {1.7, "one"}, {-1, ""},     {2, ""},        {true, ""}, {VLValue(), ""},
    };
    for (const auto& [key, expected] : keys)
        EXPECT_EQ(expected, array[key].stringValue()) << key.description();
    EXPECT_EQ("", VLKVObject::of("text")[0].stringValue());

    EXPECT_TRUE(VLKVObject::ofJSON("3").value().isNil()) << "the top level must be a container";
    EXPECT_TRUE(VLKVObject::ofJSON("{").value().isNil());
}

TEST(VLKVObject, DescribesAndEnumerates) {
    EXPECT_EQ("{x:[1,2]}", VLKVObject::of(VLDictionary{{"x", VLArray{1, 2}}}).description());
    EXPECT_EQ("[a,<null>,{},1.5,]",
              VLKVObject::of(VLArray{"a", VLValue::null(), VLDictionary{}, 1.5, VLValue()}).description());
    EXPECT_EQ("", VLKVObject().description());

    VLKVObject dictionary = VLKVObject::of(VLDictionary{{"b", 1}, {"a", 2}, {"c", 3}});
    std::vector<std::string> seen;
    dictionary.enumerateKeysAndObjectsUsingBlock(
        [&](const std::string& key, const VLKVObject& object, bool& stop) {
            seen.push_back(key + "=" + object.description());
            stop = key == "a";
        });
    EXPECT_EQ((std::vector<std::string>{"b=1", "a=2"}), seen);
    std::vector<VLValue> keys(dictionary.begin(), dictionary.end());
    EXPECT_EQ((std::vector<VLValue>{"b", "a", "c"}), keys);
    EXPECT_EQ(3u, dictionary.count());

    size_t visited = 0;
    dictionary.enumerateObjectsUsingBlock([&](const VLKVObject&, size_t, bool&) { ++visited; });
    VLKVObject array = VLKVObject::of(VLArray{10, 20});
    array.enumerateObjectsUsingBlock([&](const VLKVObject& object, size_t index, bool&) {
        EXPECT_EQ(int64_t(index + 1) * 10, object.integerValue());
        ++visited;
    });
    EXPECT_EQ(2u, visited) << "a dictionary has no elements to enumerate";
    EXPECT_EQ(0u, VLKVObject::of("abc").count());
    VLKVObject text = VLKVObject::of("abc");
    EXPECT_EQ(text.begin(), text.end());
}
