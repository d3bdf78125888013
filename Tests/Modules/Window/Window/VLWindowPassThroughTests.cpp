#include "Modules/Window/Window/VLNSWindowDragRegion.h"
#include "Modules/Window/Window/VLWindow.h"
#include "Platform/WindowServer/VLWSDriver.h"
#include "Platform/WindowServer/VLWSEvent.h"
#include "Platform/WindowServer/VLWSView.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWindowServer.h"
#include "Tests/Support/VLGeometryPrinter.h"
#include "Tests/Support/VLTestWidget.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Windows live on a widget's JavaScript thread, so that hit regions reach the main thread as they do in a
// running widget; the test thread is the main thread.

namespace {

// A view filling the window that notes every mouse-moved event it hears.
class MoveCounter final : public VLWSView {
public:
    using VLWSView::VLWSView;
    std::vector<VLPoint> moves; // in window coordinates
    void mouseMoved(const VLWSEvent& event) override { moves.push_back(event.locationInWindow()); }
};

const VLRect kFrame{100, 100, 200, 100}; // flipped screen coordinates
const VLRect kSolid{10, 10, 50, 30};     // from the window's top-left corner

class VLWindowPassThroughTest : public testing::Test {
protected:
    void SetUp() override {
        VLWindowServer::setShared(std::make_shared<VLWindowServer>());
        _widget = std::make_unique<VLTestWidget>(std::map<std::string, std::string>{{"index.js", ""}});
        ASSERT_NE(_widget->runtime(), nullptr);
    }
    void TearDown() override {
        closeWindow();
        _widget.reset();
        VLWindowServer::setShared(nullptr);
    }

    // One window at a time, at kFrame, shown and laid out.
    std::shared_ptr<VLWindow> open(const char* type) {
        closeWindow();
        _widget->perform([&] {
            _window = VLWindow::create({{"left", kFrame.origin.x},
                                        {"top", kFrame.origin.y},
                                        {"width", kFrame.size.width},
                                        {"height", kFrame.size.height}},
                                       {{"type", type}});
            _window->show();
            _window->handleRenderingTick();
        });
        return _window;
    }
    void closeWindow() {
        _widget->perform([&] {
            if (_window)
                std::exchange(_window, nullptr)->destroy();
        });
    }
    void setHitRegion(const std::shared_ptr<VLWindow>& window, std::optional<VLWindowRegion> region) {
        _widget->perform([&] { window->setHitRegion(region); });
    }
    void setDragRegion(const std::shared_ptr<VLWindow>& window, std::optional<VLWindowRegion> region) {
        _widget->perform([&] { window->setDragRegion(region); });
    }

    static VLWindowServer& server() { return *VLWindowServer::shared(); }
    static VLWSDriver& driver() { return VLTestWidget::driver(); }
    // A point of a window's content view (top-left origin) on the screen.
    static VLPoint onScreen(const VLWSWindow& window, VLPoint point) {
        return window.convertPointToScreen(window.contentView()->convertPointToView(point, nullptr));
    }

private:
    std::unique_ptr<VLTestWidget> _widget;
    std::shared_ptr<VLWindow> _window;
};

} // namespace

TEST_F(VLWindowPassThroughTest, TheHitRegionDecidesWhereTheWindowTakesTheMouse) {
    const struct {
        const char* name;
        std::optional<VLWindowRegion> region;
        VLPoint point;
        bool ignores;
    } cases[] = {
        {"no region", std::nullopt, {150, 80}, false},
        {"an empty region", VLWindowRegion{}, {20, 20}, true},
        {"inside a rectangle", VLWindowRegion{{150, 50, 10, 10}, kSolid}, {20, 20}, false},
        {"at its top-left corner", VLWindowRegion{kSolid}, {10, 10}, false},
        {"past its bottom-right edges", VLWindowRegion{kSolid}, {60, 40}, true},
        {"outside every rectangle", VLWindowRegion{{150, 50, 10, 10}, kSolid}, {100, 20}, true},
    };
    auto window = open("widget");
    VLWSWindow& platform = *window->platformWindow();
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        setHitRegion(window, std::nullopt);
        EXPECT_FALSE(platform.ignoresMouseEvents());
        // A new region decides at once for the pointer where it is; then each move decides again.
        driver().moveMouse(onScreen(platform, test.point));
        setHitRegion(window, test.region);
        EXPECT_EQ(platform.ignoresMouseEvents(), test.ignores);
        driver().moveMouse({1000, 10});
        driver().moveMouse(onScreen(platform, test.point));
        EXPECT_EQ(platform.ignoresMouseEvents(), test.ignores);
        // Where it ignores the mouse, a click goes past it.
        EXPECT_EQ(server().mouseTargetAt(onScreen(platform, test.point)).window == nullptr, test.ignores);
    }
}

