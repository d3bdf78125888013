#include "Supports/Input/VLInputMonitor.h"

#include "Core/Engine/Log/VLLog.h"
#include "Platform/Foundation/VLManualDelayScheduler.h"
#include "Platform/Foundation/VLUserDefaults.h"
#include "Platform/WindowServer/VLWSDriver.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Supports/Input/VLInputObserver.h"
#include "Tests/Support/VLLogCapture.h"
#include "Tests/Support/VLWaitUntil.h"
#include "Tests/Support/VLWindowServerTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

class VLRecordingInputObserver final : public VLInputObserver {
public:
    void inputMonitorDidReceiveMouseEvent(const VLInputMouseEvent& event) override { mouse.push_back(event); }
    void inputMonitorDidCountKeyPresses(uint64_t count) override { keys.push_back(count); }

    std::vector<VLInputMouseEvent> mouse;
    std::vector<uint64_t> keys;
};

// A monitor of its own on the test's window server, with manual time, and an empty defaults record.
class VLInputMonitorTest : public VLWindowServerTest {
protected:
    void SetUp() override {
        VLWindowServerTest::SetUp();
        VLUserDefaults::standard().removeObjectForKey("VLInputMonitorAskedForKeyAccess");
        monitor = std::make_shared<VLInputMonitor>();
        VLInputMonitor::setShared(monitor);
    }
    void TearDown() override {
        monitor.reset();
        VLInputMonitor::setShared(nullptr);
        VLWindowServerTest::TearDown();
    }

    VLWSDriver& driver() { return server().driver(); }
    static std::vector<double> pendingDelays() {
        return std::dynamic_pointer_cast<VLManualDelayScheduler>(VLDelayScheduler::shared())->pendingDelays();
    }
    static size_t linesContaining(const VLLogCapture& capture, const std::string& text) {
        VLLogFlush();
        const std::vector<std::string> lines = capture.lines();
        return size_t(std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(text) != std::string::npos;
        }));
    }

    std::shared_ptr<VLInputMonitor> monitor;
    std::shared_ptr<VLRecordingInputObserver> observer = std::make_shared<VLRecordingInputObserver>();
};

} // namespace

TEST_F(VLInputMonitorTest, KeyPressesArriveCountedOnTheTenthOfASecondGrid) {
    driver().setListenAccess(VLWSListenAccess::Granted);
    monitor->addKeyObserver(observer, false);
    ASSERT_TRUE(monitor->isCountingKeys());
    EXPECT_TRUE(VLInputMonitor::canCountKeys());

    // A held key: one press, then repeats.
    server().clock().advance(0.03);
    driver().keyDown(0, "a");
    driver().keyDown(0, "a", 0, true);
    driver().keyDown(0, "a", 0, true);
    driver().keyUp(0, "a");
    EXPECT_EQ(pendingDelays().size(), 1u);
    server().clock().advance(0.069);
    EXPECT_TRUE(observer->keys.empty());
    server().clock().advance(0.001);
    EXPECT_EQ(observer->keys, (std::vector<uint64_t>{1}));

    // Five presses in one slot.
    for (int i = 0; i < 5; ++i) {
        driver().typeKey(uint16_t(i), "k");
        server().clock().advance(0.015);
    }
    server().clock().advance(0.1);
    EXPECT_EQ(observer->keys, (std::vector<uint64_t>{1, 5}));
}

TEST_F(VLInputMonitorTest, OnlyTheFirstObserverThatMayAskAsksAndThenAccessIsPolled) {
    VLLogCapture capture(VLLogLevelAll);
    auto quiet = std::make_shared<VLRecordingInputObserver>();
    monitor->addKeyObserver(quiet, false);
    EXPECT_FALSE(VLInputMonitor::hasAskedForKeyAccess());
    EXPECT_EQ(pendingDelays(), (std::vector<double>{2.0}));

    monitor->addKeyObserver(observer, true);
    EXPECT_TRUE(VLInputMonitor::hasAskedForKeyAccess());
    EXPECT_TRUE(VLWaitUntil([&] { return server().keyTaps().accessRequestCount() == 1; }));
    auto later = std::make_shared<VLRecordingInputObserver>();
    monitor->addKeyObserver(later, true);
    server().clock().advance(2.0);
    EXPECT_EQ(linesContaining(capture, "Asking for Input Monitoring to count key presses"), 1u);
    EXPECT_TRUE(VLInputMonitor::canPromptForKeyAccess());

    // Granted meanwhile: the next check starts counting.
    driver().setListenAccess(VLWSListenAccess::Granted);
    server().clock().advance(2.0);
    EXPECT_TRUE(monitor->isCountingKeys());
    EXPECT_TRUE(pendingDelays().empty());
}

