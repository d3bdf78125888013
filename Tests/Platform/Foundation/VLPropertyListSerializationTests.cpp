#include "Platform/Foundation/VLBinaryPropertyListWriter.h"
#include "Platform/Foundation/VLFileIO.h"
#include "Platform/Foundation/VLPropertyListSerialization.h"
#include "Tests/Support/VLValuePrinter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using Bytes = std::vector<uint8_t>;

// A binary property list assembled from the bytes of its objects, with a trailer that may lie.
struct Assembly {
    std::vector<Bytes> objects;
    uint64_t top = 0;
    uint8_t referenceSize = 1;
    uint8_t offsetSize = 1;
    // Replace what the trailer would say.
    std::optional<uint64_t> claimedObjectCount;
    std::optional<uint64_t> claimedTableOffset;

    Bytes bytes() const {
        Bytes out{'b', 'p', 'l', 'i', 's', 't', '0', '0'};
        std::vector<uint64_t> offsets;
        for (const Bytes& object : objects) {
            offsets.push_back(out.size());
            out.insert(out.end(), object.begin(), object.end());
        }
        const uint64_t table = out.size();
        for (uint64_t offset : offsets)
            put(out, offset, offsetSize);
        out.insert(out.end(), 6, 0);
        out.push_back(offsetSize);
        out.push_back(referenceSize);
        put(out, claimedObjectCount.value_or(objects.size()), 8);
        put(out, top, 8);
        put(out, claimedTableOffset.value_or(table), 8);
        return out;
    }

    static Assembly of(std::vector<Bytes> objects) {
        Assembly assembly;
        assembly.objects = std::move(objects);
        return assembly;
    }

    static void put(Bytes& out, uint64_t value, size_t width) {
        for (size_t i = width; i > 0; --i)
            out.push_back(uint8_t(value >> (8 * (i - 1))));
    }
};

VLValue read(const Bytes& bytes, VLErrorRef* error = nullptr) {
    return VLPropertyListSerialization::propertyListWithData(bytes, error);
}

Bytes write(const VLValue& value) {
    VLErrorRef error;
    auto data = VLPropertyListSerialization::dataWithPropertyList(value, &error);
    EXPECT_TRUE(data) << (error ? error->localizedDescription() : "");
    return data.value_or(Bytes{});
}

// The bytes of the one object that a property list of a scalar holds.
Bytes objectBytesOf(const VLValue& value) {
    const Bytes bytes = write(value);
    const size_t objectsEnd = bytes.size() - 32 - 1; // one offset of one byte
    return Bytes(bytes.begin() + 8, bytes.begin() + long(objectsEnd));
}

std::string failureOf(const Bytes& bytes) {
    VLErrorRef error;
    const VLValue value = read(bytes, &error);
    EXPECT_TRUE(value.isNil());
    if (!error)
        return "(no error)";
    EXPECT_EQ(VLCocoaErrorDomain, error->domain());
    EXPECT_EQ(VLPropertyListReadCorruptError, error->code());
    return error->localizedDescription();
}

// Arrays nested `depth` deep, each holding the next, built from the inside out.
Bytes nestedArrays(size_t depth) {
    VLBinaryPropertyListWriter writer;
    VLBinaryPropertyListWriter::Reference inner = writer.addArray({});
    for (size_t level = 1; level < depth; ++level)
        inner = writer.addArray({&inner, 1});
    return writer.data(inner);
}

VLValue everyKind() {
    return VLDictionary{
        {"text", "plain"},
        {"accents", "h\xC3\xA9llo \xE2\x9C\x93 \xF0\x9F\x98\x80"},
        {"nul", std::string("a\0b", 3)},
        {"empty text", ""},
        {"integers", VLArray{0, 255, 256, 65535, 65536, int64_t(4294967295), int64_t(4294967296), -1,
                             std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max()}},
        {"reals", VLArray{0.5, -2.25, 3.0, 1e300, -0.0}},
        {"booleans", VLArray{true, false}},
        {"null", VLValue::null()},
        {"date", VLDate{1709209815.5}},
        {"data", VLData(516, 0xA5)},
        {"nested", VLDictionary{{"deeper", VLArray{VLArray{}, VLDictionary{}, VLArray{1, "two"}}}}},
        {"uid", VLDictionary{{"CF$UID", 12}}},
    };
}

} // namespace

TEST(VLPropertyListSerialization, RoundTripsEveryKindKeepingTypesAndOrder) {
    const VLValue original = everyKind();
    const VLValue copy = read(write(original));
    EXPECT_EQ(original, copy);

    // Equality takes 3 and 3.0 as one number and does not look at key order: check both.
    std::vector<std::string> keys;
    for (const auto& [key, value] : copy.dictionaryValue())
        keys.push_back(key);
    EXPECT_EQ((std::vector<std::string>{"text", "accents", "nul", "empty text", "integers", "reals",
                                        "booleans", "null", "date", "data", "nested", "uid"}),
              keys);
    for (const VLValue& integer : copy["integers"].arrayValue())
        EXPECT_TRUE(integer.isInteger()) << integer.description();
    for (const VLValue& real : copy["reals"].arrayValue())
        EXPECT_TRUE(real.isDouble()) << real.description();
    EXPECT_TRUE(std::signbit(copy["reals"][4].doubleValue()));
    EXPECT_TRUE(copy["booleans"][0].isBool());
    EXPECT_TRUE(copy["booleans"][1].isBool());
    EXPECT_EQ(3u, copy["nul"].stringValue().size());
}

