#include "Core/Runtime/VLRuntime.h"
#include "Modules/Window/Component/VLComponentView.h"
#include "Modules/Window/Window/VLWidgetResizeHintView.h"
#include "Modules/Window/Window/VLWindow.h"
#include "Platform/WindowServer/VLWSDriver.h"
#include "Platform/WindowServer/VLWSTrackingArea.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWindowServer.h"
#include "Tests/Support/VLComponentEventRecorder.h"
#include "Tests/Support/VLGeometryPrinter.h"
#include "Tests/Support/VLTestWidget.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

// Each test gets a fresh window server with the headless screen (1440 × 900, y up).
class VLWidgetWindowTest : public testing::Test {
protected:
    void SetUp() override { VLWindowServer::setShared(std::make_shared<VLWindowServer>()); }
    void TearDown() override { VLWindowServer::setShared(nullptr); }

    static VLWindowServer& server() { return *VLWindowServer::shared(); }
};

// The platform frame of a frame given in flipped screen coordinates.
VLRect screenFrame(VLPoint topLeft, VLSize size) {
    return {topLeft.x, 900 - topLeft.y - size.height, size.width, size.height};
}

// A widget launched with the sizing, whose windows live on its JavaScript thread and go there.
class Widget {
public:
    explicit Widget(std::optional<VLWidgetSizing> sizing)
        : _widget(std::map<std::string, std::string>{{"index.js", ""}},
                  [sizing](VLLocalPathLaunchPayload& payload) { payload.setWidgetSizing(sizing); }) {}
    ~Widget() {
        _widget.perform([&] { _windows.clear(); });
    }

    VLRuntime& runtime() { return *_widget.runtime(); }
    void perform(const std::function<void()>& block) { _widget.perform(block); }

    // A window of the kind, laid out at the frame (flipped); `adjust` runs before it is shown.
    std::shared_ptr<VLWindow> make(const char* type, VLRect layout) {
        std::shared_ptr<VLWindow> window;
        perform([&] {
            window = VLWindow::create({{"left", layout.origin.x},
                                       {"top", layout.origin.y},
                                       {"width", layout.size.width},
                                       {"height", layout.size.height}},
                                      {{"type", type}});
            window->setRuntime(_widget.runtime());
            _windows.push_back(window);
        });
        return window;
    }
    std::shared_ptr<VLWindow> show(const char* type, VLRect layout,
                                   const std::function<void(VLWindow&)>& adjust = {}) {
        std::shared_ptr<VLWindow> window = make(type, layout);
        perform([&] {
            if (adjust)
                adjust(*window);
            window->show();
        });
        return window;
    }

    // Whether the window is the runtime's widget window, on both threads' terms.
    bool isWidgetWindow(const std::shared_ptr<VLWindow>& window) {
        const bool claimed =
            runtime().widgetWindowComponent() == std::shared_ptr<VLWidgetWindowComponent>(window);
        EXPECT_EQ(claimed, window->isWidgetWindow());
        EXPECT_EQ(claimed, window->platformWindow() && runtime().widgetWindow() == window->platformWindow());
        return claimed;
    }

private:
    VLTestWidget _widget;
    std::vector<std::shared_ptr<VLWindow>> _windows; // the JavaScript thread's
};

VLWidgetSizing sizingOfSize(VLSize size) {
    VLWidgetSizing sizing;
    sizing.setSize(size);
    return sizing;
}

} // namespace

