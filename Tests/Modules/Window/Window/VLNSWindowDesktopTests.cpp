#include "Modules/Window/Window/VLDesktopWindowNumberCache.h"
#include "Modules/Window/Window/VLFlippedView.h"
#include "Modules/Window/Window/VLNSWindow.h"
#include "Platform/WindowServer/VLWSDriver.h"
#include "Tests/Platform/WindowServer/VLWSRecordingResponder.h"
#include "Tests/Support/VLValuePrinter.h"
#include "Tests/Support/VLWindowServerTest.h"

#include <gtest/gtest.h>

namespace {

constexpr pid_t finder = 501;

class MouseRecorder final : public VLNSWindowMouseEventDelegate {
public:
    std::vector<std::pair<std::string, VLDictionary>> events;
    void nswindowDidReceiveMouseEventWithType(VLWSWindow&, const std::string& type,
                                              const VLDictionary& payload) override {
        events.emplace_back(type, payload);
    }
};

// A flipped view that writes down the presses and releases it gets, in its own coordinates.
class ClickView final : public VLFlippedView {
public:
    std::vector<std::string> log;
    void mouseDown(const VLWSEvent& event) override { record("down", event); }
    void mouseUp(const VLWSEvent& event) override { record("up", event); }

private:
    void record(const char* name, const VLWSEvent& event) {
        const VLPoint point = convertPointFromView(event.locationInWindow(), nullptr);
        log.push_back(std::string(name) + "@" + std::to_string(std::lround(point.x)) + "," +
                      std::to_string(std::lround(point.y)));
    }
};

// A "desktop" window below the desktop of another application, whose icon window covers the screen and
// so takes every press, as on a real desktop.
class VLNSWindowDesktopTest : public VLWindowServerTest {
protected:
    void SetUp() override {
        VLWindowServerTest::SetUp();
        ASSERT_TRUE(driver().launchApplication({.processIdentifier = finder, .localizedName = "Finder"}));
        desktop = driver().addDesktop(finder);
        window = std::make_shared<VLNSWindow>(VLRect(100, 100, 200, 200), VLWSWindowStyleMaskBorderless);
        window->setLevel(VLWSDesktopWindowLevel - 1);
        window->setContentView(view);
        window->setMouseEventDelegate(recorder);
        window->orderFront();
    }

    VLWSDriver& driver() { return server().driver(); }

    std::vector<int64_t> desktop;
    std::shared_ptr<VLNSWindow> window;
    std::shared_ptr<ClickView> view = std::make_shared<ClickView>();
    std::shared_ptr<MouseRecorder> recorder = std::make_shared<MouseRecorder>();
};

} // namespace

TEST_F(VLNSWindowDesktopTest, ClicksOnTheDesktopOverTheWindowReachItAtTheSameScreenPoint) {
    ASSERT_EQ(server().mouseTargetAt({150, 160}).foreignNumber, desktop[1]);
    driver().click({150, 160});
    // Screen (150, 160) is (50, 60) in the window, (50, 140) from its top-left corner.
    EXPECT_EQ((std::vector<std::string>{"down@50,140", "up@50,140"}), view->log);

    // Outside the frame nothing is forwarded, nor while the window is hidden.
    view->log.clear();
    driver().click({400, 400});
    window->orderOut();
    driver().click({150, 160});
    EXPECT_TRUE(view->log.empty());
}

TEST_F(VLNSWindowDesktopTest, OnlyTheDesktopsWindowsAndOnlyWhileThereIsAMouseDelegateForwardPresses) {
    // A window of the other application in front, at the normal level, does not lie at the desktop.
    const int64_t front = driver().addWindow({.ownerPID = finder, .level = 0, .frame = {140, 140, 40, 40}});
    driver().click({150, 160});
    EXPECT_TRUE(view->log.empty());
    driver().removeWindow(front);

    window->setMouseEventDelegate({});
    EXPECT_FALSE(window->acceptsMouseMovedEvents());
    driver().click({150, 160});
    EXPECT_TRUE(view->log.empty());

    // Set again, the window forwards again.
    window->setMouseEventDelegate(recorder);
    driver().click({150, 160});
    EXPECT_EQ(2u, view->log.size());
}

TEST_F(VLNSWindowDesktopTest, PointerMovesOverTheWindowBecomeMousemove) {
    driver().setModifierFlags(VLWSEventModifierFlagShift);
    driver().moveMouse({120, 290});
    driver().moveMouse({400, 400});
    ASSERT_EQ(1u, recorder->events.size());
    EXPECT_EQ("mousemove", recorder->events[0].first);
    EXPECT_EQ((VLDictionary{{"x", 20.0},
                            {"y", 10.0},
                            {"ctrlKey", false},
                            {"altKey", false},
                            {"metaKey", false},
                            {"shiftKey", true},
                            {"button", 0},
                            {"buttons", 0}}),
              recorder->events[0].second);

    // Released, the window leaves no monitor behind.
    window.reset();
    driver().click({150, 160});
    driver().moveMouse({120, 290});
    EXPECT_EQ(1u, recorder->events.size());
}

TEST_F(VLNSWindowDesktopTest, TheCacheRemembersAtMost256AnswersAndForgetsThemAllWhenFull) {
    VLDesktopWindowNumberCache cache;
    const int64_t icons = desktop[1];
    EXPECT_TRUE(cache.isDesktopWindowNumber(icons));
    // Remembered: a change of level is not seen.
    auto moved = server().foreignWindows();
    auto entry = std::find_if(moved.begin(), moved.end(), [&](const auto& w) { return w.number == icons; });
    ASSERT_NE(entry, moved.end());
    entry->level = 0;
    ASSERT_TRUE(driver().setWindow(*entry));
    EXPECT_TRUE(cache.isDesktopWindowNumber(icons));

    // Numbers the window list does not know count as not at the desktop, and are remembered as well.
    const int64_t unknown = int64_t(1) << 40;
    for (int64_t i = 1; i < int64_t(VLDesktopWindowNumberCache::capacity); ++i)
        EXPECT_FALSE(cache.isDesktopWindowNumber(unknown + i));
    EXPECT_EQ(VLDesktopWindowNumberCache::capacity, cache.count());
    EXPECT_FALSE(cache.isDesktopWindowNumber(unknown));
    EXPECT_EQ(1u, cache.count());
    EXPECT_FALSE(cache.isDesktopWindowNumber(icons));
}
