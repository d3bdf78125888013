#include "Core/Runtime/VLRuntime.h"
#include "Core/Runtime/VLRuntimeWindowNotifications.h"
#include "Modules/Window/Window/VLWidgetResizeHintView.h"
#include "Modules/Window/Window/VLWindow.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/Graphics/VLColor.h"
#include "Platform/WindowServer/VLWSDriver.h"
#include "Platform/WindowServer/VLWSEvent.h"
#include "Platform/WindowServer/VLWSLayer.h"
#include "Platform/WindowServer/VLWSView.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWindowServer.h"
#include "Tests/Support/VLComponentEventRecorder.h"
#include "Tests/Support/VLGeometryPrinter.h"
#include "Tests/Support/VLTestWidget.h"
#include "Tests/Support/VLWindowServerTest.h"

#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The widget window's resize corner: the user's resize reaching the runtime, and the hint that shows
// where to take the corner. The windows live on a widget's JavaScript thread; time is the manual clock's.

namespace {

// The headless screen is 1440 × 900 with a 25-point menu bar; this frame is flipped.
const VLRect kLayout{100, 100, 200, 100};
// The window's platform frame is (100, 700, 200, 100): its resize corner is at (300, 700).
const VLPoint kInside{200, 750};
const VLPoint kAway{800, 300};

VLWidgetSizing resizableSizing(VLSize aspectRatio = {}) {
    VLWidgetSizing sizing;
    sizing.setSize(kLayout.size);
    sizing.setResizableByUser(true);
    sizing.setAspectRatio(aspectRatio);
    return sizing;
}

class VLWidgetResizeCornerTest : public VLWindowServerTest {
protected:
    void TearDown() override {
        if (_widget) {
            _widget->perform([&] {
                if (_window)
                    _window->destroy();
                _window.reset();
            });
        }
        _widget.reset();
        VLWindowServerTest::TearDown();
    }

    // The widget window of a widget launched with the sizing, shown at kLayout.
    std::shared_ptr<VLWindow> open(const VLWidgetSizing& sizing, VLRect layout = kLayout,
                                   std::optional<VLWindowRegion> region = std::nullopt) {
        _widget = std::make_unique<VLTestWidget>(
            std::map<std::string, std::string>{{"index.js", ""}},
            [sizing](VLLocalPathLaunchPayload& payload) { payload.setWidgetSizing(sizing); });
        EXPECT_NE(_widget->runtime(), nullptr);
        _widget->perform([&] {
            _window = VLWindow::create({{"left", layout.origin.x},
                                        {"top", layout.origin.y},
                                        {"width", layout.size.width},
                                        {"height", layout.size.height}},
                                       {{"type", "widget"}});
            _window->setRuntime(_widget->runtime());
            if (region)
                _window->setHitRegion(region);
            _window->show();
        });
        EXPECT_TRUE(_window->isWidgetWindow());
        return _window;
    }

    // A fresh server, clock and widget for the next case of a table.
    void startOver() {
        TearDown();
        SetUp();
    }

    VLRuntime& runtime() { return *_widget->runtime(); }
    void perform(const std::function<void()>& block) { _widget->perform(block); }
    // Keeps the component thread busy, as a long script would, until the promise is kept; then runs the
    // block there.
    std::promise<void> holdComponentThread(const std::function<void()>& then = [] {}) {
        std::promise<void> release;
        _widget->performLater([busy = release.get_future().share(), then] {
            busy.wait();
            then();
        });
        return release;
    }
    // The sizes the platform window took from now on, until the observer goes.
    std::shared_ptr<VLNotificationCenter::Observer> recordSizes(std::vector<VLSize>& sizes) {
        return VLNotificationCenter::defaultCenter().addObserver(
            VLWSWindowDidResizeNotification, _window->platformWindow().get(),
            [&sizes, this](const VLNotification&) { sizes.push_back(platform().frame().size); });
    }
    VLWSWindow& platform() { return *_window->platformWindow(); }
    VLWSWindow& resizeHintWindow() { return *_window->resizeHintWindow(); }
    VLWidgetResizeHintView& hint() {
        return dynamic_cast<VLWidgetResizeHintView&>(*resizeHintWindow().contentView());
    }
    bool hintShown() { return _window->resizeHintWindow() && hint().appeared(); }
    static VLWSDriver& driver() { return VLTestWidget::driver(); }

    // The pointer comes over the window and stays there for the delay.
    void hover(VLPoint at = kInside) {
        driver().moveMouse(at);
        server().clock().advance(1.01);
    }

private:
    std::unique_ptr<VLTestWidget> _widget;
    std::shared_ptr<VLWindow> _window;
};

} // namespace