TEST_F(VLWidgetWindowTest, OnlyTheFirstOwnTopLevelWidgetOrOverlayWindowShownClaims) {
    enum Setup { Plain, Child, Hosted, Second };
    const struct {
        const char* name;
        bool sizing;
        const char* type;
        Setup setup;
        bool claims;
    } cases[] = {
        {"a widget window", true, "widget", Plain, true},
        {"an overlay window", true, "overlay", Plain, true},
        {"no widget sizing", false, "widget", Plain, false},
        {"a panel", true, "panel", Plain, false},
        {"a desktop window", true, "desktop", Plain, false},
        {"a child window", true, "widget", Child, false},
        {"a hosted window", true, "overlay", Hosted, false},
        {"the second window", true, "overlay", Second, false},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        VLWindowServer::setShared(std::make_shared<VLWindowServer>());
        Widget widget(test.sizing ? std::optional(sizingOfSize({200, 120})) : std::nullopt);
        const auto host = std::make_shared<VLComponentView>(VLRect(0, 0, 400, 400));
        std::shared_ptr<VLWindow> first;
        if (test.setup == Second)
            first = widget.show("widget", {0, 0, 50, 50});
        const std::shared_ptr<VLWindow> parent = test.setup == Child ? widget.make("widget", {}) : nullptr;
        const std::shared_ptr<VLWindow> window =
            widget.show(test.type, {100, 50, 200, 120}, [&](VLWindow& window) {
                if (parent)
                    window.setParentWindow(parent);
                if (test.setup == Hosted) {
                    window.setHostView(host);
                    window.setHostArea({0, 0, 400, 400});
                }
            });

        EXPECT_EQ(widget.isWidgetWindow(window), test.claims);
        if (first) {
            EXPECT_TRUE(widget.isWidgetWindow(first));
        }
        if (test.claims) {
            EXPECT_EQ(widget.runtime().widgetWindowSize(), VLSize(200, 120));
            EXPECT_EQ(widget.runtime().widgetWindowPlace(), VLPoint(100, 50));
        } else if (!first) {
            EXPECT_EQ(widget.runtime().widgetWindowComponent(), nullptr);
            EXPECT_EQ(widget.runtime().widgetWindow(), nullptr);
            EXPECT_FALSE(widget.runtime().hasWidgetWindowPlace());
        }
        // Claimed or not, the window shows as its kind shows.
        EXPECT_TRUE(test.setup == Hosted ? window->isHosted() : window->platformWindow()->isVisible());
    }
}

