#include "Core/Engine/JS/VLJSString.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Tests/Support/VLJSTestContext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

class VLJSValueBridgeTests : public testing::Test {
protected:
    VLJSTestContext ctx;

    VLValue toNative(std::string_view script) { return VLJSValueToNSObject(ctx, ctx.evaluate(script)); }
};

TEST_F(VLJSValueBridgeTests, ToNativeConvertsNestedValuesWithNullsInContainers) {
    const VLValue value =
        toNative("({a: undefined, b: [1, null], c: new Uint8Array([7, 9]), d: 'x', e: true})");
    ASSERT_TRUE(value.isDictionary());
    const VLDictionary& dictionary = value.dictionaryValue();
    ASSERT_EQ(dictionary.size(), 5u);
    EXPECT_EQ(dictionary.entries()[0].first, "a");
    EXPECT_TRUE(value["a"].isNull());
    EXPECT_EQ(value["b"], VLValue({1, VLValue::null()}));
    EXPECT_EQ(value["c"], VLValue(VLData{7, 9}));
    EXPECT_EQ(value["d"], VLValue("x"));
    // Booleans stay booleans and numbers are doubles.
    EXPECT_TRUE(value["e"].isBool());
    EXPECT_TRUE(value["b"][0].isDouble());
}

TEST_F(VLJSValueBridgeTests, ToNativeTopLevelValues) {
    EXPECT_TRUE(toNative("undefined").isNil());
    EXPECT_TRUE(toNative("null").isNil());
    EXPECT_TRUE(toNative("Symbol('s')").isNil());
    EXPECT_TRUE(std::isnan(toNative("NaN").doubleValue()));
    EXPECT_TRUE(toNative("NaN").isDouble());
    EXPECT_EQ(toNative("false"), VLValue(false));
    // Objects without enumerable properties become empty dictionaries; holes become null.
    EXPECT_EQ(toNative("new Date(0)"), VLValue(VLDictionary()));
    EXPECT_EQ(toNative("[, 2]"), VLValue({VLValue::null(), 2}));
    // Properties with the empty name are dropped; getters run and their exceptions give null.
    EXPECT_EQ(toNative("({'': 1, get g() { throw 1; }})"), VLValue(VLDictionary{{"g", VLValue::null()}}));
}

TEST_F(VLJSValueBridgeTests, CyclesBecomeNullOnlyWhereTheyClose) {
    const VLValue value =
        toNative("var o = {name: 'o'}; var shared = [1]; o.self = o; o.list = [o, shared, shared]; o");
    EXPECT_EQ(value["name"], VLValue("o"));
    EXPECT_TRUE(value["self"].isNull());
    EXPECT_TRUE(value["list"][0].isNull());
    // The same object twice is no cycle.
    EXPECT_EQ(value["list"][1], VLValue(VLArray{1}));
    EXPECT_EQ(value["list"][2], VLValue(VLArray{1}));
}

TEST_F(VLJSValueBridgeTests, NestingDeeperThan64BecomesNull) {
    VLValue value = toNative("var top = {}, o = top; for (let i = 0; i < 70; ++i) o = o.n = {}; top");
    int depth = 0;
    while (value.isDictionary()) {
        ++depth;
        value = value["n"];
    }
    EXPECT_EQ(depth, 64);
    EXPECT_TRUE(value.isNull());
}

TEST_F(VLJSValueBridgeTests, LimitsGiveNilAsAWhole) {
    EXPECT_TRUE(toNative("[new Array(1048577)]").isNil());
    EXPECT_EQ(toNative("new Array(1048576)").count(), 1048576u);
    // 1024 arrays, 1023 of them with 1024 holes, hold 1,048,576 nested values: the whole budget.
    ctx.evaluate("var nested = (last) => Array.from({length: 1024}, (_, i) => new Array(i ? 1024 : last));");
    EXPECT_EQ(toNative("nested(0)").count(), 1024u);
    EXPECT_TRUE(toNative("nested(1)").isNil());
    // Once the conversion has failed, no further getter runs.
    ctx.evaluate("var calls = 0; var counted = {get: () => ++calls, enumerable: true};");
    EXPECT_TRUE(toNative("Object.defineProperty({a: new Array(1048577)}, 'b', counted)").isNil());
    EXPECT_TRUE(toNative("Object.defineProperty([new Array(1048577)], 1, counted)").isNil());
    EXPECT_EQ(toNative("calls"), VLValue(0));
}

