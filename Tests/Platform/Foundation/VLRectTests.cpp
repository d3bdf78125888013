#include "Platform/Foundation/VLRect.h"

#include <cmath>
#include <gtest/gtest.h>

TEST(VLRect, EdgesOfNegativeSizesNullAndEmpty) {
    const VLRect flipped(10, 20, -4, -6);
    EXPECT_EQ(VLRect(6, 14, 4, 6), flipped.standardized());
    EXPECT_EQ(6, flipped.minX());
    EXPECT_EQ(20, flipped.maxY());
    EXPECT_EQ(4, flipped.width());

    EXPECT_TRUE(VLRectNull.isNull());
    EXPECT_TRUE(VLRectNull.isEmpty());
    EXPECT_TRUE(VLRect(1, 1, 0, 5).isEmpty());
    EXPECT_FALSE(VLRect(1, 1, 0, 5).isNull());

    // Touching rectangles meet in a line; apart ones in nothing.
    EXPECT_EQ(VLRect(10, 0, 0, 10), VLRect(0, 0, 10, 10).intersection(VLRect(10, 0, 10, 10)));
    EXPECT_FALSE(VLRect(0, 0, 10, 10).intersects(VLRect(10, 0, 10, 10)));
    EXPECT_TRUE(VLRect(0, 0, 10, 10).intersection(VLRect(11, 0, 10, 10)).isNull());
    EXPECT_EQ(VLRect(0, 0, 5, 5), VLRectNull.unionWith(VLRect(0, 0, 5, 5)));
    EXPECT_EQ(VLRect(0, 0, 20, 15), VLRect(0, 0, 5, 5).unionWith(VLRect(10, 10, 10, 5)));
    EXPECT_TRUE(VLRect(0, 0, 4, 4).insetBy(3, 0).isNull());
    EXPECT_EQ(VLRect(1, 2, 6, 4), VLRect(0, 0, 10, 10).insetBy(VLEdgeInsets{2, 1, 4, 3}));
}

TEST(VLRect, TheThreePointRulesDifferOnlyAtTheEdges) {
    const VLRect rect(0, 0, 10, 10);
    struct Case {
        VLPoint point;
        bool coreGraphics, flippedMouse, unflippedMouse;
    } cases[] = {
        {{0, 0}, true, true, false},     // bottom-left corner: on y = minY
        {{0, 10}, false, false, true},   // y = maxY
        {{10, 5}, false, false, false},  // x = maxX
        {{0, 5}, true, true, true},      // x = minX
        {{5, 5}, true, true, true},      // inside
        {{-1, 5}, false, false, false},  // outside
        {{5, NAN}, false, false, false}, // not a point
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.point.x << "," << c.point.y);
        EXPECT_EQ(c.coreGraphics, VLRectContainsPoint(rect, c.point));
        EXPECT_EQ(c.flippedMouse, VLMouseInRect(c.point, rect, true));
        EXPECT_EQ(c.flippedMouse, VLPointInRect(c.point, rect));
        EXPECT_EQ(c.unflippedMouse, VLMouseInRect(c.point, rect, false));
    }
    // Only the CoreGraphics rule reads a negative size the other way round.
    EXPECT_TRUE(VLRectContainsPoint(VLRect(10, 10, -10, -10), {5, 5}));
    EXPECT_FALSE(VLPointInRect({5, 5}, VLRect(10, 10, -10, -10)));
}
