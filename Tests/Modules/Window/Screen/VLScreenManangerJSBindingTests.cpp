#include "Modules/Window/Screen/VLScreenManangerJSBinding.h"

#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Launcher/VLManager.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/WindowServer/VLWindowServer.h"
#include "Tests/Support/VLTestWidget.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// Scripts describe screens compactly: "id[m] x y w h / x y w h", the m for a display in a mirror set,
// then the bounds and the visible frame.
constexpr const char* describing = R"(
    globalThis.rect = r => [r.x, r.y, r.width, r.height].join(' ');
    globalThis.describe = s =>
        s.identifier + (s.isInMirrorSet ? 'm' : '') + ' ' + rect(s.bounds) + ' / ' + rect(s.visibleFrame);
    globalThis.listed = () => Velto.ScreenManager.screens.map(describe).join(', ');
)";

// Each test has a window server of its own, with the default screen.
class VLScreenManangerJSBindingTest : public testing::Test {
protected:
    void SetUp() override {
        _server = std::make_shared<VLWindowServer>();
        VLWindowServer::setShared(_server);
    }
    void TearDown() override {
        VLManager::setDisplayIdentifierProvider(nullptr);
        VLWindowServer::setShared(nullptr);
    }

    VLWindowServer& server() { return *_server; }

    static std::string evaluate(VLTestWidget& widget, const std::string& expression) {
        return widget.evaluate(expression);
    }

private:
    std::shared_ptr<VLWindowServer> _server;
};

// A display to the right of the default one, with a Dock of 70 points at its bottom.
VLWSScreen rightScreen(uint32_t displayID = 2) {
    VLWSScreen screen;
    screen.displayID = displayID;
    screen.frame = {1440, 0, 1920, 1080};
    screen.visibleFrame = {1440, 70, 1920, 1010};
    screen.modePixelSize = VLSize{3840, 2160};
    return screen;
}

} // namespace