TEST_F(VLWindowPassThroughTest, AHeldButtonKeepsTheSettingUntilItsRelease) {
    const struct {
        const char* name;
        VLPoint from, to;
        bool files;
        bool ignoresWhileHeld;
    } cases[] = {
        {"pressed outside, dragged into the region", {100, 50}, {20, 20}, false, true},
        {"pressed in the region, dragged out of it", {20, 20}, {100, 50}, false, false},
        // Only a window that accepts drops lets files in from elsewhere; a widget window takes none.
        {"files dragged in from elsewhere", {100, 50}, {20, 20}, true, true},
    };
    auto window = open("widget");
    VLWSWindow& platform = *window->platformWindow();
    setHitRegion(window, VLWindowRegion{kSolid});
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        driver().moveMouse(onScreen(platform, test.from));
        if (test.files) {
            driver().beginFileDrag({"/tmp/a.txt"}, VLWSDragOperationEvery);
            driver().dragTo(onScreen(platform, test.to));
        } else {
            // The right button, as a left press would drag the widget by its background.
            driver().mouseDown(1);
            driver().moveMouse(onScreen(platform, test.to));
        }
        EXPECT_EQ(platform.ignoresMouseEvents(), test.ignoresWhileHeld);
        if (test.files)
            driver().drop();
        else
            driver().mouseUp(1);
        EXPECT_EQ(platform.ignoresMouseEvents(), !test.ignoresWhileHeld);
    }
}

TEST_F(VLWindowPassThroughTest, TheViewUnderThePointerHearsOneMovePerPointerMove) {
    auto window = open("widget");
    VLWSWindow& platform = *window->platformWindow();
    auto counter = std::make_shared<MoveCounter>(VLRect(0, 0, kFrame.size.width, kFrame.size.height));
    platform.contentView()->addSubview(counter);
    driver().moveMouse(onScreen(platform, {20, 20}));
    setHitRegion(window, VLWindowRegion{});
    ASSERT_TRUE(platform.ignoresMouseEvents());
    counter->moves.clear();
    // The window starts to take the mouse under a pointer that has not moved.
    setHitRegion(window, VLWindowRegion{kSolid});
    EXPECT_FALSE(platform.ignoresMouseEvents());
    ASSERT_EQ(counter->moves.size(), 1u);
    EXPECT_EQ(counter->moves.back(), VLPoint(20, kFrame.size.height - 20));

    const struct {
        const char* name;
        VLPoint point;
        bool ignores;
    } moves[] = {
        {"within the region", {30, 25}, false},
        {"out of it", {100, 50}, true},
        {"over the transparent part", {110, 60}, true},
        {"back in", {40, 30}, false},
    };
    for (const auto& move : moves) {
        SCOPED_TRACE(move.name);
        const size_t before = counter->moves.size();
        driver().moveMouse(onScreen(platform, move.point));
        EXPECT_EQ(platform.ignoresMouseEvents(), move.ignores);
        ASSERT_EQ(counter->moves.size(), before + 1);
        EXPECT_EQ(counter->moves.back(), VLPoint(move.point.x, kFrame.size.height - move.point.y));
    }
    // Outside the window nothing is sent.
    const size_t before = counter->moves.size();
    driver().moveMouse(onScreen(platform, {-10, 30}));
    EXPECT_EQ(counter->moves.size(), before);
}

