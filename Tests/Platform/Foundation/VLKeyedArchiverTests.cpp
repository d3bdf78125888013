#include "Platform/Foundation/VLBinaryPropertyListWriter.h"
#include "Platform/Foundation/VLFileIO.h"
#include "Platform/Foundation/VLKeyedArchiver.h"
#include "Platform/Foundation/VLKeyedUnarchiver.h"
#include "Platform/Foundation/VLPropertyListSerialization.h"
#include "Tests/Support/VLValuePrinter.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <span>

namespace {

VLValue uid(int64_t n) {
    return VLDictionary{{"CF$UID", n}};
}

VLValue classRecord(const char* name) {
    return VLDictionary{{"$classname", name}, {"$classes", VLArray{name, "NSObject"}}};
}

VLValue arrayRecord(VLArray members, int64_t classUID) {
    return VLDictionary{{"NS.objects", std::move(members)}, {"$class", uid(classUID)}};
}

// An archive in the archiver's layout around the given "$objects", written by the plain writer.
VLData layout(VLArray objects, VLValue root = uid(1)) {
    const VLValue top = VLDictionary{{"$version", 100000},
                                     {"$archiver", "NSKeyedArchiver"},
                                     {"$top", VLDictionary{{"root", std::move(root)}}},
                                     {"$objects", std::move(objects)}};
    return *VLPropertyListSerialization::dataWithPropertyList(top);
}

using Reference = VLBinaryPropertyListWriter::Reference;

Reference classRecordIn(VLBinaryPropertyListWriter& writer, const char* name) {
    const std::array keys{writer.addString("$classname"), writer.addString("$classes")};
    const std::array names{writer.addString(name), writer.addString("NSObject")};
    const std::array values{names[0], writer.addArray(names)};
    return writer.addDictionary(keys, values);
}

// The archiver's layout around "$objects" built with the property-list writer, for archives too large or
// too odd to build as values.
VLData layoutIn(VLBinaryPropertyListWriter& writer, std::span<const Reference> objects) {
    const Reference rootKey = writer.addString("root");
    const Reference rootUID = writer.addUID(1);
    const std::array topKeys{writer.addString("$version"), writer.addString("$archiver"),
                             writer.addString("$top"), writer.addString("$objects")};
    const std::array topValues{writer.addInteger(100000), writer.addString("NSKeyedArchiver"),
                               writer.addDictionary({&rootKey, 1}, {&rootUID, 1}), writer.addArray(objects)};
    return writer.data(writer.addDictionary(topKeys, topValues));
}

// Arrays `depth` deep as archived objects: object i holds object i + 1, the last one is empty.
VLData nestedArchive(uint64_t depth) {
    VLBinaryPropertyListWriter writer;
    const std::array recordKeys{writer.addString("NS.objects"), writer.addString("$class")};
    const Reference classUID = writer.addUID(depth + 1);
    std::vector<Reference> objects{writer.addString("$null")};
    for (uint64_t level = 1; level <= depth; ++level) {
        const Reference member = writer.addUID(level + 1);
        const std::array values{writer.addArray({&member, level < depth ? 1u : 0u}), classUID};
        objects.push_back(writer.addDictionary(recordKeys, values));
    }
    objects.push_back(classRecordIn(writer, "NSArray"));
    return layoutIn(writer, objects);
}

// An array of `records` archived arrays that are all one record of the property list, holding one
// shared array of `members` members: sharing the platform's archiver never writes.
VLData sharedMembersArchive(size_t records, size_t members) {
    VLBinaryPropertyListWriter writer;
    const std::array recordKeys{writer.addString("NS.objects"), writer.addString("$class")};
    const Reference classUID = writer.addUID(records + 2);
    const std::vector<Reference> memberUIDs(members, writer.addUID(records + 3));
    const std::array recordValues{writer.addArray(memberUIDs), classUID};
    const Reference record = writer.addDictionary(recordKeys, recordValues);
    std::vector<Reference> recordUIDs;
    for (size_t i = 0; i < records; ++i)
        recordUIDs.push_back(writer.addUID(2 + i));
    const std::array rootValues{writer.addArray(recordUIDs), classUID};
    std::vector<Reference> objects{writer.addString("$null"), writer.addDictionary(recordKeys, rootValues)};
    objects.insert(objects.end(), records, record);
    objects.push_back(classRecordIn(writer, "NSArray"));
    objects.push_back(writer.addInteger(5));
    return layoutIn(writer, objects);
}

VLData archive(const VLValue& value) {
    VLErrorRef error;
    auto data = VLKeyedArchiver::archivedData(value, &error);
    EXPECT_TRUE(data) << (error ? error->localizedDescription() : "");
    return data.value_or(VLData{});
}

VLValue fixture(const char* name) {
    const auto bytes = VLContentsOfFile(std::string(VELTO_ARCHIVE_FIXTURES "/") + name);
    EXPECT_TRUE(bytes) << name;
    VLErrorRef error;
    const VLValue value = VLKeyedUnarchiver::unarchivedDictionary(bytes.value_or(VLData{}), &error);
    EXPECT_TRUE(value.isDictionary()) << name << ": " << (error ? error->localizedDescription() : "");
    return value;
}

std::string failureOf(const VLData& data) {
    VLErrorRef error;
    const VLValue value = VLKeyedUnarchiver::unarchivedDictionary(data, &error);
    EXPECT_TRUE(value.isNil());
    if (!error)
        return "(no error)";
    EXPECT_EQ(VLCoderReadCorruptError, error->code());
    return error->localizedDescription();
}

VLValue message() {
    return VLDictionary{
        {"op", "launch"},
        {"rid", 7},
        {"texts",
         VLArray{"plain", "h\xC3\xA9llo \xE2\x9C\x93 \xF0\x9F\x98\x80", std::string("a\0b", 3), "", "plain"}},
        {"numbers", VLArray{-1, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max(),
                            int64_t(5000000000), 0.5, 3.0}},
        {"booleans", VLArray{true, false, true}},
        {"frame", VLData(516, 0x5A)},
        {"nothing", VLValue::null()},
        {"when", VLDate{1709209815.5}},
        {"empty", VLDictionary{}},
        {"none", VLArray{}},
        {"nested", VLDictionary{{"list", VLArray{VLDictionary{{"op", "inner"}}, VLArray{VLValue::null()}}}}},
    };
}

} // namespace