TEST_F(VLWidgetWindowTest, TheWindowOpensAtThePlaceTheRuntimeOrTheSizingGives) {
    // The widget size is zero throughout, which leaves the frame as laid out.
    const VLRect layout{100, 50, 200, 120};
    const std::optional<VLPoint> none;
    const struct {
        const char* name;
        std::optional<VLPoint> runtimePlace, place, start;
        VLPoint opensAt;
    } cases[] = {
        {"without a place, where laid out", none, none, none, {100, 50}},
        {"the sizing's place", none, VLPoint{300, 200}, none, {300, 200}},
        {"the sizing's place, moved as the layout moved from its start",
         none,
         VLPoint{300, 200},
         VLPoint{90, 40},
         {310, 210}},
        {"a start alone does nothing", none, none, VLPoint{90, 40}, {100, 50}},
        {"the runtime's place wins", VLPoint{500, 400}, VLPoint{300, 200}, VLPoint{90, 40}, {500, 400}},
        {"a place that is not finite counts as none",
         none,
         VLPoint{notANumber, 200},
         VLPoint{90, 40},
         {100, 50}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        VLWindowServer::setShared(std::make_shared<VLWindowServer>());
        VLWidgetSizing sizing;
        sizing.setPlace(test.place);
        sizing.setStart(test.start);
        Widget widget(sizing);
        if (test.runtimePlace) {
            widget.runtime().setWidgetWindowPlace(*test.runtimePlace);
            widget.runtime().setHasWidgetWindowPlace(true);
        }
        const std::shared_ptr<VLWindow> window = widget.show("widget", layout);
        ASSERT_TRUE(widget.isWidgetWindow(window));
        EXPECT_EQ(window->platformWindow()->frame(), screenFrame(test.opensAt, layout.size));
        EXPECT_EQ(window->widgetPlace(), test.opensAt);
        EXPECT_EQ(widget.runtime().widgetWindowPlace(), test.opensAt);
        EXPECT_TRUE(widget.runtime().hasWidgetWindowPlace());

        // Later layouts that only resize keep the place.
        widget.perform([&] {
            window->updateStyle({{"left", window->style().get("left")},
                                 {"top", window->style().get("top")},
                                 {"width", 220},
                                 {"height", 130}});
            window->handleRenderingTick();
        });
        EXPECT_EQ(window->platformWindow()->frame(), screenFrame(test.opensAt, {220, 130}));
    }
}

TEST_F(VLWidgetWindowTest, TheNextWidgetWindowReopensWhereTheHostLastPutTheWidget) {
    VLWidgetSizing sizing;
    sizing.setPlace(VLPoint{300, 200});
    Widget widget(sizing);
    const std::shared_ptr<VLWindow> first = widget.show("widget", {10, 20, 100, 80});
    ASSERT_TRUE(widget.isWidgetWindow(first));
    EXPECT_EQ(first->platformWindow()->frame(), screenFrame({300, 200}, {100, 80}));
    widget.runtime().moveWidgetWindowToPlace({400, 250});
    EXPECT_EQ(first->platformWindow()->frame(), screenFrame({400, 250}, {100, 80}));

    widget.perform([&] { first->close(); });
    EXPECT_FALSE(widget.isWidgetWindow(first));
    EXPECT_EQ(first->widgetPlace(), std::nullopt);
    EXPECT_EQ(widget.runtime().widgetWindowPlace(), VLPoint(400, 250));
    // Without a widget window the host's moves go nowhere.
    widget.runtime().moveWidgetWindowToPlace({0, 0});
    EXPECT_EQ(first->platformWindow()->frame(), screenFrame({400, 250}, {100, 80}));

    const std::shared_ptr<VLWindow> second = widget.show("overlay", {0, 0, 50, 60});
    ASSERT_TRUE(widget.isWidgetWindow(second));
    EXPECT_EQ(second->platformWindow()->frame(), screenFrame({400, 250}, {50, 60}));
    widget.perform([&] { second->destroy(); });
    EXPECT_EQ(widget.runtime().widgetWindowComponent(), nullptr);
    EXPECT_EQ(widget.runtime().widgetWindow(), nullptr);
    EXPECT_EQ(widget.runtime().widgetWindowPlace(), VLPoint(400, 250));
}

TEST_F(VLWidgetWindowTest, OnlyAUserResizableWidgetGetsTheResizeStyleHintAndTracking) {
    const double largest = std::numeric_limits<double>::max();
    for (const bool resizable : {false, true}) {
        SCOPED_TRACE(resizable ? "resizable" : "fixed");
        VLWindowServer::setShared(std::make_shared<VLWindowServer>());
        VLWidgetSizing sizing;
        sizing.setResizableByUser(resizable);
        sizing.setMinimumSize({0, 50});
        sizing.setMaximumSize({-1, 300});
        sizing.setAspectRatio({2, 1});
        Widget widget(sizing);
        const std::shared_ptr<VLWindow> component = widget.show("widget", {0, 0, 100, 50});
        ASSERT_TRUE(widget.isWidgetWindow(component));
        const VLWSWindow& window = *component->platformWindow();
        const std::shared_ptr<VLWSWindow>& hint = component->resizeHintWindow();
        const auto& areas = window.contentView()->trackingAreas();
        EXPECT_EQ(window.styleMask(), resizable ? 0x0eu : 0x06u);
        EXPECT_EQ(server().windows().size(), resizable ? 2u : 1u);
        if (!resizable) {
            EXPECT_EQ(hint, nullptr);
            EXPECT_TRUE(areas.empty());
            continue;
        }
        EXPECT_EQ(window.contentMinSize(), VLSize(1, 50));
        EXPECT_EQ(window.contentMaxSize(), VLSize(largest, 300));
        EXPECT_EQ(window.contentAspectRatio(), VLSize(2, 1));
        ASSERT_NE(hint, nullptr);
        EXPECT_NE(dynamic_cast<VLWidgetResizeHintView*>(hint->contentView().get()), nullptr);
        EXPECT_EQ(hint->styleMask(), 0u);
        EXPECT_EQ(hint->alphaValue(), 0);
        EXPECT_TRUE(hint->ignoresMouseEvents());
        EXPECT_FALSE(hint->isOpaque());
        EXPECT_FALSE(hint->hasShadow());
        EXPECT_EQ(hint->backgroundColor(), VLColor::clearColor());
        ASSERT_EQ(areas.size(), 1u);
        EXPECT_EQ(areas.front()->options(), 0x283u);
        EXPECT_EQ(areas.front()->owner(), std::shared_ptr<VLWSResponder>(component));

        // Closing gives all of it back.
        widget.perform([&] { component->close(); });
        EXPECT_EQ(window.styleMask(), 0x06u);
        EXPECT_EQ(component->resizeHintWindow(), nullptr);
        EXPECT_TRUE(window.contentView()->trackingAreas().empty());
        EXPECT_EQ(server().windows().size(), 1u);
    }
}

TEST_F(VLWidgetWindowTest, AbsurdSizingsAndMissingScreensStillMakeAWidgetWindow) {
    VLWidgetSizing absurd;
    absurd.setSize({notANumber, -5});
    absurd.setMinimumSize({notANumber, -1});
    absurd.setMaximumSize({1e308, infinity});
    absurd.setAspectRatio({infinity, notANumber});
    absurd.setResizableByUser(true);
    absurd.setResizableByContent(true);
    absurd.setPlace(VLPoint{infinity, 1e308});
    absurd.setStart(VLPoint{notANumber, 0});
    for (const bool screens : {true, false}) {
        SCOPED_TRACE(screens ? "a screen" : "no screen");
        VLWindowServer::setShared(std::make_shared<VLWindowServer>());
        if (!screens) {
            ASSERT_TRUE(server().setScreens({}));
        }
        Widget widget(absurd);
        const std::shared_ptr<VLWindow> component = widget.show("overlay", {100, 50, 200, 120});
        ASSERT_TRUE(widget.isWidgetWindow(component));
        const VLWSWindow& window = *component->platformWindow();
        EXPECT_EQ(window.contentMinSize(), VLSize(1, 1));
        EXPECT_EQ(window.contentMaxSize(), VLSize(1e308, std::numeric_limits<double>::max()));
        EXPECT_EQ(window.contentAspectRatio(), VLSize());
        // Without a screen, flipping has no height to go by.
        EXPECT_EQ(window.frame(), screens ? screenFrame({100, 50}, {200, 120}) : VLRect(100, -170, 200, 120));
        EXPECT_EQ(widget.runtime().widgetWindowPlace(), VLPoint(100, 50));
        widget.perform([&] { component->destroy(); });
        EXPECT_EQ(widget.runtime().widgetWindow(), nullptr);
    }
}

TEST_F(VLWidgetWindowTest, TheWidgetSizeAndTheVisibleFrameShapeTheWindowItsHitRegionTheMargins) {
    // A widget of 300 × 200 laid out at 200 × 120, its hit region leaving 20 points clear on the left,
    // which may hang off the screen.
    const struct {
        const char* name;
        std::optional<VLPoint> place;
        VLPoint opensAt;
    } cases[] = {
        {"where laid out", std::nullopt, {100, 50}},
        {"a place past the right edge and above the top", VLPoint{2000, -100}, {1140, 25}},
        {"a place past the left edge", VLPoint{-500, 100}, {-20, 100}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        VLWindowServer::setShared(std::make_shared<VLWindowServer>());
        VLWidgetSizing sizing = sizingOfSize({300, 200});
        sizing.setPlace(test.place);
        Widget widget(sizing);
        const std::shared_ptr<VLWindow> window =
            widget.show("widget", {100, 50, 200, 120}, [](VLWindow& window) {
                window.setHitRegion(VLWindowRegion{{20, 0, 280, 200}});
            });
        ASSERT_TRUE(widget.isWidgetWindow(window));
        EXPECT_EQ(window->platformWindow()->frame(), screenFrame(test.opensAt, {300, 200}));
        EXPECT_EQ(widget.runtime().widgetWindowMargins(), (VLEdgeInsets{0, 20, 0, 0}));

        // A layout that only resizes keeps the place.
        widget.perform([&] {
            VLDictionary style = window->style();
            style.set("width", 220);
            style.set("height", 120);
            window->updateStyle(style);
            window->handleRenderingTick();
        });
        EXPECT_EQ(window->platformWindow()->frame(), screenFrame(test.opensAt, {300, 200}));
    }
}

TEST_F(VLWidgetWindowTest, TheEnginesAndTheHostsMovesBecomeThePlaceWhileTheUsersDragGoesFirst) {
    Widget widget(sizingOfSize({300, 200}));
    const std::shared_ptr<VLWindow> component = widget.show("widget", {100, 50, 300, 200});
    ASSERT_TRUE(widget.isWidgetWindow(component));
    const std::shared_ptr<VLWSWindow>& window = component->platformWindow();

    // A move nobody restricts is the new place.
    window->setFrameOrigin(screenFrame({600, 300}, {300, 200}).origin);
    EXPECT_EQ(widget.runtime().widgetWindowPlace(), VLPoint(600, 300));

    // The host's place is kept even where the window may not go.
    widget.runtime().moveWidgetWindowToPlace({2000, 100});
    EXPECT_EQ(window->frame(), screenFrame({1140, 100}, {300, 200}));
    EXPECT_EQ(widget.runtime().widgetWindowPlace(), VLPoint(2000, 100));

    // While the user drags the window, the host cannot move it.
    VLWSDriver& driver = VLTestWidget::driver();
    driver.moveMouse({1200, 700});
    driver.mouseDown();
    driver.moveMouse({1100, 650});
    const VLRect dragged = window->frame();
    ASSERT_NE(dragged, screenFrame({1140, 100}, {300, 200}));
    widget.runtime().moveWidgetWindowToPlace({10, 10});
    EXPECT_EQ(window->frame(), dragged);
    driver.mouseUp();
    widget.perform([] {});
}

TEST_F(VLWidgetWindowTest, AWindowOriginOffTheLayoutByHalfAPointOrMoreIsWrittenBack) {
    // The runtime's place puts the window off its layout origin (100, 50).
    const struct {
        const char* name;
        VLPoint place;
        std::vector<VLDictionary> moves;
        double left;
    } cases[] = {
        {"0.4 points off", {100.4, 50}, {}, 100},
        {"a point to the right", {101, 50}, {{{"x", 101}, {"y", 50}}}, 101},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        VLWindowServer::setShared(std::make_shared<VLWindowServer>());
        Widget widget(sizingOfSize({200, 120}));
        widget.runtime().setWidgetWindowPlace(test.place);
        widget.runtime().setHasWidgetWindowPlace(true);
        const auto recorder = std::make_shared<VLComponentEventRecorder>();
        const std::shared_ptr<VLWindow> window = widget.show(
            "widget", {100, 50, 200, 120}, [&](VLWindow& window) { window.setEventDelegate(recorder); });
        ASSERT_TRUE(widget.isWidgetWindow(window));
        EXPECT_EQ(window->platformWindow()->frame(), screenFrame(test.place, {200, 120}));
        EXPECT_EQ(recorder->payloads("move"), test.moves);
        widget.perform([&] { EXPECT_EQ(window->style().get("left").doubleValue(), test.left); });
    }
}

// The sizing fixes the window's size: a layout (on a grid of half points) less than half a point off it
// is left as the script made it; one off by half a point or more is written back as a "resize".
TEST_F(VLWidgetWindowTest, AWindowSizeOffTheLayoutByHalfAPointOrMoreIsWrittenBack) {
    const struct {
        const char* name;
        double sizingWidth, layoutWidth;
        size_t resizes;
        double styleWidth;
    } cases[] = {
        {"0.2 points off", 200.2, 200, 0, 200},
        {"half a point off", 200, 200.5, 1, 200},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        VLWindowServer::setShared(std::make_shared<VLWindowServer>());
        Widget widget(sizingOfSize({test.sizingWidth, 100}));
        const auto recorder = std::make_shared<VLComponentEventRecorder>();
        const std::shared_ptr<VLWindow> window =
            widget.show("widget", {100, 50, test.layoutWidth, 100},
                        [&](VLWindow& window) { window.setEventDelegate(recorder); });
        ASSERT_TRUE(widget.isWidgetWindow(window));
        EXPECT_EQ(window->platformWindow()->frame(), screenFrame({100, 50}, {test.sizingWidth, 100}));
        EXPECT_EQ(recorder->payloads("resize").size(), test.resizes);
        EXPECT_TRUE(recorder->payloads("move").empty());
        widget.perform([&] { EXPECT_EQ(window->style().get("width").doubleValue(), test.styleWidth); });
    }
}

TEST_F(VLWidgetWindowTest, AWindowFrameThatTheContentHasMovedPastIsNotWrittenBack) {
    Widget widget(sizingOfSize({200, 120}));
    widget.runtime().setWidgetWindowPlace({101, 50});
    widget.runtime().setHasWidgetWindowPlace(true);
    const auto recorder = std::make_shared<VLComponentEventRecorder>();
    const std::shared_ptr<VLWindow> window = widget.make("widget", {100, 50, 200, 120});
    // The script moves the window before the main thread has told it where the window opened.
    widget.perform([&] {
        window->setEventDelegate(recorder);
        window->show();
        window->updateStyle({{"left", 300}, {"top", 60}, {"width", 200}, {"height", 120}});
    });
    EXPECT_TRUE(recorder->payloads("move").empty());
    EXPECT_EQ(window->platformWindow()->frame(), screenFrame({300, 60}, {200, 120}));
    EXPECT_EQ(window->widgetPlace(), VLPoint(300, 60));
    widget.perform([&] { EXPECT_EQ(window->style().get("left"), VLValue(300)); });
}

TEST_F(VLWidgetWindowTest, AContentLayoutMovesThePlaceOnlyWhenTheContentMovedTheWindow) {
    // The window cannot follow its layout to x = −20: it stays 20 points right of its place.
    const struct {
        const char* name;
        VLDictionary change;
        VLPoint place;
        VLRect frame;
    } cases[] = {
        {"a resize keeps the place", {{"width", 210}}, {-20, 50}, {0, 50, 210, 120}},
        {"a move takes the layout's origin", {{"left", 100}, {"top", 60}}, {100, 60}, {100, 60, 200, 120}},
        {"a move with a resize keeps the window's offset from the place",
         {{"left", 100}, {"top", 60}, {"width", 210}},
         {80, 60},
         {80, 60, 210, 120}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        VLWindowServer::setShared(std::make_shared<VLWindowServer>());
        VLWidgetSizing sizing = sizingOfSize({200, 120});
        sizing.setResizableByContent(true);
        Widget widget(sizing);
        const std::shared_ptr<VLWindow> window = widget.show("widget", {-20, 50, 200, 120});
        ASSERT_TRUE(widget.isWidgetWindow(window));
        EXPECT_EQ(window->widgetPlace(), VLPoint(-20, 50));
        EXPECT_EQ(window->platformWindow()->frame(), screenFrame({0, 50}, {200, 120}));

        widget.perform([&] {
            VLDictionary style = window->style();
            for (const auto& [key, value] : test.change)
                style.set(key, value);
            window->updateStyle(style);
            window->handleRenderingTick();
        });
        EXPECT_EQ(window->widgetPlace(), test.place);
        EXPECT_EQ(window->platformWindow()->frame(), screenFrame(test.frame.origin, test.frame.size));
        EXPECT_EQ(widget.runtime().widgetWindowSize(), test.frame.size);
    }
}

TEST_F(VLWidgetWindowTest, TheWidgetKeepsOnTheDisplayByWhatItsHitRegionLeavesTransparent) {
    Widget widget(sizingOfSize({200, 120}));
    const std::shared_ptr<VLWindow> window = widget.show("widget", {-20, 50, 200, 120});
    ASSERT_TRUE(widget.isWidgetWindow(window));
    EXPECT_EQ(window->platformWindow()->frame(), screenFrame({0, 50}, {200, 120}));

    // The left 20 points are transparent: they may hang off the screen.
    widget.perform([&] { window->setHitRegion(VLWindowRegion{{20, 0, 180, 120}}); });
    EXPECT_EQ(window->platformWindow()->frame(), screenFrame({-20, 50}, {200, 120}));
    EXPECT_EQ(widget.runtime().widgetWindowMargins(), (VLEdgeInsets{0, 20, 0, 0}));
    widget.perform([&] { EXPECT_EQ(window->style().get("left"), VLValue(-20)); });

    widget.perform([&] { window->setHitRegion(std::nullopt); });
    EXPECT_EQ(window->platformWindow()->frame(), screenFrame({0, 50}, {200, 120}));
    EXPECT_EQ(widget.runtime().widgetWindowMargins(), VLEdgeInsets{});
    EXPECT_EQ(window->widgetPlace(), VLPoint(-20, 50));
}
