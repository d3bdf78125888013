#include "Platform/Foundation/VLCache.h"

#include <gtest/gtest.h>

#include <string>

TEST(VLCache, TheLeastRecentlyUsedEntryMakesRoom) {
    VLCache<std::string, int> cache(2);
    cache.setObjectForKey(1, "a");
    cache.setObjectForKey(2, "b");
    EXPECT_EQ(cache.objectForKey("a"), 1); // "b" is now the oldest
    cache.setObjectForKey(3, "c");
    EXPECT_EQ(cache.objectForKey("b"), std::nullopt);
    EXPECT_EQ(cache.objectForKey("a"), 1);
    EXPECT_EQ(cache.objectForKey("c"), 3);

    cache.setObjectForKey(4, "c"); // replacing keeps the count
    EXPECT_EQ(cache.count(), 2u);
    EXPECT_EQ(cache.objectForKey("c"), 4);

    VLCache<std::string, int> none(0);
    none.setObjectForKey(1, "a");
    EXPECT_EQ(none.objectForKey("a"), std::nullopt);
}