TEST(VLKeyedArchiver, RoundTripsEveryKindKeepingTypes) {
    const VLValue original = message();
    const VLValue copy = VLKeyedUnarchiver::unarchivedDictionary(archive(original));
    EXPECT_EQ(original, copy);
    for (const VLValue& number : copy["numbers"].arrayValue())
        EXPECT_EQ(number.isInteger() ? VLValue::Type::Integer : VLValue::Type::Double, number.type());
    EXPECT_TRUE(copy["numbers"][0].isInteger());
    EXPECT_TRUE(copy["numbers"][5].isDouble());
    EXPECT_TRUE(copy["booleans"][0].isBool());
    EXPECT_EQ(3u, copy["texts"][2].stringValue().size());
}

TEST(VLKeyedArchiver, WritesThePlatformArchiversLayout) {
    const VLValue plain = VLPropertyListSerialization::propertyListWithData(
        archive(VLDictionary{{"op", "x"}, {"list", VLArray{1, 1}}}));
    EXPECT_EQ(VLValue(100000), plain["$version"]);
    EXPECT_EQ(VLValue("NSKeyedArchiver"), plain["$archiver"]);
    EXPECT_EQ(VLValue(VLDictionary{{"root", uid(1)}}), plain["$top"]);
    const VLArray& objects = plain["$objects"].arrayValue();
    ASSERT_EQ(9u, objects.size());
    EXPECT_EQ(VLValue("$null"), objects[0]);
    EXPECT_EQ(VLValue(VLDictionary{{"NS.keys", VLArray{uid(2), uid(4)}},
                                   {"NS.objects", VLArray{uid(3), uid(5)}},
                                   {"$class", uid(8)}}),
              objects[1]);
    std::vector<std::string> recordKeys;
    for (const auto& [key, value] : objects[1].dictionaryValue())
        recordKeys.push_back(key);
    EXPECT_EQ((std::vector<std::string>{"NS.keys", "NS.objects", "$class"}), recordKeys);
    EXPECT_EQ(VLValue(VLDictionary{{"NS.objects", VLArray{uid(6), uid(6)}}, {"$class", uid(7)}}), objects[5]);
    EXPECT_EQ(VLValue(1), objects[6]);
    EXPECT_EQ(classRecord("NSArray"), objects[7]);
    EXPECT_EQ(classRecord("NSDictionary"), objects[8]);

    const VLValue others = VLPropertyListSerialization::propertyListWithData(
        archive(VLDictionary{{"null", VLValue::null()}, {"date", VLDate{978307200 + 2.5}}}));
    EXPECT_EQ(VLValue(VLDictionary{{"NS.time", 2.5}, {"$class", uid(7)}}), others["$objects"][6]);
    EXPECT_EQ(VLValue(VLDictionary{{"$class", uid(4)}}), others["$objects"][3]);
    EXPECT_EQ(classRecord("NSNull"), others["$objects"][4]);
    EXPECT_EQ(classRecord("NSDate"), others["$objects"][7]);
}