TEST_F(VLJSValueBridgeTests, TypedArrayBytesStartAtTheViewsOffset) {
    ctx.evaluate("var buffer = new Uint8Array([0, 1, 2, 3, 4, 5, 6, 7]).buffer;");
    EXPECT_EQ(toNative("new Uint8Array(buffer, 2, 3)"), VLValue(VLData{2, 3, 4}));
    EXPECT_EQ(toNative("new Int16Array(buffer, 4, 1)"), VLValue(VLData{4, 5}));
    EXPECT_EQ(toNative("buffer").count(), 8u);

    size_t length = 99;
    auto* bytes = static_cast<uint8_t*>(
        VLJSValueGetTypedArrayPtr(ctx, ctx.evaluate("new Uint8Array(buffer, 6)"), &length));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(length, 2u);
    EXPECT_EQ(bytes[0], 6);
    EXPECT_EQ(VLJSValueGetTypedArrayPtr(ctx, ctx.evaluate("[1, 2]"), &length), nullptr);
    EXPECT_EQ(length, 0u);
}

TEST_F(VLJSValueBridgeTests, ToNumberFastNeverConverts) {
    ctx.evaluate("var called = false; var valued = {valueOf() { called = true; return 3; }};");
    const struct {
        const char* script;
        double expected;
    } cases[] = {{"2.5", 2.5},  {"true", 1},     {"false", 0},
                 {"'5'", 0},    {"null", 0},     {"undefined", 0},
                 {"valued", 0}, {"Symbol()", 0}, {"-Infinity", -INFINITY}};
    for (const auto& c : cases)
        EXPECT_EQ(VLJSValueToNumberFast(ctx, ctx.evaluate(c.script)), c.expected) << c.script;
    EXPECT_TRUE(std::isnan(VLJSValueToNumberFast(ctx, ctx.evaluate("NaN"))));
    EXPECT_EQ(toNative("called"), VLValue(false));
}

TEST_F(VLJSValueBridgeTests, FromNativeBuildsTheGraph) {
    const VLValue date = VLDate{1.5};
    const VLValue graph = VLDictionary{{"z", true},
                                       {"a", 1},
                                       {"s", "é\xF0\x9F\x98\x80"},
                                       {"list", {1, "two", VLValue::null()}},
                                       {"date", date},
                                       {"data", VLData{1, 2}},
                                       {"empty", VLData{}},
                                       {"nil", VLValue()}};
    const VLValue checks = ctx.call(R"((v) => [
        Object.keys(v).join(),
        typeof v.z, typeof v.a, v.s.length,
        Array.isArray(v.list), v.list[2] === null,
        v.date instanceof Date && v.date.getTime(),
        v.data instanceof ArrayBuffer && new Uint8Array(v.data).join(),
        v.empty === null, v.nil === null])",
                                    VLJSValueFromNSObject(ctx, graph));
    EXPECT_EQ(checks, VLValue({"z,a,s,list,date,data,empty,nil", "boolean", "number", 3, true, true, 1500,
                               "1,2", true, true}));
    // And back: everything but the empty data and the nil survives.
    const VLValue back = VLJSValueToObject(ctx, VLJSValueFromNSObject(ctx, graph));
    EXPECT_EQ(back["s"], graph["s"]);
    EXPECT_EQ(back["date"], date);
    EXPECT_EQ(back["data"], graph["data"]);
    EXPECT_TRUE(back["z"].isBool());
}

TEST_F(VLJSValueBridgeTests, FromNativeNestingDeeperThan64BecomesNull) {
    const char* depthOf = "(v) => { let depth = 0;"
                          "  while (v !== null && typeof v === 'object' && !(v instanceof ArrayBuffer)) {"
                          "    ++depth; v = Array.isArray(v) ? v[0] : v.n; }"
                          "  return [depth, v === null]; }";
    for (const bool inArrays : {true, false}) {
        // Far deeper than a thread's stack would let the conversion recurse.
        VLValue value = VLData{1};
        for (int level = 0; level < 300000; ++level)
            value = inArrays ? VLValue(VLArray{std::move(value)})
                             : VLValue(VLDictionary{{"n", std::move(value)}});
        EXPECT_EQ(ctx.call(depthOf, VLJSValueFromNSObject(ctx, value)), VLValue({64, true})) << inArrays;
        // Taken apart from the top: destroying it whole would recurse as deep as it goes.
        while (value.isArray() || value.isDictionary()) {
            VLValue inner = inArrays ? value[0] : value["n"];
            value = inner;
        }
    }
}

