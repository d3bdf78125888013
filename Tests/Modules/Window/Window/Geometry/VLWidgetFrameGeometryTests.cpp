#include "Modules/Window/Window/Geometry/VLWidgetFrameGeometry.h"

#include "Tests/Support/VLGeometryPrinter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <vector>

namespace {

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double infinite = std::numeric_limits<double>::infinity();

// The default screen: 1440 by 900, the visible frame below a 25-point menu bar.
VLWSScreen primary() {
    return VLWSScreen::defaultScreen();
}

// A larger screen to the right of the primary one, without a menu bar.
VLWSScreen secondary() {
    VLWSScreen screen;
    screen.displayID = 2;
    screen.frame = {1440, 0, 1920, 1080};
    screen.visibleFrame = {1440, 0, 1920, 1080};
    return screen;
}

VLWidgetSizing sizing(VLSize minimum = {32, 32}, VLSize maximum = {}, VLSize aspect = {}) {
    VLWidgetSizing sizing;
    sizing.setMinimumSize(minimum);
    sizing.setMaximumSize(maximum);
    sizing.setAspectRatio(aspect);
    return sizing;
}

VLWidgetFrameGeometry geometry(VLWidgetSizing sizing = {}, VLSize widgetSize = {200, 100},
                               std::vector<VLWSScreen> screens = {primary()}) {
    VLWidgetFrameGeometry geometry;
    geometry.sizing = sizing;
    geometry.widgetSize = widgetSize;
    geometry.screens = std::move(screens);
    return geometry;
}

std::optional<uint32_t> idOf(const std::optional<VLWSScreen>& screen) {
    return screen ? std::optional(screen->displayID) : std::nullopt;
}

} // namespace