TEST(VLKeyedArchiver, DecodesArchivesThatPythonsPlistlibWrote) {
    EXPECT_EQ(VLValue(VLDictionary{
                  {"op", "launch"},
                  {"rid", 7},
                  {"inspectable", true},
                  {"handlers", VLArray{"first", "second"}},
                  {"payload",
                   VLDictionary{
                       {"localPath", "/tmp/widget"},
                       {"volume", 0.5},
                       {"muted", false},
                       {"dataQuota", int64_t(5000000000)},
                       {"offset", -3},
                       {"largest", std::numeric_limits<int64_t>::max()},
                       {"smallest", std::numeric_limits<int64_t>::min()},
                       {"unsigned", 18446744073709551615.0},
                       {"name", "h\xC3\xA9llo \xE2\x9C\x93 \xF0\x9F\x98\x80"},
                       {"withNul", std::string("a\0b", 3)},
                       {"when", VLDate{1709209815.5}},
                       {"frame",
                        [] {
                            VLData bytes;
                            for (int copy = 0; copy < 2; ++copy)
                                for (int i = 0; i < 256; ++i)
                                    bytes.push_back(uint8_t(i));
                            bytes.insert(bytes.end(), 4, 0);
                            return bytes;
                        }()},
                       {"nothing", VLValue::null()},
                       {"empty", VLDictionary{}},
                       {"none", VLArray{}},
                   }},
              }),
              fixture("message.archive"));
    EXPECT_TRUE(fixture("message.archive")["inspectable"].isBool());

    EXPECT_EQ(VLValue(VLDictionary{
                  {"op", "script"},
                  {"text", "mutable \xE2\x9C\x93"},
                  {"plain", "plain"},
                  {"data", VLData{0, 1, 2}},
                  {"list", VLArray{1, 2.5, VLArray{"mutable \xE2\x9C\x93"}}},
              }),
              fixture("mutable.archive"));

    const VLValue shared = fixture("shared.archive");
    EXPECT_EQ(VLValue(VLArray{"shared", "shared"}), shared["first"]);
    EXPECT_TRUE(shared["first"].isSameObject(shared["second"]));
    EXPECT_EQ(VLValue("shared"), shared["third"]);
}

TEST(VLKeyedArchiver, RefusesHostileArchivesWithTheirReason) {
    struct Case {
        const char* name;
        VLData data;
        const char* reason;
    };
    const Case cases[] = {
        {"a set",
         layout({"$null", VLDictionary{{"NS.objects", VLArray{}}, {"$class", uid(2)}}, classRecord("NSSet")}),
         "class NSSet, which isn't allowed"},
        {"a URL",
         layout({"$null", VLDictionary{{"NS.relative", "x"}, {"$class", uid(2)}}, classRecord("NSURL")}),
         "class NSURL, which isn't allowed"},
        {"a UID past the table", layout({"$null", arrayRecord({uid(9)}, 2), classRecord("NSArray")}),
         "UID 9 is past the 3 archived objects"},
        {"a root past the table", layout({"$null"}), "UID 1 is past the 1 archived objects"},
        {"an array holding itself", layout({"$null", arrayRecord({uid(1)}, 2), classRecord("NSArray")}),
         "Archived object 1 contains itself"},
        {"a nil member", layout({"$null", arrayRecord({uid(0)}, 2), classRecord("NSArray")}),
         "Archived object 1 holds a nil member"},
        {"a nil root", layout({"$null"}, uid(0)), "root is nil"},
        {"257 levels deep", nestedArchive(257), "deeper than 256 levels"},
        {"100,000 levels deep", nestedArchive(100000), "deeper than 256 levels"},
        {"a key that isn't a text",
         layout(
             {"$null",
              VLDictionary{{"NS.keys", VLArray{uid(3)}}, {"NS.objects", VLArray{uid(3)}}, {"$class", uid(2)}},
              classRecord("NSDictionary"), 5}),
         "key that isn't a text"},
        {"keys without values",
         layout({"$null",
                 VLDictionary{{"NS.keys", VLArray{uid(3)}}, {"NS.objects", VLArray{}}, {"$class", uid(2)}},
                 classRecord("NSDictionary"), "k"}),
         "1 keys for 0 values"},
        {"a member that isn't a UID", layout({"$null", arrayRecord({3}, 2), classRecord("NSArray")}),
         "member that isn't a UID"},
        {"a record without a class", layout({"$null", VLDictionary{{"NS.objects", VLArray{}}}}),
         "no valid \"$class\""},
        {"a class without a name", layout({"$null", arrayRecord({}, 2), VLDictionary{}}),
         "class without a name"},
        {"a plain property list",
         *VLPropertyListSerialization::dataWithPropertyList(VLDictionary{{"op", "x"}}),
         "isn't a keyed archive"},
        {"another version",
         *VLPropertyListSerialization::dataWithPropertyList(
             VLDictionary{{"$version", 99999},
                          {"$archiver", "NSKeyedArchiver"},
                          {"$top", VLDictionary{{"root", uid(1)}}},
                          {"$objects", VLArray{"$null", "x"}}}),
         "\"$version\" of 100000"},
        {"a root that isn't a dictionary", layout({"$null", arrayRecord({}, 2), classRecord("NSArray")}),
         "root isn't a dictionary"},
        {"truncated data",
         [] {
             VLData data = archive(message());
             data.resize(data.size() / 2);
             return data;
         }(),
         "The trailer gives"},
    };
    for (const Case& c : cases)
        EXPECT_NE(std::string::npos, failureOf(c.data).find(c.reason)) << c.name << ": " << failureOf(c.data);
    EXPECT_TRUE(VLKeyedUnarchiver::unarchivedObject(nestedArchive(256)).isArray());
}