TEST_F(VLWidgetResizeCornerTest, TheHintShowsASecondAfterThePointerCameOverAnIdleWidget) {
    enum Interruption { None, LeftEarly, ButtonHeld, UserResize };
    const struct {
        const char* name;
        Interruption interruption;
        bool shown;
    } cases[] = {
        {"a second of hover", None, true},
        {"the pointer left within the second", LeftEarly, false},
        // The right button: a left press would drag the widget by its background.
        {"a button held", ButtonHeld, false},
        // The pointer never left, so the resize's end schedules no new show.
        {"a user resize within the second", UserResize, false},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        std::shared_ptr<VLWindow> window = open(resizableSizing());
        driver().moveMouse(kInside);
        server().clock().advance(0.99);
        EXPECT_FALSE(hintShown());
        switch (test.interruption) {
        case None:
            break;
        case LeftEarly:
            driver().moveMouse(kAway);
            break;
        case ButtonHeld:
            driver().mouseDown(1);
            break;
        case UserResize:
            driver().userResize(window->platformWindow(), {{100, 650, 250, 150}});
            driver().moveMouse(kInside);
            break;
        }
        server().clock().advance(2);
        EXPECT_EQ(hintShown(), test.shown);
        if (test.interruption == ButtonHeld)
            driver().mouseUp(1);
        if (test.shown) {
            // A child of the widget window, at its level and in its spaces.
            const VLWSWindow& hintWindow = *window->resizeHintWindow();
            EXPECT_EQ(hintWindow.parentWindow(), window->platformWindow());
            EXPECT_EQ(hintWindow.level(), platform().level());
            EXPECT_EQ(hintWindow.collectionBehavior(), platform().collectionBehavior());
        }
        startOver();
    }
}

TEST_F(VLWidgetResizeCornerTest, AWidgetTheUserCannotResizeNeverShowsAHint) {
    VLWidgetSizing sizing = resizableSizing();
    sizing.setResizableByUser(false);
    open(sizing);
    hover({298, 702});
    EXPECT_EQ(server().windows().size(), 1u);
    EXPECT_TRUE(platform().childWindows().empty());
}