TEST_F(VLScreenManangerJSBindingTest, TheDefaultScreenReadsAsTheWindowServerHasItFromTheLaunchOn) {
    VLTestWidget widget(std::map<std::string, std::string>{{"index.js", std::string(describing) + R"(
        globalThis.full = s => JSON.stringify({
            identifier: s.identifier, isActive: s.isActive, isAsleep: s.isAsleep, isOnline: s.isOnline,
            isMain: s.isMain, isBuiltin: s.isBuiltin, isInMirrorSet: s.isInMirrorSet, bounds: s.bounds,
            visibleFrame: s.visibleFrame, resolution: s.resolution, physicalSize: s.physicalSize });
        globalThis.atLaunch = full(Velto.ScreenManager.mainScreen);
    )"}});
    ASSERT_TRUE(widget.runtime());
    const std::string expected =
        R"({"identifier":1,"isActive":true,"isAsleep":false,"isOnline":true,"isMain":true,)"
        R"("isBuiltin":false,"isInMirrorSet":false,"bounds":{"x":0,"y":0,"width":1440,"height":900},)"
        R"("visibleFrame":{"x":0,"y":25,"width":1440,"height":875},"resolution":{"width":1440,"height":900},)"
        R"("physicalSize":{"width":381,"height":238}})";
    // The launcher made the screen manager on the main thread, so the visible frame is there at once.
    EXPECT_EQ(evaluate(widget, "atLaunch"), expected);
    EXPECT_EQ(evaluate(widget, "full(Velto.ScreenManager.screens[0])"), expected);
    EXPECT_EQ(evaluate(widget, R"(const m = Velto.ScreenManager;
        [m.screens !== m.screens, m.screens[0] !== m.screens[0], m.mainScreen !== m.mainScreen,
         m.mainScreen.bounds !== m.mainScreen.bounds, m.screens.length].join())"),
              "true,true,true,true,1");
    // Read-only: writing changes nothing.
    EXPECT_EQ(evaluate(widget,
                       "const s = Velto.ScreenManager.mainScreen; s.identifier = 9; s.isMain = false; "
                       "Velto.ScreenManager.screens = []; [s.identifier, s.isMain, listed()].join()"),
              "1,true,1 0 0 1440 900 / 0 25 1440 875");
}

TEST_F(VLScreenManangerJSBindingTest, ScreensListOnlineDisplaysMainFirstWithoutMirrors) {
    VLTestWidget widget(std::map<std::string, std::string>{{"index.js", describing}});
    ASSERT_TRUE(widget.runtime());
    VLWSScreen main = VLWSScreen::defaultScreen();
    VLWSScreen mirror = rightScreen();
    mirror.mirrorOf = 1;
    VLWSScreen unnumbered = rightScreen();
    unnumbered.hasScreenNumber = false;
    VLWSScreen offline = rightScreen(3);
    offline.isOnline = false;
    const struct {
        const char* name;
        std::vector<VLWSScreen> screens;
        std::optional<std::vector<uint32_t>> onlineOrder;
        bool listFails;
        std::string listed;
        std::string main = "1 0 0 1440 900 / 0 25 1440 875";
    } cases[] = {
        {"two displays, the system listing the other first",
         {main, rightScreen()},
         std::vector<uint32_t>{2, 1},
         false,
         "1 0 0 1440 900 / 0 25 1440 875, 2 1440 -180 1920 1080 / 1440 -180 1920 1010"},
        {"a mirrored pair",
         {main, mirror},
         std::nullopt,
         false,
         "1m 0 0 1440 900 / 0 25 1440 875",
         "1m 0 0 1440 900 / 0 25 1440 875"},
        {"a display without a screen number: its visible frame is its bounds",
         {main, unnumbered},
         std::nullopt,
         false,
         "1 0 0 1440 900 / 0 25 1440 875, 2 1440 -180 1920 1080 / 1440 -180 1920 1080"},
        {"an offline display", {main, offline}, std::nullopt, false, "1 0 0 1440 900 / 0 25 1440 875"},
        {"a failing display list", {main, rightScreen()}, std::nullopt, true, ""},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        ASSERT_TRUE(server().setScreens(test.screens));
        server().setOnlineDisplayOrder(test.onlineOrder);
        server().setOnlineDisplayListFails(test.listFails);
        widget.settle();
        EXPECT_EQ(evaluate(widget, "listed()"), test.listed);
        // The main screen answers even when the list fails.
        EXPECT_EQ(evaluate(widget, "describe(Velto.ScreenManager.mainScreen)"), test.main);
    }
}

TEST_F(VLScreenManangerJSBindingTest, NoMoreThan128DisplaysAreListed) {
    std::vector<VLWSScreen> screens{VLWSScreen::defaultScreen()};
    for (uint32_t id = 2; id <= 130; ++id)
        screens.push_back(rightScreen(id));
    ASSERT_TRUE(server().setScreens(screens));
    VLTestWidget widget(std::map<std::string, std::string>{{"index.js", ""}});
    ASSERT_TRUE(widget.runtime());
    EXPECT_EQ(
        evaluate(
            widget,
            "const l = Velto.ScreenManager.screens; [l.length, l[0].identifier, l[127].identifier].join()"),
        "128,1,128");
}

TEST_F(VLScreenManangerJSBindingTest, IdentifiersComeFromTheHostsProvider) {
    VLTestWidget widget(std::map<std::string, std::string>{{"index.js", ""}});
    ASSERT_TRUE(widget.runtime());
    ASSERT_TRUE(server().setScreens({VLWSScreen::defaultScreen(), rightScreen(5)}));
    widget.settle();
    const std::string identifiers = "Velto.ScreenManager.screens.map(s => s.identifier).join()";
    EXPECT_EQ(evaluate(widget, identifiers), "1,5");
    VLManager::setDisplayIdentifierProvider([](uint32_t displayNumber) { return displayNumber * 1000 + 7; });
    EXPECT_EQ(evaluate(widget, identifiers), "1007,5007");
}

TEST_F(VLScreenManangerJSBindingTest, EachScreenManagerObjectFiresOneChangePerChange) {
    VLTestWidget widget(std::map<std::string, std::string>{{"index.js", R"(
        globalThis.log = [];
        globalThis.other = new VeltoRuntime.ScreenManager();
        Velto.ScreenManager.onchange = () => log.push('a' + Velto.ScreenManager.screens.length);
        other.addEventListener('change', () => log.push('listener'));
        other.onchange = function() { log.push('b' + this.mainScreen.visibleFrame.height); };
    )"}});
    ASSERT_TRUE(widget.runtime());
    const std::string log = "log.splice(0).join()";
    VLWSScreen tall = VLWSScreen::defaultScreen();
    tall.frame.size.height = 1000;
    tall.visibleFrame.size.height = 975;

    ASSERT_TRUE(server().setScreens({VLWSScreen::defaultScreen(), rightScreen()}));
    widget.settle();
    // The visible frames are new before the scripts hear of the change.
    ASSERT_TRUE(server().setScreens({tall}));
    widget.settle();
    EXPECT_EQ(evaluate(widget, log), "a2,listener,b875,a1,listener,b975");

    EXPECT_EQ(evaluate(widget, "String(Velto.ScreenManager.offchange())"), "undefined");
    ASSERT_TRUE(server().setScreens({VLWSScreen::defaultScreen()}));
    widget.settle();
    EXPECT_EQ(evaluate(widget, log), "listener,b875");
}

TEST_F(VLScreenManangerJSBindingTest, OffchangeOnAnotherObjectThrowsTheIllegalInvocationError) {
    VLTestWidget widget(std::map<std::string, std::string>{{"index.js", R"(
        globalThis.attempt = self => {
            try { Velto.ScreenManager.offchange.call(self); return 'returned'; } catch (e) { return String(e); }
        };
        Velto.ScreenManager.onchange = () => {};
    )"}});
    ASSERT_TRUE(widget.runtime());
    EXPECT_EQ(
        evaluate(widget,
                 "[attempt({}), attempt(Velto.ScreenManager.mainScreen), attempt(undefined)].join('|')"),
        "TypeError: Illegal invocation|TypeError: Illegal invocation|TypeError: Illegal invocation");
    EXPECT_EQ(evaluate(widget, "typeof Velto.ScreenManager.onchange"), "function");
}
