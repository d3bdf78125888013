#include "Modules/Window/Window/VLWindow.h"

#include "Core/Runtime/Rendering/VLFrameSourceFactory.h"
#include "Core/Runtime/Rendering/VLRenderingLoop.h"
#include "Core/Runtime/VLRuntime.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/WindowServer/VLWSDriver.h"
#include "Platform/WindowServer/VLWSEvent.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWindowServer.h"
#include "Tests/Support/VLGeometryPrinter.h"
#include "Tests/Support/VLManualFrameSourceFactory.h"
#include "Tests/Support/VLTestWidget.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <glib.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Scripts print the window events they receive while the driver acts as the user.

namespace {

using testing::ElementsAre;

// A fresh window server with the headless screen (1440 × 900, y up) and rendering ticks fired by hand.
class VLWindowEventsTest : public testing::Test {
protected:
    void SetUp() override {
        VLWindowServer::setShared(std::make_shared<VLWindowServer>());
        VLFrameSourceFactory::setShared(_frames);
    }
    void TearDown() override {
        VLFrameSourceFactory::setShared(nullptr);
        VLWindowServer::setShared(nullptr);
    }

    static VLWindowServer& server() { return *VLWindowServer::shared(); }
    static VLWSDriver& driver() { return VLTestWidget::driver(); }

    // Lays the newest widget's windows out, as its rendering loop's next tick does.
    void tick(VLTestWidget& widget) {
        ASSERT_NE(_frames->lastSource(), nullptr);
        _frames->lastSource()->fire();
        widget.settle();
    }

    // The widget's one platform window.
    static std::shared_ptr<VLWSWindow> windowOf(const VLTestWidget& widget) {
        for (const std::shared_ptr<VLWSWindow>& window : server().windows())
            if (VLRuntime::runtimeOwningWindow(*window) == widget.runtime())
                return window;
        return nullptr;
    }

    // What the script printed since the last call.
    static std::vector<std::string> printed(const VLTestWidget& widget) {
        std::vector<std::string> lines(widget.console().begin() + std::ptrdiff_t(_seen),
                                       widget.console().end());
        _seen = widget.console().size();
        return lines;
    }

    // The script's value of the expression, as JSON.
    static std::string evaluate(VLTestWidget& widget, const std::string& expression) {
        std::string json;
        widget.inspect("JSON.stringify(" + expression + ")", [&](JSContextRef ctx, JSValueRef value) {
            JSStringRef string = value ? JSValueToStringCopy(ctx, value, nullptr) : nullptr;
            if (!string)
                return;
            json.resize(JSStringGetMaximumUTF8CStringSize(string));
            json.resize(JSStringGetUTF8CString(string, json.data(), json.size()) - 1);
            JSStringRelease(string);
        });
        return json;
    }

    // A widget whose window `w` of the kind, at 100, 100 sized 200 × 100, prints the events named, each
    // with its argument as JSON.
    std::unique_ptr<VLTestWidget> launch(const std::string& type, const std::string& events,
                                         const VLTestWidget::Configure& configure = {},
                                         const std::string& before = "") {
        _seen = 0;
        const std::string script =
            "globalThis.w = new Velto.Window({ type: '" + type +
            "', style: { left: 100, top: 100, width: 200, height: 100 } });\n" + "for (const name of " +
            events + ")\n" + "    w['on' + name] = (...args) =>\n" +
            "        console.log([name, ...args.map((a) => JSON.stringify(a))].join(' '));\n" + before +
            "w.show();\n";
        auto widget = std::make_unique<VLTestWidget>(std::map<std::string, std::string>{{"index.js", script}},
                                                     configure);
        if (!widget->runtime())
            return widget;
        tick(*widget);
        return widget;
    }

private:
    const std::shared_ptr<VLManualFrameSourceFactory> _frames =
        std::make_shared<VLManualFrameSourceFactory>();
    static inline size_t _seen = 0;
};

// The platform frame of a frame in flipped screen coordinates.
VLRect screenFrame(double left, double top, double width, double height) {
    return {left, 900 - top - height, width, height};
}

} // namespace

TEST_F(VLWindowEventsTest, VisibilityFollowsOcclusionAndFocusFollowsMain) {
    auto widget = launch("panel", "['show', 'hide', 'focus', 'blur', 'close']");
    ASSERT_NE(widget->runtime(), nullptr);
    const std::shared_ptr<VLWSWindow> window = windowOf(*widget);
    ASSERT_NE(window, nullptr);
    EXPECT_THAT(printed(*widget), ElementsAre("log: focus", "log: show"));

    // Another application's opaque window over all of it hides it; taking that away shows it again.
    const int64_t cover =
        driver().addWindow({.ownerPID = 4242, .level = 100, .frame = window->frame().insetBy(-10, -10)});
    widget->settle();
    EXPECT_THAT(printed(*widget), ElementsAre("log: hide"));
    driver().removeWindow(cover);
    widget->settle();
    EXPECT_THAT(printed(*widget), ElementsAre("log: show"));

    // Another window becoming main blurs it although it stays key; becoming main again focuses it.
    auto other = std::make_shared<VLWSWindow>(VLRect(0, 0, 50, 50), VLWSWindowStyleMaskTitled);
    other->orderFront();
    other->makeMainWindow();
    EXPECT_TRUE(window->isKeyWindow());
    window->makeMainWindow();
    widget->settle();
    EXPECT_THAT(printed(*widget), ElementsAre("log: blur", "log: focus"));

    // Closing tells "close" before the window leaves the screen.
    window->close();
    widget->settle();
    EXPECT_THAT(printed(*widget), ElementsAre("log: close", "log: blur", "log: hide"));
}