TEST_F(VLWidgetResizeCornerTest, TheCornerKeepsTheHintAndEmphasisFollowsThePointer) {
    open(resizableSizing());
    hover();
    ASSERT_TRUE(hintShown());
    const struct {
        const char* name;
        VLPoint pointer;
        bool shown;
        bool emphasized;
    } steps[] = {
        {"inside, within reach of the corner", {290, 710}, true, true},
        {"inside, far from it", kInside, true, false},
        {"outside the window at the corner", {310, 690}, true, true},
        {"back inside", {290, 710}, true, true},
        {"out at the corner again", {305, 695}, true, true},
        {"away from the window and the corner", kAway, false, false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        driver().moveMouse(step.pointer);
        EXPECT_EQ(hintShown(), step.shown);
        EXPECT_EQ(hint().emphasized(), step.emphasized);
    }
    // Having left for good, the pointer brings the hint back only after another second over the widget.
    driver().moveMouse(kInside);
    server().clock().advance(0.5);
    EXPECT_FALSE(hintShown());
    server().clock().advance(0.6);
    EXPECT_TRUE(hintShown());
}

TEST_F(VLWidgetResizeCornerTest, TheHintNudgesOnlyWhenTheRuntimeAsksAndMotionIsNotReduced) {
    const struct {
        bool nudges, reduceMotion, nudged;
    } cases[] = {{true, false, true}, {true, true, false}, {false, false, false}};
    for (const auto& test : cases) {
        SCOPED_TRACE(testing::Message()
                     << "nudges " << test.nudges << ", reduce motion " << test.reduceMotion);
        open(resizableSizing());
        runtime().setNudgesWidgetResizeHint(test.nudges);
        driver().setReduceMotion(test.reduceMotion);
        hover();
        ASSERT_TRUE(hintShown());
        EXPECT_EQ(hint().body()->layer()->animation("nudge").has_value(), test.nudged);
        startOver();
    }
}

TEST_F(VLWidgetResizeCornerTest, TheHintSitsOnTheCornerOutsideItWhileTheScreenLeavesRoom) {
    const struct {
        const char* name;
        VLRect layout;
        bool outside;
    } cases[] = {
        {"room to the right and below", kLayout, true},
        {"10 points to the right", {1230, 100, 200, 100}, false},
        {"10 points below", {100, 790, 200, 100}, false},
        {"11 points to the right and below", {1229, 789, 200, 100}, true},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        open(resizableSizing(), test.layout);
        const VLRect frame = platform().frame();
        hover({frame.midX(), frame.midY()});
        ASSERT_TRUE(hintShown());
        // A transparent widget has its corner at the window's.
        const VLRect hintFrame = resizeHintWindow().frame();
        EXPECT_EQ(hintFrame.origin.x + hint().corner().x, frame.maxX());
        EXPECT_EQ(hintFrame.origin.y + hint().size().height - hint().corner().y, frame.origin.y);
        EXPECT_EQ(hintFrame.size, hint().size());
        // Shaped for a square corner, outside it or inside.
        VLWidgetResizeHintView shape;
        shape.setCornerRadius(0, test.outside);
        EXPECT_EQ(hint().corner(), shape.corner());
        EXPECT_EQ(hint().size(), shape.size());
        startOver();
    }
}

TEST_F(VLWidgetResizeCornerTest, TheHintHugsTheWidgetsVisibleCorner) {
    open(resizableSizing());
    // Opaque content leaving 10 points free on the right and 4 below, its corner square.
    const std::shared_ptr<VLWSView> content = platform().contentView();
    const VLSize inset{10, 4};
    const double width = kLayout.size.width - inset.width, height = kLayout.size.height - inset.height;
    auto solid =
        std::make_shared<VLWSView>(VLRect{0, content->isFlipped() ? 0 : inset.height, width, height});
    content->addSubview(solid);
    solid->layer()->setBackgroundColor(VLColor::blackColor());
    hover();
    ASSERT_TRUE(hintShown());
    // Shaped around the larger inset, its corner that far out from the content's corner along the
    // diagonal: on the window's right edge, 6 points below its bottom.
    VLWidgetResizeHintView shape;
    shape.setCornerRadius(10, true);
    EXPECT_EQ(hint().corner(), shape.corner());
    const VLRect hintFrame = resizeHintWindow().frame();
    EXPECT_EQ(hintFrame.origin.x + hint().corner().x, 300);
    EXPECT_EQ(hintFrame.origin.y + hint().size().height - hint().corner().y, 694);
}

TEST_F(VLWidgetResizeCornerTest, AUserResizeFitsTheScreenAndEndsWithTheSizeTold) {
    const struct {
        const char* name;
        VLSize aspectRatio;
        VLSize size;
    } cases[] = {
        // The visible frame is 1440 × 875.
        {"with an aspect ratio, scaled into the visible frame", {2, 1}, {1440, 720}},
        {"without one, cut to it per side", {}, {1440, 875}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        std::shared_ptr<VLWindow> window = open(resizableSizing(test.aspectRatio), {0, 25, 200, 100});
        hover({100, 825});
        ASSERT_TRUE(hintShown());
        std::vector<VLNotification> received;
        const auto observer = VLNotificationCenter::defaultCenter().addObserver(
            VLRuntimeWidgetWindowDidEndUserResizeNotification, nullptr,
            [&](const VLNotification& notification) { received.push_back(notification); });
        // Many steps, the last beyond the screen.
        std::vector<VLRect> steps;
        for (int step = 1; step <= 20; ++step)
            steps.push_back({0, 775 - 5.0 * step, 200 + 10.0 * step, 100 + 5.0 * step});
        steps.push_back({0, -625, 3000, 1500});
        ASSERT_TRUE(driver().userResize(window->platformWindow(), steps));
        VLNotificationCenter::defaultCenter().removeObserver(observer);

        EXPECT_EQ(platform().frame().size, test.size);
        EXPECT_EQ(runtime().widgetWindowSize(), test.size);
        ASSERT_EQ(received.size(), 1u);
        EXPECT_EQ(received.front().object(), &runtime());
        EXPECT_TRUE(received.front().userInfo().empty());
        // The press that started it put the hint away.
        EXPECT_FALSE(hintShown());
        startOver();
    }
}

TEST_F(VLWidgetResizeCornerTest, AUserResizableWidgetTakesTheMouseAlongItsEdges) {
    const struct {
        const char* name;
        bool resizable;
        VLPoint pointer;
        bool takes;
    } cases[] = {
        {"5 points in from the right edge", true, {295, 750}, true},
        {"5 points up from the bottom edge", true, {200, 705}, true},
        {"at the top-left corner", true, {101, 799}, true},
        {"7 points in from the right edge", true, {293, 750}, false},
        {"in the middle", true, kInside, false},
        {"at the edge, not resizable", false, {295, 750}, false},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        VLWidgetSizing sizing = resizableSizing();
        sizing.setResizableByUser(test.resizable);
        // An empty hit region: the widget shows nothing solid.
        open(sizing, kLayout, VLWindowRegion{});
        driver().moveMouse(kAway);
        driver().moveMouse(test.pointer);
        EXPECT_EQ(platform().ignoresMouseEvents(), !test.takes);
        startOver();
    }
}

// A user resize while the script keeps the component thread busy: its steps and its end become one write
// of the last frame. The content sizes the widget, so a layout that older work brings at the old size
// would take the window back: it is passed over until the resize's own layout arrives, or half a second
// has passed.
TEST_F(VLWidgetResizeCornerTest, AResizeWhileTheScriptIsBusyIsWrittenOnceAndNotUndoneByOlderLayouts) {
    const struct {
        const char* name;
        double busyFor;
        bool undone;
    } cases[] = {
        {"the component thread free at once", 0, false},
        {"busy for 0.4 s", 0.4, false},
        {"busy for 0.5 s, the target forgotten", 0.5, true},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        VLWidgetSizing sizing = resizableSizing();
        sizing.setResizableByContent(true);
        std::shared_ptr<VLWindow> window = open(sizing);
        const auto recorder = std::make_shared<VLComponentEventRecorder>();
        perform([&] { window->setEventDelegate(recorder); });
        // The script moves the window, at its old size, before the component thread hears of the resize.
        std::promise<void> busy = holdComponentThread([window] {
            window->updateStyle({{"left", 150}, {"top", 100}, {"width", 200}, {"height", 100}});
            window->layoutIfNeeded();
        });
        std::vector<VLRect> steps;
        for (int step = 1; step <= 10; ++step)
            steps.push_back({100, 700 - 5.0 * step, 200 + 10.0 * step, 100 + 5.0 * step});
        ASSERT_TRUE(driver().userResize(window->platformWindow(), steps));
        std::vector<VLSize> sizes;
        const auto observer = recordSizes(sizes);
        server().clock().advance(test.busyFor);
        busy.set_value();
        perform([] {});
        VLNotificationCenter::defaultCenter().removeObserver(observer);

        EXPECT_EQ(recorder->payloads("resize").size(), 1u);
        perform([&] {
            EXPECT_EQ(window->style().get("width"), VLValue(300));
            EXPECT_EQ(window->style().get("height"), VLValue(150));
        });
        EXPECT_EQ(platform().frame().size, VLSize(300, 150));
        const std::vector<VLSize> undoneSizes{{200, 100}, {300, 150}};
        EXPECT_EQ(sizes, test.undone ? undoneSizes : std::vector<VLSize>{});
        // The button's release moved nothing, then or later.
        const VLRect frame = platform().frame();
        server().clock().advance(1);
        perform([] {});
        EXPECT_EQ(platform().frame(), frame);
        startOver();
    }
}

TEST_F(VLWidgetResizeCornerTest, TheHostsMoveWaitsWhileTheUserResizesOrTheWidgetSlidesBack) {
    const VLPoint hostPlace{600, 300};
    {
        SCOPED_TRACE("during a user resize");
        std::shared_ptr<VLWindow> window = open(resizableSizing());
        std::optional<VLRect> afterAsking;
        const auto observer = VLNotificationCenter::defaultCenter().addObserver(
            VLWSWindowDidResizeNotification, window->platformWindow().get(), [&](const VLNotification&) {
                if (afterAsking)
                    return;
                runtime().moveWidgetWindowToPlace(hostPlace);
                afterAsking = platform().frame();
            });
        ASSERT_TRUE(
            driver().userResize(window->platformWindow(), {{100, 690, 210, 110}, {100, 680, 220, 120}}));
        VLNotificationCenter::defaultCenter().removeObserver(observer);
        perform([] {});
        EXPECT_EQ(afterAsking, VLRect(100, 690, 210, 110));
        EXPECT_EQ(platform().frame(), VLRect(100, 680, 220, 120));
        EXPECT_NE(window->widgetPlace(), hostPlace);
    }
    startOver();
    {
        SCOPED_TRACE("during a slide");
        std::shared_ptr<VLWindow> window = open(resizableSizing());
        // Dragged up until its top is 75 points above the visible frame's.
        driver().drag(kInside, {kInside.x, kInside.y + 150}, 2);
        perform([] {});
        server().clock().advance(1.0 / 120 + 0.1);
        const VLRect sliding = platform().frame();
        ASSERT_GT(sliding.maxY(), 875);
        ASSERT_LT(sliding.maxY(), 950);
        runtime().moveWidgetWindowToPlace(hostPlace);
        EXPECT_EQ(platform().frame(), sliding);
        server().clock().advance(0.5);
        perform([] {});
        EXPECT_EQ(platform().frame(), VLRect(100, 775, 200, 100));
        EXPECT_NE(window->widgetPlace(), hostPlace);
    }
}