TEST(VLWidgetFrameGeometry, SizeInRange) {
    struct Case {
        const char* name;
        VLWidgetSizing sizing;
        VLSize request;
        VLSize expected;
    };
    const Case cases[] = {
        {"the default minimum raises both sides", sizing(), {10, 10}, {32, 32}},
        {"the maximum lowers both sides", sizing({32, 32}, {400, 300}), {500, 500}, {400, 300}},
        {"without an aspect nothing is rounded", sizing(), {100.4, 50.6}, {100.4, 50.6}},
        {"a minimum below 1 counts as 1", sizing({-5, 0}), {0.5, 0.25}, {1, 1}},
        {"the width follows the height on the ratio", sizing({32, 32}, {}, {2, 1}), {300, 100}, {200, 100}},
        {"within a point of the ratio: unchanged", sizing({32, 32}, {}, {2, 1}), {200.6, 100}, {200.6, 100}},
        {"more than a point off the ratio", sizing({32, 32}, {}, {2, 1}), {201.5, 100}, {200, 100}},
        {"a narrow request keeps its width", sizing({32, 32}, {}, {2, 1}), {100, 100}, {100, 50}},
        {"the minimum height bounds the width", sizing({32, 40}, {}, {2, 1}), {60, 30}, {80, 40}},
        {"the maximum height bounds the width", sizing({32, 32}, {300, 100}, {2, 1}), {400, 200}, {200, 100}},
        {"rounded half away from zero", sizing({1, 1}, {}, {2, 1}), {101, 100}, {101, 51}},
        {"sizing that is not a number counts as absent",
         sizing({notANumber, notANumber}, {notANumber, infinite}, {notANumber, 1}),
         {10, 5000},
         {10, 5000}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, geometry(c.sizing).sizeInRange(c.request)) << c.name;
}

TEST(VLWidgetFrameGeometry, MarginsSurroundTheHitRegionBelowAndBesideIt) {
    struct Case {
        const char* name;
        std::optional<std::vector<VLRect>> region;
        VLEdgeInsets expected; // top, left, bottom, right
    };
    const Case cases[] = {
        {"no hit region", std::nullopt, {}},
        {"an empty hit region", std::vector<VLRect>{}, {}},
        {"a region outside the window", std::vector<VLRect>{{120, 0, 10, 10}}, {}},
        {"transparent left and bottom", std::vector<VLRect>{{20, 0, 80, 60}}, {0, 20, 40, 0}},
        {"the union of two, its top gap not counted",
         std::vector<VLRect>{{10, 10, 20, 20}, {50, 40, 30, 30}},
         {0, 10, 30, 20}},
        {"clipped to the window", std::vector<VLRect>{{-10, -10, 50, 50}}, {0, 0, 60, 60}},
        {"rectangles that are not finite are skipped",
         std::vector<VLRect>{VLRect{notANumber, 0, 10, 10}, VLRect{0, 0, infinite, 10}, VLRect{0, 0, 50, 50}},
         {0, 0, 50, 50}},
    };
    for (const Case& c : cases) {
        VLWidgetFrameGeometry g = geometry();
        g.mainHitRegion = c.region;
        EXPECT_EQ(c.expected, g.marginsForSize({100, 100})) << c.name;
    }
}

TEST(VLWidgetFrameGeometry, ScreenChoice) {
    VLWSScreen third = secondary();
    third.displayID = 3;
    third.frame = third.visibleFrame = {-2000, 0, 100, 100};
    VLWSScreen left = primary(), right = secondary();
    left.frame = {0, 0, 100, 100};
    right.frame = {200, 0, 100, 100};
    struct Case {
        const char* name;
        std::vector<VLWSScreen> screens;
        std::optional<VLWSScreen> windowScreen;
        VLRect frame;
        std::optional<uint32_t> expected;
    };
    const Case cases[] = {
        {"the centre on the primary", {primary(), secondary()}, std::nullopt, {100, 100, 200, 100}, 1},
        {"the centre on the second", {primary(), secondary()}, std::nullopt, {1400, 100, 200, 100}, 2},
        {"off every screen: the window's", {primary(), secondary()}, third, {100, 2000, 200, 100}, 3},
        {"off every screen: the nearest centre",
         {primary(), secondary()},
         std::nullopt,
         {2400, 2000, 10, 10},
         2},
        {"equally near: the first", {left, right}, std::nullopt, {140, 500, 20, 0}, 1},
        {"equally near: the first, whichever", {right, left}, std::nullopt, {140, 500, 20, 0}, 2},
        {"no screens", {}, std::nullopt, {100, 100, 200, 100}, std::nullopt},
        {"a frame that is not a number", {primary()}, primary(), {notANumber, 0, 10, 10}, std::nullopt},
    };
    for (const Case& c : cases) {
        VLWidgetFrameGeometry g = geometry({}, {}, c.screens);
        g.windowScreen = c.windowScreen;
        EXPECT_EQ(c.expected, idOf(g.screenForFrame(c.frame))) << c.name;
    }
}

TEST(VLWidgetFrameGeometry, TheWidgetsScreenIsWhereItsHitRegionIs) {
    // Centred on the second screen, but only its left quarter is hit, which lies on the primary.
    const VLRect frame{1300, 400, 400, 100};
    VLWidgetFrameGeometry g = geometry({}, {}, {primary(), secondary()});
    EXPECT_EQ(2u, idOf(g.screenForWidgetFrame(frame)));
    g.mainHitRegion = std::vector<VLRect>{{0, 0, 100, 100}};
    EXPECT_EQ(1u, idOf(g.screenForWidgetFrame(frame)));
    // A content centre off every screen falls back to the whole frame's choice.
    EXPECT_EQ(2u, idOf(g.screenForWidgetFrame({2000, 2000, 400, 100})));
}

TEST(VLWidgetFrameGeometry, WidgetFrameOnOneScreen) {
    auto userResizable = [](VLSize minimum, VLSize aspect = {}) {
        VLWidgetSizing s = sizing(minimum, {}, aspect);
        s.setResizableByUser(true);
        return s;
    };
    VLWidgetSizing byContent = sizing();
    byContent.setResizableByContent(true);
    const std::vector<VLRect> leftTransparent{{20, 0, 180, 100}};
    const std::vector<VLRect> bottomTransparent{{0, 0, 200, 70}};
    struct Case {
        const char* name;
        VLWidgetSizing sizing;
        VLSize widgetSize;
        std::optional<std::vector<VLRect>> region;
        VLRect proposed;
        VLRect expected;
    };
    const Case cases[] = {
        {"the widget size at the top-left edges",
         {},
         {200, 100},
         {},
         {100, 300, 50, 50},
         {100, 250, 200, 100}},
        {"the top edge below the menu bar", {}, {200, 100}, {}, {100, 850, 200, 100}, {100, 775, 200, 100}},
        {"held from the left", {}, {200, 100}, {}, {-50, 300, 200, 100}, {0, 300, 200, 100}},
        {"held from the right", {}, {200, 100}, {}, {1400, 300, 200, 100}, {1240, 300, 200, 100}},
        {"held from the bottom", {}, {200, 100}, {}, {100, -80, 200, 100}, {100, 0, 200, 100}},
        {"a transparent left margin may hang off",
         {},
         {200, 100},
         leftTransparent,
         {-50, 300, 200, 100},
         {-20, 300, 200, 100}},
        {"a transparent bottom margin may hang off",
         {},
         {200, 100},
         bottomTransparent,
         {100, -80, 200, 100},
         {100, -30, 200, 100}},
        {"a zero widget size changes nothing", {}, {0, 100}, {}, {100, 850, 50, 50}, {100, 850, 50, 50}},
        {"too large with an aspect: shrunk alike, floored",
         sizing({32, 32}, {}, {2, 1}),
         {2000, 1000},
         {},
         {0, 0, 10, 10},
         {0, 0, 1440, 720}},
        {"too large and fixed: shrunk alike, floored",
         {},
         {1500, 100},
         {},
         {0, 300, 10, 10},
         {0, 214, 1440, 96}},
        {"resizable without an aspect: cut per side",
         userResizable({32, 32}),
         {2000, 1000},
         {},
         {0, 0, 10, 10},
         {0, 0, 1440, 875}},
        {"resizable: cut, then raised to the minimum",
         userResizable({1500, 10}),
         {2000, 1000},
         {},
         {0, 0, 10, 10},
         {0, 0, 1500, 875}},
        {"resizable with an aspect: shrunk alike",
         userResizable({32, 32}, {2, 1}),
         {2000, 1000},
         {},
         {0, 0, 10, 10},
         {0, 0, 1440, 720}},
        {"sized by its content within the range",
         byContent,
         {200, 100},
         {},
         {100, 300, 10, 10},
         {100, 278, 32, 32}},
        {"a proposed frame that is not a number",
         {},
         {200, 100},
         {},
         {notANumber, 0, 10, 10},
         {notANumber, 0, 10, 10}},
        {"a widget size that is not a number", {}, {notANumber, 100}, {}, {0, 0, 10, 10}, {0, 0, 10, 10}},
        {"an infinite widget size", {}, {infinite, 100}, {}, {0, 0, 10, 10}, {0, 0, 10, 10}},
    };
    for (const Case& c : cases) {
        VLWidgetFrameGeometry g = geometry(c.sizing, c.widgetSize);
        g.mainHitRegion = c.region;
        const VLRect frame = g.widgetFrame(c.proposed);
        if (std::isnan(c.expected.origin.x))
            EXPECT_TRUE(std::isnan(frame.origin.x)) << c.name;
        else
            EXPECT_EQ(c.expected, frame) << c.name;
    }
}

TEST(VLWidgetFrameGeometry, WidgetFrameOnTwoScreens) {
    VLWidgetFrameGeometry g = geometry({}, {200, 100}, {primary(), secondary()});
    // Mostly on the second screen: snapped onto it, its top below the second's top.
    EXPECT_EQ((VLRect{1440, 980, 200, 100}), g.widgetFrame({1400, 1000, 200, 100}));
    // The primary keeps its menu bar.
    EXPECT_EQ((VLRect{1240, 775, 200, 100}), g.widgetFrame({1300, 1000, 200, 100}));
    // A chosen screen (where a drag ended) wins over the frame's own.
    g.chosenScreen = primary();
    EXPECT_EQ((VLRect{1240, 775, 200, 100}), g.widgetFrame({1400, 1000, 200, 100}));
    // Without screens the size is taken and the origin kept.
    VLWidgetFrameGeometry none = geometry({}, {200, 100}, {});
    EXPECT_EQ((VLRect{5000, 5000, 200, 100}), none.widgetFrame({5000, 5000, 10, 10}));
}

TEST(VLWidgetFrameGeometry, ProposedSizeFitsTheVisibleFrame) {
    struct Case {
        const char* name;
        VLSize aspect;
        std::optional<VLWSScreen> windowScreen;
        VLSize proposed;
        VLSize expected;
    };
    const Case cases[] = {
        {"with an aspect: scaled into it and floored", {2, 1}, std::nullopt, {3000, 1500}, {1440, 720}},
        {"with an aspect: a size that fits is floored", {2, 1}, std::nullopt, {1000, 500.5}, {1000, 500}},
        {"without one: cut per side", {}, std::nullopt, {3000, 1500}, {1440, 875}},
        {"without one: nothing floored", {}, std::nullopt, {100.5, 50.5}, {100.5, 50.5}},
        {"the window's screen before the main one", {2, 1}, secondary(), {3000, 1500}, {1920, 960}},
        {"a size that is not a number", {2, 1}, std::nullopt, {notANumber, 10}, {notANumber, 10}},
    };
    for (const Case& c : cases) {
        VLWidgetFrameGeometry g = geometry(sizing({32, 32}, {}, c.aspect));
        g.windowScreen = c.windowScreen;
        const VLSize size = g.proposedSize(c.proposed);
        if (std::isnan(c.expected.width))
            EXPECT_TRUE(std::isnan(size.width)) << c.name;
        else
            EXPECT_EQ(c.expected, size) << c.name;
    }
    EXPECT_EQ((VLSize{3000, 1500}), geometry({}, {}, {}).proposedSize({3000, 1500})) << "no screen";
}
