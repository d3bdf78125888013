#include "Modules/Window/Window/Geometry/VLWidgetResizeHintPlacement.h"

#include "Modules/Window/Window/VLWidgetResizeHintView.h"
#include "Tests/Support/VLWindowServerTest.h"

#include <gtest/gtest.h>

using VLWidgetResizeHintPlacementTest = VLWindowServerTest;

TEST_F(VLWidgetResizeHintPlacementTest, TheAnchorIsTheContentsCornerMovedOutByTheLargerInset) {
    EXPECT_EQ((VLPoint{210, 150}), VLWidgetResizeHintPlacement::anchor({0, 0, 200, 150}, {10, 20}));
    EXPECT_EQ((VLPoint{205, 155}), VLWidgetResizeHintPlacement::anchor({5, 5, 200, 150}, {0, 0}));
}

TEST_F(VLWidgetResizeHintPlacementTest, OutsideOnlyWithRoomToTheRightAndBelow) {
    const VLRect screen{0, 0, 1440, 900};
    struct Case {
        const char* name;
        VLPoint anchor;
        VLRect screenFrame;
        bool outside;
    };
    const Case cases[] = {
        {"room on both sides", {1000, 500}, screen, true},
        {"exactly 11 points each way", {1429, 11}, screen, true},
        {"too near the right edge", {1430, 500}, screen, false},
        {"too near the bottom edge", {1000, 10.5}, screen, false},
        {"off the screen on the right", {1500, 500}, screen, false},
        {"on a screen that is not at the origin", {2000, 111}, {1440, 100, 600, 800}, true},
        {"no screen frame: room everywhere", {1435, 5}, {}, true},
    };
    for (const Case& c : cases) {
        VLWidgetResizeHintView hint;
        const VLWidgetResizeHintPlacement placement =
            VLWidgetResizeHintPlacement::place(hint, c.anchor, c.screenFrame, {10, 20}, 16);
        EXPECT_EQ(c.outside, placement.outside) << c.name;
        EXPECT_EQ(36, placement.cornerRadius) << c.name << ": the larger inset and the radius";
        // The hint was shaped for it, and its corner (y downwards in the view) sits on the anchor.
        VLWidgetResizeHintView same;
        same.setCornerRadius(36, c.outside);
        EXPECT_EQ(same.size(), placement.frame.size) << c.name;
        EXPECT_DOUBLE_EQ(c.anchor.x, placement.frame.origin.x + hint.corner().x) << c.name;
        EXPECT_DOUBLE_EQ(c.anchor.y, placement.frame.origin.y + placement.frame.size.height - hint.corner().y)
            << c.name;
    }
}
