#include "Core/Engine/JS/VLJSON.h"
#include "Core/Engine/Support/VLErrors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInfinity = std::numeric_limits<double>::infinity();

} // namespace

TEST(VLJSONStringify, WithAnErrorParameterRefusesWithoutOneCleansAndRetries) {
    VLValue withDate = VLDictionary{{"when", VLDate{5}}, {"n", 1}};
    EXPECT_EQ(R"({"when":null,"n":1})", VLJSONStringify(withDate));

    VLErrorRef error;
    EXPECT_EQ(std::nullopt, VLJSONStringify(withDate, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(VLErrorDomain, error->domain());
    EXPECT_EQ(102, error->code());
    EXPECT_EQ("Invalid type in JSON write (date)", error->localizedDescription());

    struct Case {
        VLValue value;
        std::string text;
    };
    const Case cases[] = {
        {VLArray{true, 2, 2.5, kNaN, -kInfinity, "\xFF", VLData{1}, VLValue()},
         "[true,2,2.5,0,0,null,null,null]"},
        {"text", R"("text")"}, // fragments are written
        {kInfinity, "0"},
        {VLDate{1}, "null"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.text, VLJSONStringify(c.value));
    }

    // Keys are not cleaned, so the retry fails too.
    EXPECT_EQ(std::nullopt, VLJSONStringify(VLDictionary{{"\xFF", kNaN}}));
}

TEST(VLJSONStringify, NilGivesNothingAndNoError) {
    VLErrorRef error;
    EXPECT_EQ(std::nullopt, VLJSONStringify(VLValue(), &error));
    EXPECT_FALSE(error);
    EXPECT_EQ(std::nullopt, VLJSONStringify(VLValue()));
}

TEST(VLJSONClean, ReplacesOnlyWhatChangedAndSharesTheRest) {
    VLValue unchangedChild = VLDictionary{{"k", VLArray{1, 2}}};
    VLValue array = VLArray{1, unchangedChild, kNaN, true};
    VLValue cleaned = VLJSONClean(array);
    EXPECT_FALSE(cleaned.isSameObject(array));
    ASSERT_EQ(4u, cleaned.count());
    EXPECT_TRUE(cleaned[2].isDouble());
    EXPECT_EQ(0.0, cleaned[2].doubleValue());
    EXPECT_TRUE(cleaned[1].isSameObject(unchangedChild));
    EXPECT_TRUE(cleaned[0].isInteger());
    EXPECT_TRUE(cleaned[3].isBool());
    EXPECT_TRUE(std::isnan(array[2].doubleValue())); // the original is left alone

    VLValue clean = VLArray{1, 2.5, false, "x", VLValue::null(), unchangedChild};
    EXPECT_TRUE(VLJSONClean(clean).isSameObject(clean));

    VLValue dictionary = VLDictionary{{"b", VLArray{VLDate{1}}}, {"a", unchangedChild}};
    VLValue cleanedDictionary = VLJSONClean(dictionary);
    EXPECT_EQ(VLValue(VLArray{VLValue::null()}), cleanedDictionary["b"]);
    EXPECT_TRUE(cleanedDictionary["a"].isSameObject(unchangedChild));
    EXPECT_EQ("b", cleanedDictionary.dictionaryValue().entries()[0].first);
}

TEST(VLJSONParse, ReadsFragmentsAndReportsFailures) {
    EXPECT_EQ(VLValue(3), VLJSONParse("3"));
    EXPECT_EQ(VLValue(VLDictionary{{"a", true}}), VLJSONParseMutable(R"({"a":true})"));

    VLErrorRef error;
    EXPECT_TRUE(VLJSONParse("[\"\xFF\"]", &error).isNil());
    ASSERT_TRUE(error);
    EXPECT_EQ(VLErrorDomain, error->domain());
    EXPECT_EQ(102, error->code());
    EXPECT_EQ("json parse received invalid UTF8 data", error->localizedDescription());

    error = nullptr;
    EXPECT_TRUE(VLJSONParseMutable("[1,", &error).isNil());
    ASSERT_TRUE(error);
    EXPECT_EQ(VLCocoaErrorDomain, error->domain());
    EXPECT_EQ(3840, error->code());

    EXPECT_TRUE(VLJSONParse("\xC3").isNil());
}