TEST_F(VLWindowEventsTest, AScaleChangeIsToldOnceAndNotWhenTheHostFixedTheRatio) {
    VLWSScreen screen = VLWSScreen::defaultScreen();
    screen.backingScaleFactor = 2;
    ASSERT_TRUE(server().setScreens({screen}));
    const std::string events = "['devicepixelratiochange']";
    const std::string before = "w.ondevicepixelratiochange = (...args) => console.log('ratio', args.length, "
                               "w.devicePixelRatio);\n";
    auto own = launch("panel", events, {}, before);
    ASSERT_NE(own->runtime(), nullptr);
    auto fixed = launch(
        "panel", events, [](VLLocalPathLaunchPayload& payload) { payload.setDevicePixelRatio(3); }, before);
    ASSERT_NE(fixed->runtime(), nullptr);
    const std::shared_ptr<VLWSWindow> window = windowOf(*own);
    ASSERT_NE(window, nullptr);
    const auto component = std::dynamic_pointer_cast<VLWindow>(window->delegate());
    ASSERT_NE(component, nullptr);
    EXPECT_EQ(component->devicePixelRatio(), 2);

    screen.backingScaleFactor = 1;
    ASSERT_TRUE(server().setScreens({screen}));
    own->settle();
    fixed->settle();
    EXPECT_EQ(component->devicePixelRatio(), 1);
    // The same scale told again is no change.
    component->windowDidChangeBackingProperties(*window);
    own->settle();
    EXPECT_THAT(own->console(), ElementsAre("log: ratio 0 1"));
    EXPECT_THAT(fixed->console(), ElementsAre());
    EXPECT_EQ(evaluate(*fixed, "w.devicePixelRatio"), "3");
}

TEST_F(VLWindowEventsTest, TheRenderingLoopFollowsTheWindowToAnotherScreen) {
    VLWSScreen second = VLWSScreen::defaultScreen();
    second.displayID = 2;
    second.isMain = false;
    second.frame = second.visibleFrame = {1440, 0, 1440, 900};
    ASSERT_TRUE(server().setScreens({VLWSScreen::defaultScreen(), second}));
    auto widget = launch("panel", "[]");
    ASSERT_NE(widget->runtime(), nullptr);
    EXPECT_EQ(widget->runtime()->renderingLoop()->displayID(), 1u);
    widget->inspect("w.style.left = 1600", [](JSContextRef, JSValueRef) {});
    tick(*widget);
    EXPECT_EQ(windowOf(*widget)->frame(), screenFrame(1600, 100, 200, 100));
    EXPECT_EQ(widget->runtime()->renderingLoop()->displayID(), 2u);
}

TEST_F(VLWindowEventsTest, KeysArriveOnlyWhenTheKeyboardWasAllowedAsTheListenerWasAdded) {
    for (const bool allowed : {true, false}) {
        SCOPED_TRACE(allowed ? "allowed" : "forbidden");
        auto widget = launch("panel", "['keydown', 'keyup']", [allowed](VLLocalPathLaunchPayload& payload) {
            payload.setAllowsKeyboard(allowed);
        });
        ASSERT_NE(widget->runtime(), nullptr);
        ASSERT_TRUE(windowOf(*widget)->isKeyWindow());
        // Changing the permission later changes nothing for the listener there is.
        widget->runtime()->setAllowsKeyboard(!allowed);
        driver().keyDown(0, "A", VLWSEventModifierFlagShift | VLWSEventModifierFlagCommand);
        driver().keyDown(0, "A", VLWSEventModifierFlagShift, true);
        driver().keyUp(0, "a");
        widget->settle();
        if (allowed) {
            EXPECT_THAT(
                printed(*widget),
                ElementsAre(
                    R"(log: keydown {"code":0,"characters":"A","repeat":false,"ctrlKey":false,"altKey":false,"metaKey":true,"shiftKey":true})",
                    R"(log: keydown {"code":0,"characters":"A","repeat":true,"ctrlKey":false,"altKey":false,"metaKey":false,"shiftKey":true})",
                    R"(log: keyup {"code":0,"characters":"a","repeat":false,"ctrlKey":false,"altKey":false,"metaKey":false,"shiftKey":false})"));
        } else {
            EXPECT_THAT(printed(*widget), ElementsAre());
        }
    }
}