TEST(VLKeyedArchiver, SharedObjectsCostWhatTheirObjectsCost) {
    // Sixty levels of arrays that each hold the next twice: 2^60 elements if each were decoded anew.
    VLArray objects{"$null"};
    for (int64_t level = 1; level <= 60; ++level)
        objects.push_back(arrayRecord(level < 60 ? VLArray{uid(level + 1), uid(level + 1)} : VLArray{}, 61));
    objects.push_back(classRecord("NSArray"));
    const VLValue root = VLKeyedUnarchiver::unarchivedObject(layout(objects));
    ASSERT_TRUE(root.isArray());
    EXPECT_TRUE(root[0].isSameObject(root[1]));

    // A hundred thousand references to one text of 100 KB would make 10 GB of texts.
    VLArray many(100000, uid(3));
    const VLData texts =
        layout({"$null", arrayRecord(std::move(many), 2), classRecord("NSArray"), std::string(100000, 't')});
    VLErrorRef error;
    EXPECT_TRUE(VLKeyedUnarchiver::unarchivedObject(texts, &error).isNil());
    ASSERT_TRUE(error);
    EXPECT_NE(std::string::npos, error->localizedDescription().find("texts of the property list"));

    // Twenty thousand archived arrays sharing one array of twenty thousand members: 4e8 members.
    const VLValue small = VLKeyedUnarchiver::unarchivedObject(sharedMembersArchive(3, 2));
    EXPECT_EQ(VLValue(VLArray{VLArray{5, 5}, VLArray{5, 5}, VLArray{5, 5}}), small);
    EXPECT_TRUE(VLKeyedUnarchiver::unarchivedObject(sharedMembersArchive(20000, 20000), &error).isNil());
    EXPECT_EQ("The archive's containers hold more members than its data", error->localizedDescription());
}

TEST(VLKeyedArchiver, RefusesToArchiveNilAndTooDeepNesting) {
    VLErrorRef error;
    EXPECT_FALSE(VLKeyedArchiver::archivedData(VLDictionary{{"op", VLValue()}}, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(VLCoderInvalidValueError, error->code());
    EXPECT_EQ("Nil can't be archived", error->localizedDescription());

    VLValue deep = VLArray{};
    for (int level = 1; level < 257; ++level)
        deep = VLArray{deep};
    EXPECT_FALSE(VLKeyedArchiver::archivedData(deep, &error));
    EXPECT_EQ("The value nests containers deeper than 256 levels", error->localizedDescription());
    EXPECT_TRUE(VLKeyedArchiver::archivedData(deep[0]));
}

TEST(VLKeyedArchiver, PiecesLeaveLongPayloadsInTheValueAndJoinToTheArchive) {
    const VLValue value = VLDictionary{{"data", VLData(5000, 1)},
                                       {"texts", VLArray{std::string(4096, 'a'), "short", "h\xC3\xA9llo"}},
                                       {"small", VLData(10, 2)}};
    const auto pieces = VLKeyedArchiver::archivedPieces(value, 4096);
    ASSERT_TRUE(pieces);
    ASSERT_EQ(2u, pieces->borrowed.size());
    EXPECT_EQ(value["data"].dataValue().data(), pieces->borrowed[0].payload.data());
    VLData joined;
    size_t position = 0;
    for (const auto& borrowed : pieces->borrowed) {
        joined.insert(joined.end(), pieces->bytes.begin() + long(position),
                      pieces->bytes.begin() + long(borrowed.position));
        joined.insert(joined.end(), borrowed.payload.begin(), borrowed.payload.end());
        position = borrowed.position;
    }
    joined.insert(joined.end(), pieces->bytes.begin() + long(position), pieces->bytes.end());
    EXPECT_EQ(pieces->size(), joined.size());
    EXPECT_EQ(*VLKeyedArchiver::archivedData(value), joined);
}