// Containers go through the engine's JSON reader; what JSON does not hold is set in its place
// afterwards. Beside such a value, every case reads as it does alone.
TEST_F(VLJSValueBridgeTests, FromNativeGivesTheSameValuesThroughJSON) {
    ctx.evaluate("var describe = (v) => JSON.stringify(v, (k, x) => Object.is(x, -0) ? '-0' : x);");
    const VLValue cases[] = {
        VLDictionary{{"b", 1}, {"2", true}, {"a", "x"}, {"1", VLValue::null()}, {"", 3}, {"n", VLValue()}},
        VLArray{VLValue(), VLValue::null(), false, VLArray{}, VLDictionary{}},
        VLArray{"q\"\\\n\t\x01 \xC3\xA9\xF0\x9F\x98\x80 \xE2\x80\xA8", std::string("nul\0end", 7)},
        VLArray{1, -5, int64_t(9007199254740993), INT64_MIN, 0.1, 1e21, 5e-324, -1.5, 1.7976931348623157e308},
        VLArray{-0.0},
        // Texts that are not UTF-8 are replaced alike.
        VLDictionary{{"bad \xFF key", "bad \xC3 text \xF0\x9F"}},
    };
    for (const VLValue& value : cases) {
        const VLValue patched = VLDictionary{{"v", value}, {"date", VLDate{0}}, {"nan", NAN}};
        EXPECT_EQ(ctx.call("describe", VLJSValueFromNSObject(ctx, value)),
                  ctx.call("(pair) => describe(pair.v)", VLJSValueFromNSObject(ctx, patched)))
            << value.description();
    }
    // 64 levels of containers, and null for what lies deeper, dates included.
    const char* depthOf =
        "(v) => { let depth = 0; while (Array.isArray(v)) { ++depth; v = v[0]; } return [depth, v]; }";
    for (const VLValue& bottom : {VLValue("x"), VLValue(VLDate{1})}) {
        for (const int levels : {63, 64}) {
            VLValue value = bottom;
            for (int level = 0; level < levels; ++level)
                value = VLArray{std::move(value), VLDate{2}};
            EXPECT_EQ(ctx.call(depthOf, VLJSValueFromNSObject(ctx, value)),
                      VLValue({levels, levels == 64 && bottom.isDate() ? VLValue::null() : bottom}));
        }
    }
}

