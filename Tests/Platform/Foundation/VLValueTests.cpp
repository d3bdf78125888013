#include "Platform/Foundation/VLValue.h"

#include <gtest/gtest.h>

TEST(VLValue, DictionaryKeepsInsertionOrderAndReplacesInPlace) {
    VLDictionary dictionary;
    for (int i = 40; i > 0; --i)
        dictionary.set("k" + std::to_string(i), i);
    dictionary.set("k40", "replaced");
    ASSERT_EQ(40u, dictionary.size());
    EXPECT_EQ("k40", dictionary.entries().front().first);
    EXPECT_EQ(VLValue("replaced"), dictionary.get("k40"));
    EXPECT_EQ(VLValue(7), dictionary.get("k7"));
    EXPECT_TRUE(dictionary.erase("k39"));
    EXPECT_FALSE(dictionary.contains("k39"));
    EXPECT_EQ(VLValue(38), dictionary.get("k38"));
    EXPECT_EQ("k38", dictionary.entries()[1].first);
    EXPECT_TRUE(dictionary.get("absent").isNil());
}

TEST(VLValue, BooleansAreNotNumbers) {
    EXPECT_TRUE(VLValue(true).isBool());
    EXPECT_FALSE(VLValue(true).isNumber());
    EXPECT_NE(VLValue(true), VLValue(1));
    EXPECT_EQ(VLValue(1), VLValue(1.0));
}

TEST(VLValue, TakingDataMovesTheBytesOnlyFromTheirOneHolder) {
    VLValue only = VLValue(VLData{1, 2, 3});
    const uint8_t* bytes = only.dataValue().data();
    VLData taken = only.takeData();
    EXPECT_EQ(bytes, taken.data());
    EXPECT_TRUE(only.isNil());

    VLValue shared = VLValue(VLData{4, 5});
    const VLValue other = shared;
    EXPECT_EQ((VLData{4, 5}), shared.takeData());
    EXPECT_EQ((VLData{4, 5}), other.dataValue());
    EXPECT_EQ(VLData(), VLValue("text").takeData());
}

TEST(VLValue, CopiesShareUntilWritten) {
    VLValue original = VLValue(VLArray{1, 2});
    VLValue copy = original;
    EXPECT_TRUE(copy.isSameObject(original));
    copy.mutableArray().emplace_back("three");
    EXPECT_FALSE(copy.isSameObject(original));
    EXPECT_EQ(2u, original.count());
    EXPECT_EQ(3u, copy.count());
}
