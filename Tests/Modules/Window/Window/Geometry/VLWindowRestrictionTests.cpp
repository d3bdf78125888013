#include "Modules/Window/Window/Geometry/VLWindowRestriction.h"

#include "Tests/Support/VLGeometryPrinter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

TEST(VLWindowRestriction, WhichWindowsAreHeldAndHow) {
    // 1440 by 900, the visible frame's top at 875.
    const std::vector<VLWSScreen> screen{VLWSScreen::defaultScreen()};
    const VLRect aboveTheMenuBar{-100, 850, 300, 200};
    struct Case {
        const char* name;
        std::optional<std::string> type;
        bool restrictsWindows;
        VLRect frame;
        VLRect expected;
    };
    const Case cases[] = {
        {"a widget's top goes below the menu bar, x kept",
         "widget",
         false,
         aboveTheMenuBar,
         {-100, 675, 300, 200}},
        {"an overlay of a restricting runtime too", "overlay", true, aboveTheMenuBar, {-100, 675, 300, 200}},
        {"an overlay of any other runtime is left", "overlay", false, aboveTheMenuBar, aboveTheMenuBar},
        {"a desktop window is never moved", "desktop", true, aboveTheMenuBar, aboveTheMenuBar},
        {"a panel is never moved", "panel", true, aboveTheMenuBar, aboveTheMenuBar},
        {"an untyped window is left", std::nullopt, true, aboveTheMenuBar, aboveTheMenuBar},
        {"the bottom may hang below the screen",
         "widget",
         false,
         {1300, -150, 300, 200},
         {1300, -150, 300, 200}},
        {"unrestricting: no size limit", "widget", false, {0, 0, 3000, 2000}, {0, -1125, 3000, 2000}},
        // 80% of the screen's area: both sides times √(1/1.6), floored, then the top kept.
        {"strict: larger than half the screen shrinks",
         "overlay",
         true,
         {100, 0, 1200, 864},
         {100, 181, 948, 683}},
        {"strict: no taller than the visible frame", "widget", true, {0, 0, 100, 1000}, {0, 0, 100, 875}},
        {"strict: no wider than the screen", "widget", true, {-100, 0, 2000, 100}, {-100, 0, 1440, 100}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected,
                  VLWindowRestriction::restrictedFrame(c.frame, c.type, c.restrictsWindows, screen))
            << c.name;
}

TEST(VLWindowRestriction, AnOverlayOfMostOfTheScreenEndsAtHalfItsAreaOrLess) {
    const std::vector<VLWSScreen> screen{VLWSScreen::defaultScreen()};
    const VLRect frame = VLWindowRestriction::restrictedFrame({0, 0, 1288, 805}, "overlay", true, screen);
    EXPECT_LE(frame.size.width * frame.size.height, 1440 * 900 / 2);
    EXPECT_NEAR(1288.0 / 805, frame.size.width / frame.size.height, 0.01) << "both sides scaled alike";
}

TEST(VLWindowRestriction, WithoutAScreenOrAValidFrameNothingChanges) {
    constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
    const VLRect frame{0, 850, 300, 200};
    EXPECT_EQ(frame, VLWindowRestriction::restrictedFrame(frame, "widget", true, {}));
    const VLRect bad{notANumber, 850, 300, 200};
    const VLRect restricted =
        VLWindowRestriction::restrictedFrame(bad, "widget", true, {VLWSScreen::defaultScreen()});
    EXPECT_TRUE(std::isnan(restricted.origin.x));
    EXPECT_EQ(850, restricted.origin.y);
    const VLRect negative{0, 850, -300, 200};
    EXPECT_EQ(negative,
              VLWindowRestriction::restrictedFrame(negative, "widget", true, {VLWSScreen::defaultScreen()}));
}