TEST_F(VLWindowPassThroughTest, TheWheelGoesToDesktopsAndPanelsWhileKeyAndToWidgetsWhereTheyAreSolid) {
    const struct {
        const char* name;
        const char* type;
        std::optional<VLWindowRegion> region;
        bool key;
        VLPoint point;
        bool takes;
    } cases[] = {
        {"key panel", "panel", std::nullopt, true, {20, 20}, true},
        {"panel not key", "panel", std::nullopt, false, {20, 20}, false},
        {"panel not key, over its region", "panel", VLWindowRegion{kSolid}, false, {20, 20}, false},
        {"untyped not key", "", std::nullopt, false, {20, 20}, false},
        {"desktop", "desktop", std::nullopt, false, {20, 20}, false},
        {"widget without region", "widget", std::nullopt, false, {150, 80}, true},
        {"widget over its region", "widget", VLWindowRegion{kSolid}, false, {20, 20}, true},
        {"widget over a transparent part", "widget", VLWindowRegion{kSolid}, false, {100, 20}, false},
        {"key widget over a transparent part", "widget", VLWindowRegion{kSolid}, true, {100, 20}, false},
        {"widget with an empty region", "widget", VLWindowRegion{}, false, {20, 20}, false},
        {"overlay over its region", "overlay", VLWindowRegion{kSolid}, false, {20, 20}, true},
        {"overlay over a transparent part", "overlay", VLWindowRegion{kSolid}, false, {100, 20}, false},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        auto window = open(test.type);
        setHitRegion(window, test.region);
        VLWSWindow& platform = *window->platformWindow();
        const auto other = std::make_shared<VLWSWindow>(VLRect(0, 0, 10, 10), VLWSWindowStyleMaskTitled);
        if (test.key)
            platform.makeKeyWindow();
        else
            other->makeKeyAndOrderFront();
        ASSERT_EQ(platform.isKeyWindow(), test.key);
        const std::optional<VLWSEvent> wheel = VLWSEvent::mouseEvent({
            .type = VLWSEventType::ScrollWheel,
            .location = platform.contentView()->convertPointToView(test.point, nullptr),
            .windowNumber = platform.windowNumber(),
            .deltaY = 1,
        });
        ASSERT_TRUE(wheel);
        EXPECT_EQ(platform.vl_componentsTakeWheel(*wheel), test.takes);
    }
}

TEST_F(VLWindowPassThroughTest, ADragRegionStopsBackgroundDraggingElsewhere) {
    const VLWindowRegion strip{{0, 0, kFrame.size.width, 20}};
    const struct {
        const char* name;
        const char* type;
        std::optional<VLWindowRegion> region;
        VLPoint from;
        bool moves;
    } cases[] = {
        {"widget background", "widget", std::nullopt, {100, 60}, true},
        {"widget drag region", "widget", strip, {100, 10}, true},
        {"widget background beside its drag region", "widget", strip, {100, 60}, false},
        {"overlay drag region", "overlay", strip, {100, 10}, true},
        {"overlay background beside its drag region", "overlay", strip, {100, 60}, false},
        {"panel: a drag region does nothing", "panel", strip, {100, 10}, false},
        {"panel background", "panel", std::nullopt, {100, 60}, false},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        auto window = open(test.type);
        setDragRegion(window, test.region);
        VLWSWindow& platform = *window->platformWindow();
        const bool follows = std::string(test.type) != "panel";
        EXPECT_EQ(dynamic_cast<VLNSWindowDragRegion&>(platform).dragRegion(),
                  follows ? test.region : std::nullopt);
        const VLPoint origin = platform.frame().origin;
        const VLPoint from = onScreen(platform, test.from);
        driver().drag(from, {from.x + 30, from.y - 40}, 2);
        const VLPoint moved = test.moves ? VLPoint(origin.x + 30, origin.y - 40) : origin;
        EXPECT_EQ(platform.frame().origin, moved);
    }
}
