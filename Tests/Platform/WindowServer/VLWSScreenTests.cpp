#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/WindowServer/VLDisplayProvider.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Tests/Platform/WindowServer/VLWSRecordingDelegate.h"
#include "Tests/Support/VLWindowServerTest.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

std::vector<uint32_t> idsOf(const std::vector<VLWSScreen>& screens) {
    std::vector<uint32_t> ids;
    for (const auto& screen : screens)
        ids.push_back(screen.displayID);
    return ids;
}

// A 2× screen to the right of the primary, its top 100 points below the primary's.
VLWSScreen retinaScreen() {
    VLWSScreen screen;
    screen.displayID = 2;
    screen.frame = {1440, 0, 1280, 800};
    screen.visibleFrame = {1440, 0, 1280, 800};
    screen.backingScaleFactor = 2;
    screen.refreshRate = 120;
    screen.modePixelSize = VLSize{2560, 1600};
    return screen;
}

class VLWSScreensTest : public VLWindowServerTest {
protected:
    void SetUp() override {
        VLWindowServerTest::SetUp();
        _observer = VLNotificationCenter::defaultCenter().addObserver(
            VLScreenParametersDidChangeNotification, nullptr, [this](const VLNotification&) { ++notices; });
    }

    int notices = 0;

private:
    std::shared_ptr<VLNotificationCenter::Observer> _observer;
};

} // namespace

TEST_F(VLWSScreensTest, TheDefaultIsTheHeadlessScreen) {
    auto snapshot = server().snapshot();
    ASSERT_EQ(1u, snapshot->screens().size());
    const VLWSScreen& screen = snapshot->screens().front();
    EXPECT_EQ(1u, snapshot->mainDisplayID());
    EXPECT_TRUE(screen.isMain);
    EXPECT_EQ(VLRect(0, 0, 1440, 900), snapshot->displayBounds(1));
    EXPECT_EQ(VLRect(0, 25, 1440, 875), snapshot->flip(screen.visibleFrame));
    EXPECT_EQ(60, VLDisplayProvider::shared()->refreshRate(1));
    EXPECT_FALSE(VLDisplayProvider::shared()->isAsleep(1));
}

TEST_F(VLWSScreensTest, TwoScreensListFlipMirrorAndFailAsSet) {
    VLWSScreen mirror = retinaScreen();
    mirror.displayID = 3;
    mirror.mirrorOf = 2;
    mirror.hasScreenNumber = false;
    // Given out of order, the main display comes first.
    ASSERT_TRUE(server().setScreens({retinaScreen(), mirror, VLWSScreen::defaultScreen()}));
    auto snapshot = server().snapshot();

    EXPECT_EQ((std::vector<uint32_t>{1, 2, 3}), idsOf(snapshot->displays()));
    EXPECT_EQ((std::vector<uint32_t>{1, 2}), idsOf(snapshot->screens()));
    EXPECT_EQ(std::nullopt, snapshot->display(3)->screenNumber());
    // Top-left global coordinates: the second screen's top lies 100 points below the primary's.
    EXPECT_EQ(VLRect(1440, 100, 1280, 800), snapshot->displayBounds(2));
    EXPECT_EQ(VLRect(0, 25, 1440, 875), snapshot->flip(snapshot->display(1)->visibleFrame));
    EXPECT_EQ(VLRectZero, snapshot->displayBounds(9));
    EXPECT_EQ((std::vector<uint32_t>{1, 2, 3}), snapshot->onlineDisplays());

    server().setOnlineDisplayOrder(std::vector<uint32_t>{3, 9, 2, 1});
    EXPECT_EQ((std::vector<uint32_t>{3, 2, 1}), server().snapshot()->onlineDisplays());
    server().setOnlineDisplayListFails(true);
    EXPECT_EQ(std::nullopt, server().snapshot()->onlineDisplays());
    // The list of screens does not depend on the online list.
    EXPECT_EQ(2u, server().snapshot()->screens().size());

    auto provider = VLDisplayProvider::shared();
    EXPECT_EQ(120, provider->refreshRate(2));
    EXPECT_EQ(60, provider->refreshRate(77));
    EXPECT_TRUE(provider->hasDisplay(3));
    EXPECT_FALSE(provider->hasDisplay(77));
}