TEST(VLPropertyListSerialization, WritesTheNarrowestForms) {
    struct Case {
        VLValue value;
        Bytes object;
    };
    const Case cases[] = {
        {0, {0x10, 0x00}},
        {255, {0x10, 0xFF}},
        {256, {0x11, 0x01, 0x00}},
        {65536, {0x12, 0x00, 0x01, 0x00, 0x00}},
        {int64_t(4294967296), {0x13, 0, 0, 0, 1, 0, 0, 0, 0}},
        {-1, {0x13, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {1.5, {0x23, 0x3F, 0xF8, 0, 0, 0, 0, 0, 0}},
        {true, {0x09}},
        {false, {0x08}},
        {VLValue::null(), {0x00}},
        {VLDate{978307200 + 1.0}, {0x33, 0x3F, 0xF0, 0, 0, 0, 0, 0, 0}},
        {"abc", {0x53, 'a', 'b', 'c'}},
        {"\xC3\xA9", {0x61, 0x00, 0xE9}},
        {std::string(15, 'x'),
         [] {
             Bytes b{0x5F, 0x10, 0x0F};
             b.insert(b.end(), 15, 'x');
             return b;
         }()},
        {VLData{1, 2}, {0x42, 1, 2}},
        {VLDictionary{{"CF$UID", 300}}, {0x81, 0x01, 0x2C}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.object, objectBytesOf(c.value)) << c.value.description();
}

TEST(VLPropertyListSerialization, ReadsEveryWidthOfIntegersRealsAndStrings) {
    struct Case {
        Bytes object;
        VLValue expected;
    };
    const Case cases[] = {
        {{0x10, 0xFF}, 255},
        {{0x11, 0xFF, 0xFF}, 65535},
        {{0x12, 0xFF, 0xFF, 0xFF, 0xFF}, int64_t(4294967295)},
        {{0x13, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE}, -2},
        {{0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5}, 5},
        {{0x14, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
          0xFD},
         -3},
        {{0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
         18446744073709551615.0},
        {{0x22, 0x3F, 0xC0, 0x00, 0x00}, 1.5},
        {{0x23, 0xC0, 0x04, 0, 0, 0, 0, 0, 0}, -2.5},
        {{0x33, 0, 0, 0, 0, 0, 0, 0, 0}, VLDate{978307200}},
        {{0x00}, VLValue::null()},
        // A lone surrogate becomes U+FFFD; U+0000 stays.
        {{0x63, 0xD8, 0x00, 0x00, 'a', 0x00, 0x00},
         std::string("\xEF\xBF\xBD"
                     "a\0",
                     5)},
        {{0x80, 0x07}, VLDictionary{{"CF$UID", 7}}},
    };
    for (const Case& c : cases) {
        VLErrorRef error;
        const VLValue value = read(Assembly::of({c.object}).bytes(), &error);
        EXPECT_EQ(c.expected, value) << (error ? error->localizedDescription() : value.description());
        EXPECT_EQ(c.expected.type(), value.type()) << c.expected.description();
    }
}

TEST(VLPropertyListSerialization, ReadsWhatPythonsPlistlibWrote) {
    const auto bytes = VLContentsOfFile(VELTO_ARCHIVE_FIXTURES "/storage.plist");
    ASSERT_TRUE(bytes);
    EXPECT_EQ(VLValue(VLArray{"name", "Ada", "nul", std::string("a\0b", 3), "accent", "\xC3\xA9t\xC3\xA9",
                              "count", "3"}),
              read(*bytes));
}

TEST(VLPropertyListSerialization, RefusesHostileInputWithItsReason) {
    const Bytes valid = Assembly::of({{0xA1, 0x01}, {0x10, 0x01}}).bytes();
    auto with = [](auto change) {
        Assembly assembly = Assembly::of({{0xA1, 0x01}, {0x10, 0x01}});
        change(assembly);
        return assembly.bytes();
    };
    ASSERT_EQ(VLValue(VLArray{1}), read(valid));

    struct Case {
        const char* name;
        Bytes bytes;
        const char* reason;
    };
    Bytes badMagic = valid;
    badMagic[7] = '1';
    const Case cases[] = {
        {"empty", {}, "too short"},
        {"truncated", Bytes(valid.begin(), valid.end() - 1), "The trailer gives"},
        {"bad magic", badMagic, "\"bplist00\""},
        {"offsets of 0 bytes", with([](Assembly& a) { a.offsetSize = 0; }), "offsets of 0 bytes"},
        {"references of 9 bytes", with([](Assembly& a) { a.referenceSize = 9; }), "references of 9 bytes"},
        {"huge object count", with([](Assembly& a) { a.claimedObjectCount = uint64_t(1) << 62; }),
         "more than the data can hold"},
        {"no objects", with([](Assembly& a) { a.claimedObjectCount = 0; }), "more than the data can hold"},
        {"top past the objects", with([](Assembly& a) { a.top = 2; }), "top object 2 is past"},
        {"table outside the data", with([](Assembly& a) { a.claimedTableOffset = 1000; }),
         "outside the data"},
        {"offset outside the objects", with([](Assembly& a) { a.claimedTableOffset = 10; }),
         "outside the objects"},
        {"reference past the objects", with([](Assembly& a) {
             a.objects[0] = {0xA1, 0x05};
         }),
         "refers to object 5"},
        {"huge count", with([](Assembly& a) {
             a.objects[0] = {0xAF, 0x13, 0x3F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
         }),
         "runs past the end"},
        {"negative count", with([](Assembly& a) { a.objects[0] = {0x4F, 0x13, 0x80, 0, 0, 0, 0, 0, 0, 0}; }),
         "negative count"},
        {"data past the end", with([](Assembly& a) {
             a.objects[1] = {0x45, 1, 2};
             a.top = 1;
         }),
         "runs past the end"},
        {"integer cut short", with([](Assembly& a) {
             a.objects[1] = {0x13, 1};
             a.top = 1;
         }),
         "runs past the end"},
        {"integer of 128 bits", with([](Assembly& a) {
             a.objects[1] = {0x14, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0};
             a.top = 1;
         }),
         "wider than 64 bits"},
        {"integer of 32 bytes", with([](Assembly& a) {
             a.objects[1] = {0x15};
             a.top = 1;
         }),
         "integer of 32 bytes"},
        {"ASCII above 0x7F", with([](Assembly& a) {
             a.objects[1] = {0x51, 0xE9};
         }),
         "byte above 0x7F"},
        {"set", with([](Assembly& a) {
             a.objects[0] = {0xC1, 0x01};
         }),
         "set"},
        {"fill byte", with([](Assembly& a) { a.objects[1] = {0x0F}; }), "unknown marker 0x0f"},
        {"UID of 3 bytes", with([](Assembly& a) {
             a.objects[1] = {0x82, 0, 0, 1};
         }),
         "UID of 3 bytes"},
        {"key that isn't a string", with([](Assembly& a) {
             a.objects[0] = {0xD1, 0x01, 0x01};
         }),
         "key that isn't a string"},
        {"array holding itself", with([](Assembly& a) {
             a.objects[0] = {0xA1, 0x00};
         }),
         "Object 0 contains itself"},
        {"arrays holding each other", with([](Assembly& a) {
             a.objects[1] = {0xA1, 0x00};
         }),
         "contains itself"},
        {"100,000 levels deep", nestedArrays(100000), "deeper than 512 levels"},
        {"513 levels deep", nestedArrays(513), "deeper than 512 levels"},
    };
    for (const Case& c : cases)
        EXPECT_NE(std::string::npos, failureOf(c.bytes).find(c.reason))
            << c.name << ": " << failureOf(c.bytes);

    EXPECT_EQ(512u, [&] {
        VLValue value = read(nestedArrays(512));
        size_t depth = 0;
        for (; value.isArray(); value = value[0])
            ++depth;
        return depth;
    }());
}

TEST(VLPropertyListSerialization, SharedObjectsCostWhatTheirObjectsCost) {
    // Forty levels of arrays that each hold the next twice: 2^40 elements if each were read anew.
    VLBinaryPropertyListWriter writer;
    VLBinaryPropertyListWriter::Reference inner = writer.addString("leaf");
    for (int level = 0; level < 40; ++level) {
        const VLBinaryPropertyListWriter::Reference pair[] = {inner, inner};
        inner = writer.addArray(pair);
    }
    const VLValue value = read(writer.data(inner));
    ASSERT_TRUE(value.isArray());
    EXPECT_TRUE(value[0].isSameObject(value[1]));

    // A hundred thousand references to one text of 100 KB would make 10 GB of texts.
    VLBinaryPropertyListWriter texts;
    const std::string text(100000, 't');
    const std::vector<VLBinaryPropertyListWriter::Reference> references(100000, texts.addString(text));
    EXPECT_NE(std::string::npos,
              failureOf(texts.data(texts.addArray(references))).find("texts of the property list"));
}

TEST(VLPropertyListSerialization, RefusesToWriteNilAndTooDeepNesting) {
    VLErrorRef error;
    EXPECT_FALSE(VLPropertyListSerialization::dataWithPropertyList(VLArray{1, VLValue()}, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(VLPropertyListWriteInvalidError, error->code());
    EXPECT_EQ("Nil isn't a property-list value", error->localizedDescription());

    VLValue deep = VLArray{};
    for (int level = 1; level < 513; ++level)
        deep = VLArray{deep};
    EXPECT_FALSE(VLPropertyListSerialization::dataWithPropertyList(deep, &error));
    EXPECT_EQ("The value nests containers deeper than 512 levels", error->localizedDescription());
    EXPECT_TRUE(VLPropertyListSerialization::dataWithPropertyList(deep[0]));
}