TEST_F(VLInputMonitorTest, AFailingTapIsRetriedWithAGrowingDelayAndLoggedOnce) {
    VLLogCapture capture(VLLogLevelAll);
    driver().setListenAccess(VLWSListenAccess::Granted);
    driver().setKeyTapCreationFails(true);
    monitor->addKeyObserver(observer, false);
    EXPECT_FALSE(VLInputMonitor::canCountKeys());
    std::vector<double> delays;
    for (int i = 0; i < 7; ++i) {
        ASSERT_EQ(pendingDelays().size(), 1u);
        delays.push_back(pendingDelays().front());
        server().clock().advance(delays.back());
    }
    EXPECT_EQ(delays, (std::vector<double>{2, 4, 8, 16, 32, 60, 60}));
    EXPECT_EQ(linesContaining(
                  capture, "Could not create the key event tap with Input Monitoring on, trying again later"),
              1u);

    driver().setKeyTapCreationFails(false);
    server().clock().advance(pendingDelays().front());
    EXPECT_TRUE(monitor->isCountingKeys());
    EXPECT_TRUE(VLInputMonitor::canCountKeys());
}

TEST_F(VLInputMonitorTest, ATimedOutTapIsEnabledAgainAndTheLastObserverStopsIt) {
    driver().setListenAccess(VLWSListenAccess::Granted);
    monitor->addKeyObserver(observer, false);
    driver().timeOutKeyTaps();
    driver().typeKey(1, "x");
    server().clock().advance(0.1);
    EXPECT_EQ(observer->keys, (std::vector<uint64_t>{1}));

    monitor->removeKeyObserver(observer);
    EXPECT_FALSE(monitor->isCountingKeys());
    EXPECT_EQ(server().keyTaps().liveTapCount(), 0u);
}

TEST_F(VLInputMonitorTest, MouseEventsCarryTheirKindDOMButtonAndTopLeftPlace) {
    VLLogCapture capture(VLLogLevelAll);
    const double height = server().snapshot()->screens().front().frame.size.height;
    // A window of this process under part of the screen: its events come through the local monitor.
    auto window = std::make_shared<VLWSWindow>(VLRect(100, 100, 200, 200), VLWSWindowStyleMaskBorderless);
    window->setAcceptsMouseMovedEvents(true);
    window->orderFront();
    monitor->addMouseObserver(observer);

    driver().moveMouse({50, height - 40});
    driver().mouseDown(1);
    driver().mouseUp(1);
    driver().moveMouse({150, 150});
    driver().mouseDown(2);
    driver().scroll(1.5, -3);
    driver().mouseUp(2);

    struct Expected {
        int64_t kind;
        double x, y;
        int64_t button;
        double deltaY;
    } expected[] = {
        {VLInputMouseEvent::Move, 50, 40, 0, 0},
        {VLInputMouseEvent::ButtonDown, 50, 40, 2, 0},
        {VLInputMouseEvent::ButtonUp, 50, 40, 2, 0},
        {VLInputMouseEvent::Move, 150, height - 150, 0, 0},
        {VLInputMouseEvent::ButtonDown, 150, height - 150, 1, 0},
        {VLInputMouseEvent::Wheel, 150, height - 150, 0, -3},
        {VLInputMouseEvent::ButtonUp, 150, height - 150, 1, 0},
    };
    ASSERT_EQ(observer->mouse.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(observer->mouse[i].kind, expected[i].kind);
        EXPECT_EQ(observer->mouse[i].location, VLPoint(expected[i].x, expected[i].y));
        EXPECT_EQ(observer->mouse[i].button, expected[i].button);
        EXPECT_EQ(observer->mouse[i].deltaY, expected[i].deltaY);
    }

    monitor->removeMouseObserver(observer);
    EXPECT_FALSE(monitor->isWatchingMouse());
    driver().moveMouse({60, 60});
    EXPECT_EQ(observer->mouse.size(), std::size(expected));
    EXPECT_EQ(linesContaining(capture, "Started watching the mouse"), 1u);
    EXPECT_EQ(linesContaining(capture, "Stopped watching the mouse"), 1u);
}