TEST_F(VLWSScreensTest, OneNoticePerChangeAndBadScreensAreRefused) {
    ASSERT_TRUE(server().setScreens({VLWSScreen::defaultScreen(), retinaScreen()}));
    drainMainQueue();
    EXPECT_EQ(1, notices);

    // The same screens again change nothing.
    ASSERT_TRUE(server().setScreens({VLWSScreen::defaultScreen(), retinaScreen()}));
    drainMainQueue();
    EXPECT_EQ(1, notices);

    auto second = [](auto change) {
        VLWSScreen screen = retinaScreen();
        change(screen);
        return std::vector<VLWSScreen>{VLWSScreen::defaultScreen(), screen};
    };
    const std::vector<std::vector<VLWSScreen>> refused = {
        second([](VLWSScreen& s) { s.displayID = 1; }),
        second([](VLWSScreen& s) { s.displayID = 0; }),
        second([](VLWSScreen& s) { s.isMain = true; }),
        second([](VLWSScreen& s) { s.mirrorOf = 7; }),
        second([](VLWSScreen& s) { s.mirrorOf = 2; }),
        second([](VLWSScreen& s) { s.frame.size.width = NAN; }),
        second([](VLWSScreen& s) { s.visibleFrame.size.height = -1; }),
        second([](VLWSScreen& s) { s.backingScaleFactor = 0; }),
        second([](VLWSScreen& s) {
            s.modePixelSize = VLSize{INFINITY, 1};
        }),
    };
    for (const auto& screens : refused)
        EXPECT_FALSE(server().setScreens(screens));
    drainMainQueue();
    EXPECT_EQ(1, notices);
    EXPECT_EQ(2u, server().snapshot()->screens().size());
}

TEST_F(VLWSScreensTest, WindowsFollowTheirScreenAndScale) {
    ASSERT_TRUE(server().setScreens({VLWSScreen::defaultScreen(), retinaScreen()}));
    drainMainQueue();
    auto window = std::make_shared<VLWSWindow>(VLRect(100, 100, 300, 200), VLWSWindowStyleMaskTitled);
    auto delegate = std::make_shared<VLWSRecordingDelegate>();
    window->setDelegate(delegate);
    int screenNotices = 0;
    auto observer = VLNotificationCenter::defaultCenter().addObserver(
        VLWSWindowDidChangeScreenNotification, static_cast<const VLWSWindow*>(window.get()),
        [&](const VLNotification&) { ++screenNotices; });
    EXPECT_EQ(1u, window->screen()->displayID);
    EXPECT_EQ(1, window->backingScaleFactor());

    // Mostly on the second screen: one screen change, one scale change.
    window->setFrameOrigin({1300, 100});
    EXPECT_EQ((std::vector<std::string>{"move", "screen", "backing"}), delegate->take());
    EXPECT_EQ(2u, window->screen()->displayID);
    EXPECT_EQ(2, window->backingScaleFactor());
    window->setFrameOrigin({1600, 120});
    EXPECT_EQ((std::vector<std::string>{"move"}), delegate->take());
    EXPECT_EQ(1, screenNotices);

    // Off every screen: no screen, and the primary's scale.
    window->setFrameOrigin({5000, 5000});
    EXPECT_EQ((std::vector<std::string>{"move", "screen", "backing"}), delegate->take());
    EXPECT_FALSE(window->screen());
    EXPECT_EQ(1, window->backingScaleFactor());

    // When the screens change, windows look again once the notice is out.
    window->setFrameOrigin({1600, 120});
    delegate->take();
    VLWSScreen retinaAtOne = retinaScreen();
    retinaAtOne.backingScaleFactor = 1;
    ASSERT_TRUE(server().setScreens({VLWSScreen::defaultScreen(), retinaAtOne}));
    EXPECT_TRUE(delegate->calls.empty());
    drainMainQueue();
    EXPECT_EQ((std::vector<std::string>{"backing"}), delegate->take());
    EXPECT_EQ(2, notices);
}