// Keys that are not UTF-8 and meet once replaced keep the last value at the first place, whatever
// is set inside the earlier one.
TEST_F(VLJSValueBridgeTests, FromNativeKeysThatMeetOnceReplacedKeepTheLastValue) {
    const char* describe =
        "(v) => Object.entries(v).map(([k, x]) => k + '=' + (x instanceof Date ? 'date' : x)).join()";
    const struct {
        VLValue value;
        const char* expected;
    } cases[] = {
        {VLDictionary{{"a", 1}, {"\xFF", VLDate{1}}, {"\xFE", "s"}}, "a=1,\xEF\xBF\xBD=s"},
        {VLDictionary{{"\xFF", "s"}, {"\xFE", VLDate{1}}}, "\xEF\xBF\xBD=date"},
        {VLDictionary{{"\xFF", VLArray{VLDate{1}}}, {"\xFE", VLArray{"s"}}, {"b", 2}}, "\xEF\xBF\xBD=s,b=2"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ctx.call(describe, VLJSValueFromNSObject(ctx, c.value)), VLValue(c.expected)) << c.expected;
}

// Properties are defined, not set: setters that a script put on the prototypes never run, and a
// "__proto__" key is a key, not the new object's prototype, also where a value is set afterwards.
TEST_F(VLJSValueBridgeTests, FromNativeRunsNoSetterOfThePrototypes) {
    ctx.evaluate("var calls = 0; var setter = {set(x) { ++calls; }, configurable: true};"
                 "Object.defineProperty(Object.prototype, 'b', setter);"
                 "Object.defineProperty(Array.prototype, 0, setter);");
    const char* check = "(v) => [Object.keys(v).join(), Object.getPrototypeOf(v) === Object.prototype,"
                        "  typeof v.__proto__, v.b, typeof v.list[0], calls]";
    EXPECT_EQ(
        ctx.call(check, VLJSValueFromNSObject(ctx, VLDictionary{{"__proto__", VLDictionary{{"admin", true}}},
                                                                {"b", 2},
                                                                {"list", VLArray{1, 2}}})),
        VLValue({"__proto__,b,list", true, "object", 2, "number", 0}));
    EXPECT_EQ(ctx.call(check, VLJSValueFromNSObject(ctx, VLDictionary{{"__proto__", VLDate{1}},
                                                                      {"b", -0.0},
                                                                      {"list", VLArray{VLData{1}}}})),
              VLValue({"__proto__,b,list", true, "object", 0, "object", 0}));
}

TEST_F(VLJSValueBridgeTests, DataWithoutCopyKeepsTheBytes) {
    EXPECT_TRUE(JSValueIsNull(ctx, VLJSValueFromNSDataNoCopy(ctx, VLData{})));
    VLData data{1, 2, 3};
    const uint8_t* original = data.data();
    JSValueRef buffer = VLJSValueFromNSDataNoCopy(ctx, std::move(data));
    size_t length = 0;
    EXPECT_EQ(VLJSValueGetTypedArrayPtr(ctx, buffer, &length), original);
    EXPECT_EQ(length, 3u);
    JSGarbageCollect(ctx);
}

TEST_F(VLJSValueBridgeTests, StringsKeepEveryCharacter) {
    const std::string text("a\0b\xF0\x9F\x98\x80", 7);
    JSValueRef value = VLJSValueFromNSString(ctx, text);
    EXPECT_EQ(VLJSValueToNSString(ctx, value), text);
    EXPECT_EQ(ctx.call("(s) => s.length", value), VLValue(5));
    // A lone surrogate becomes the replacement character.
    EXPECT_EQ(VLJSValueToNSString(ctx, ctx.evaluate("'\\uD800x'")), "\xEF\xBF\xBDx");

    EXPECT_EQ(VLJSValueToNSString(ctx, ctx.evaluate("3")), std::nullopt);
    EXPECT_EQ(VLJSValueTransformToNSString(ctx, ctx.evaluate("3")), "3");
    EXPECT_EQ(VLJSValueTransformToNSString(ctx, ctx.evaluate("({toString() { throw 1; }})")), std::nullopt);
    EXPECT_TRUE(JSValueIsNull(ctx, VLJSValueFromUTF8String(ctx, nullptr)));

    char buffer[4] = "old";
    VLJSValueToUTF8String(ctx, ctx.evaluate("5"), buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "old");
    VLJSValueToUTF8String(ctx, ctx.evaluate("'abcdef'"), buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "abc");
}

// Short texts go through a buffer on the stack, longer ones through the heap, ASCII first: each way
// keeps every character and replaces lone surrogates.
TEST_F(VLJSValueBridgeTests, TextsOfEveryLengthKeepTheirCharacters) {
    const std::string accented = "\xC3\xA9", emoji = "\xF0\x9F\x98\x80", replacement = "\xEF\xBF\xBD";
    auto repeated = [](const std::string& text, size_t count) {
        std::string result;
        for (size_t i = 0; i < count; ++i)
            result += text;
        return result;
    };
    for (size_t count : {1, 100, 1000}) {
        const struct {
            std::string script;
            std::string expected;
            bool roundTrips;
        } cases[] = {
            {"'a'.repeat(N)", repeated("a", count), true},
            {"'\\u00e9'.repeat(N)", repeated(accented, count), true},
            {"'\\uD83D\\uDE00'.repeat(N)", repeated(emoji, count), true},
            {"'a'.repeat(N) + '\\uD800'", repeated("a", count) + replacement, false},
            {"'\\u00e9'.repeat(N) + '\\uDC00x'", repeated(accented, count) + replacement + "x", false},
        };
        for (const auto& c : cases) {
            std::string script = c.script;
            script.replace(script.find('N'), 1, std::to_string(count));
            JSValueRef value = ctx.evaluate(script);
            EXPECT_EQ(VLJSValueToNSString(ctx, value), c.expected) << script;
            if (c.roundTrips) {
                EXPECT_TRUE(JSValueIsStrictEqual(ctx, VLJSValueFromNSString(ctx, c.expected), value))
                    << script;
            }
        }
    }
}

TEST_F(VLJSValueBridgeTests, ArraysAreInstancesOfTheCurrentArray) {
    const struct {
        const char* script;
        VLValue expected;
    } cases[] = {
        {"[1, 'a']", VLValue({1, "a"})},
        {"class List extends Array {}; List.from([1])", VLValue(VLArray{1})},
        {"var o = Object.create(Array.prototype); o.length = 2; o[1] = 3; o", VLValue({VLValue::null(), 3})},
        {"Object.setPrototypeOf([5], Object.prototype)", VLValue(VLDictionary{{"0", 5}})},
        {"Array = function () {}; [7]", VLValue(VLDictionary{{"0", 7}})},
    };
    for (const auto& c : cases) {
        VLJSTestContext fresh;
        EXPECT_EQ(VLJSValueToNSObject(fresh, fresh.evaluate(c.script)), c.expected) << c.script;
    }
}

TEST_F(VLJSValueBridgeTests, TextsWithALimitAreCutOnWholeCharactersAndMarked) {
    const struct {
        const char* script;
        size_t limit;
        std::string expected;
    } cases[] = {
        {"'abc'", 10, "abc"},
        {"'abcdefghijkl'", 10, "abcdefghij... [cut]"},
        {"'\\u4e2d\\u6587\\u4e2d'", 9, "\xE4\xB8\xAD\xE6\x96\x87\xE4\xB8\xAD"},
        {"'\\u4e2d\\u6587\\u4e2d\\u6587'", 10, "\xE4\xB8\xAD\xE6\x96\x87\xE4\xB8\xAD... [cut]"},
        {"'ab\\uD83D\\uDE00'", 5, "ab... [cut]"},
        {"({toString: () => 'x'.repeat(1e8)})", 4, "xxxx... [cut]"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VLJSValueTransformToNSString(ctx, ctx.evaluate(c.script), c.limit), c.expected) << c.script;
    EXPECT_EQ(VLJSValueTransformToNSString(ctx, ctx.evaluate("Symbol()"), 10), std::nullopt);
}

TEST_F(VLJSValueBridgeTests, ThrowingEnumerationGivesAnEmptyDictionary) {
    const char* proxy = "new Proxy({a: 1}, {ownKeys() { throw new Error('no'); }})";
    JSObjectRef object = JSValueToObject(ctx, ctx.evaluate(proxy), nullptr);
    EXPECT_EQ(VLJSObjectCopyPropertyNames(ctx, object), nullptr);
    EXPECT_EQ(toNative(proxy), VLValue(VLDictionary()));
    // Nothing stays pending for the calls that follow.
    EXPECT_EQ(toNative("({a: 1})"), VLValue(VLDictionary{{"a", 1}}));
}

TEST_F(VLJSValueBridgeTests, ObjectConversionForNativeCallers) {
    EXPECT_TRUE(VLJSValueToObject(ctx, ctx.evaluate("undefined")).isNil());
    EXPECT_TRUE(VLJSValueToObject(ctx, ctx.evaluate("null")).isNull());
    EXPECT_EQ(VLJSValueToObject(ctx, ctx.evaluate("[new Date(2500)]")), VLValue(VLArray{VLDate{2.5}}));
    // An invalid date names no moment.
    EXPECT_EQ(VLJSValueToObject(ctx, ctx.evaluate("({due: new Date('garbage')})")),
              VLValue(VLDictionary{{"due", VLValue::null()}}));
    EXPECT_TRUE(VLJSValueToObject(ctx, ctx.evaluate("new Date(NaN)")).isNull());
}

TEST_F(VLJSValueBridgeTests, SourceURLs) {
    const struct {
        const char* url;
        const char* expected;
    } cases[] = {{"", ""},
                 {"index.js", "velto:///index.js"},
                 {"/a/b.js", "velto:///a/b.js"},
                 {"velto://x/y.js", "velto://x/y.js"},
                 {"polyfill/VeltoCore.js", "velto:///polyfill/VeltoCore.js"}};
    for (const auto& c : cases)
        EXPECT_EQ(VLJSSourceURLStandardize(c.url), c.expected) << c.url;
}

TEST_F(VLJSValueBridgeTests, FunctionsAndProperties) {
    EXPECT_NE(VLJSFunctionFromScript(ctx, "(function () {})"), nullptr);
    EXPECT_NE(VLJSFunctionFromScript(ctx, "Math.max"), nullptr);
    for (const char* script : {"", "1", "({})", "throw 1", "(("})
        EXPECT_EQ(VLJSFunctionFromScript(ctx, script), nullptr) << script;

    JSObjectRef object = JSValueToObject(ctx, ctx.evaluate("({a: undefined, n: 1})"), nullptr);
    EXPECT_NE(VLGetJSObjectProperty(ctx, object, "a"), nullptr);
    EXPECT_EQ(VLGetJSObjectProperty(ctx, object, "missing"), nullptr);
    EXPECT_NE(VLJSFunctionFromProperty(ctx, object, "toString"), nullptr);
    EXPECT_EQ(VLJSFunctionFromProperty(ctx, object, "n"), nullptr);

    JSValueRef value = ctx.evaluate("({a: 1, b: null})");
    EXPECT_TRUE(VLJSValueHasTargetObjectKeys(ctx, value, {"a", "b"}));
    EXPECT_TRUE(VLJSValueHasTargetObjectKeys(ctx, value, {}));
    EXPECT_FALSE(VLJSValueHasTargetObjectKeys(ctx, value, {"a", "c"}));
    EXPECT_FALSE(VLJSValueHasTargetObjectKeys(ctx, ctx.evaluate("[1]"), {}));
}

} // namespace