TEST_F(VLWindowEventsTest, ADragByTheBackgroundMovesTheStyleAndALayoutMoveIsNoUserMove) {
    auto widget = launch("overlay", "['move']");
    ASSERT_NE(widget->runtime(), nullptr);
    const std::shared_ptr<VLWSWindow> window = windowOf(*widget);
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(window->frame(), screenFrame(100, 100, 200, 100));
    EXPECT_THAT(printed(*widget), ElementsAre());

    // Two platform moves, each told with its flipped top-left corner.
    driver().drag({150, 750}, {170, 730}, 2);
    widget->settle();
    EXPECT_THAT(printed(*widget),
                ElementsAre(R"(log: move {"x":110,"y":110})", R"(log: move {"x":120,"y":120})"));
    EXPECT_EQ(evaluate(*widget, "[w.style.left, w.style.top, w.style.right, w.style.marginTop]"),
              "[120,120,0,0]");
    // The drag timer ends the move once it sees the button up; layout places the window again after it.
    while (window->vl_pressMovesWindow())
        g_main_context_iteration(g_main_context_default(), true);
    tick(*widget);
    EXPECT_EQ(window->frame(), screenFrame(120, 120, 200, 100));

    // The script's own move is laid out, not told back.
    widget->inspect("w.style.left = 300", [](JSContextRef, JSValueRef) {});
    tick(*widget);
    EXPECT_EQ(window->frame(), screenFrame(300, 120, 200, 100));
    EXPECT_THAT(printed(*widget), ElementsAre());
}

TEST_F(VLWindowEventsTest, AUserResizeIsToldOnceAtTheEndAndKeptInTheStyle) {
    auto widget = launch("panel", "['move', 'resize']");
    ASSERT_NE(widget->runtime(), nullptr);
    const std::shared_ptr<VLWSWindow> window = windowOf(*widget);
    ASSERT_NE(window, nullptr);

    // The bottom edge goes down: the platform origin moves, the top-left corner does not.
    ASSERT_TRUE(
        driver().userResize(window, {screenFrame(100, 100, 250, 120), screenFrame(100, 100, 300, 150)}));
    widget->settle();
    EXPECT_THAT(printed(*widget), ElementsAre(R"(log: move {"x":100,"y":100})",
                                              R"(log: move {"x":100,"y":100})", "log: resize"));
    EXPECT_EQ(evaluate(*widget, "['width', 'minWidth', 'maxWidth', 'height', 'minHeight', 'maxHeight']"
                                ".map((key) => w.style[key])"),
              "[300,300,300,150,150,150]");
    tick(*widget);
    EXPECT_EQ(window->frame(), screenFrame(100, 100, 300, 150));
}

TEST_F(VLWindowEventsTest, TilingIsUndoneAtEachStepUnlessAllowedOrTheUserZooms) {
    using Action = std::function<bool(const std::shared_ptr<VLWSWindow>&)>;
    const VLRect start = screenFrame(100, 100, 200, 100);
    const VLRect left{0, 0, 720, 875};
    const struct {
        const char* name;
        bool allowsTiling;
        Action action;
        VLRect frame;
    } cases[] = {
        {"tiling forbidden", false, [&](const auto& w) { return driver().tile(w, left); }, start},
        {"tiling allowed", true, [&](const auto& w) { return driver().tile(w, left); }, left},
        {"zoom", false, [](const auto& w) { return driver().zoom(w); }, VLRect(0, 0, 1440, 875)},
        {"full screen", false, [](const auto& w) { return driver().toggleFullScreen(w); },
         VLRect(0, 0, 1440, 900)},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        auto widget =
            launch("panel", "['resize']", {},
                   std::string("w.allowsTiling = ") + (test.allowsTiling ? "true" : "false") + ";\n");
        ASSERT_NE(widget->runtime(), nullptr);
        const std::shared_ptr<VLWSWindow> window = windowOf(*widget);
        ASSERT_NE(window, nullptr);
        ASSERT_EQ(window->frame(), start);

        std::vector<VLRect> stepped;
        const auto observer = VLNotificationCenter::defaultCenter().addObserver(
            VLWSWindowDidResizeNotification, window.get(),
            [&](const VLNotification&) { stepped.push_back(window->frame()); });
        ASSERT_TRUE(test.action(window));
        widget->settle();
        EXPECT_EQ(window->frame(), test.frame);
        ASSERT_FALSE(stepped.empty());
        EXPECT_EQ(stepped.front(), test.frame);
        EXPECT_EQ(printed(*widget),
                  test.frame == start ? std::vector<std::string>{} : std::vector<std::string>{"log: resize"});
        tick(*widget);
        EXPECT_EQ(window->frame(), test.frame);
    }
}

TEST_F(VLWindowEventsTest, AZoomIsNoTilingOnlyUntilTheMainQueueTurns) {
    auto widget = launch("panel", "[]", {}, "w.allowsTiling = false;\n");
    ASSERT_NE(widget->runtime(), nullptr);
    const std::shared_ptr<VLWSWindow> window = windowOf(*widget);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(driver().zoom(window));
    widget->settle();
    const VLRect zoomed = window->frame();
    ASSERT_TRUE(driver().tile(window, {0, 0, 720, 875}));
    EXPECT_EQ(window->frame(), zoomed);
}
