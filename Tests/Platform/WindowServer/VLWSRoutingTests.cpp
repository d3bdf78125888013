#include "Platform/WindowServer/VLWSDriver.h"
#include "Platform/WindowServer/VLWSEventMonitor.h"
#include "Platform/WindowServer/VLWSPanel.h"
#include "Platform/WindowServer/VLWSWindowLevel.h"
#include "Tests/Platform/WindowServer/VLWSRecordingDelegate.h"
#include "Tests/Platform/WindowServer/VLWSRecordingResponder.h"
#include "Tests/Support/VLWindowServerTest.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

constexpr uint64_t allEvents = ~uint64_t(0);

class VLWSRoutingTest : public VLWindowServerTest {
protected:
    void SetUp() override {
        VLWindowServerTest::SetUp();
        globalLog.clear();
        window =
            std::make_shared<VLWSRecordingWindow>(VLRect(100, 100, 200, 200), VLWSWindowStyleMaskBorderless);
        view = std::make_shared<VLWSRecordingView>();
        window->setContentView(view);
        window->orderFront();
        global = VLWSEvent::addGlobalMonitorForEventsMatchingMask(allEvents, [this](const VLWSEvent& event) {
            globalLog.push_back(VLWSEventDescription(event) + " #" + std::to_string(event.windowNumber()));
        });
    }

    VLWSDriver& driver() { return server().driver(); }

    std::shared_ptr<VLWSRecordingWindow> window;
    std::shared_ptr<VLWSRecordingView> view;
    std::shared_ptr<VLWSEventMonitor> global;
    std::vector<std::string> globalLog;
};

} // namespace

TEST_F(VLWSRoutingTest, EventsReachMonitorsWindowsAndViewsByTheRules) {
    int64_t foreign = 0;
    struct Case {
        const char* name;
        std::function<void()> setUp;
        std::function<void()> act;
        std::vector<std::string> viewLog;
        std::vector<std::string> windowLog;
        std::function<std::vector<std::string>()> globalLog;
    } cases[] = {
        {"a click over the window reaches its view",
         [] {},
         [&] {
             driver().click({150, 160});
         },
         {"down@50,60", "up@50,60"},
         {},
         [] { return std::vector<std::string>{}; }},
        {"a local monitor replaces the press",
         [&] {
             VLWSEvent::addLocalMonitorForEventsMatchingMask(
                 VLWSEventMaskFromType(VLWSEventType::LeftMouseDown), [](const VLWSEvent& event) {
                     return event.relocated({1, 2}, event.windowNumber());
                 });
         },
         [&] {
             driver().click({150, 160});
         },
         {"down@1,2", "up@50,60"},
         {},
         [] { return std::vector<std::string>{}; }},
        {"a local monitor swallows the release",
         [&] {
             VLWSEvent::addLocalMonitorForEventsMatchingMask(
                 VLWSEventMaskFromType(VLWSEventType::LeftMouseUp),
                 [](const VLWSEvent&) { return std::nullopt; });
         },
         [&] {
             driver().click({150, 160});
         },
         {"down@50,60"},
         {},
         [] { return std::vector<std::string>{}; }},
        {"a window that ignores the mouse lets the click through to the global monitors",
         [&] { window->setIgnoresMouseEvents(true); },
         [&] {
             driver().click({150, 160});
         },
         {},
         {},
         [] {
             return std::vector<std::string>{"moved@150,160 #0", "down@150,160 #0", "up@150,160 #0"};
         }},
        {"a foreign window above takes the click",
         [&] {
             foreign =
                 driver().addWindow({.ownerPID = 4242, .ownerName = "Other", .frame = {140, 140, 50, 50}});
         },
         [&] {
             driver().click({150, 160});
         },
         {},
         {},
         [&] {
             const std::string number = " #" + std::to_string(foreign);
             return std::vector<std::string>{"moved@150,160" + number, "down@150,160" + number,
                                             "up@150,160" + number};
         }},
        {"the release reaches the pressed view after the pointer left it",
         [] {},
         [&] {
             driver().drag({150, 160}, {400, 500}, 2);
         },
         {"down@50,60", "dragged@175,230", "dragged@300,400", "up@300,400"},
         {},
         [] { return std::vector<std::string>{}; }},
        {"mouse-moved events skip a window that does not accept them",
         [] {},
         [&] {
             driver().moveMouse({120, 130});
         },
         {},
         {},
         [] { return std::vector<std::string>{}; }},
        {"mouse-moved events reach a window that accepts them",
         [&] { window->setAcceptsMouseMovedEvents(true); },
         [&] {
             driver().moveMouse({120, 130});
         },
         {},
         {"moved@20,30"},
         [] { return std::vector<std::string>{}; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        c.setUp();
        c.act();
        EXPECT_EQ(c.viewLog, view->log);
        EXPECT_EQ(c.windowLog, window->log);
        EXPECT_EQ(c.globalLog(), globalLog);
    }
}

TEST_F(VLWSRoutingTest, EventsCarryTheirFieldsAndTheGlobalStateFollows) {
    driver().moveMouse({150, 160});
    driver().setModifierFlags(VLWSEventModifierFlagShift | VLWSEventModifierFlagCommand);
    server().clock().advance(2);
    driver().mouseDown(1);
    EXPECT_EQ(2u, VLWSEvent::pressedMouseButtons());
    EXPECT_EQ((VLPoint{150, 160}), VLWSEvent::mouseLocation());
    // Top-left global coordinates on the 900-point screen.
    EXPECT_EQ((VLPoint{150, 740}), server().inputState().pointerLocation());
    EXPECT_FALSE(server().inputState().isLeftButtonDown());
    driver().mouseUp(1);
    driver().scroll(1.5, -2, 0.25);
    ASSERT_EQ((std::vector<std::string>{"rightDown@50,60", "rightUp@50,60", "wheel@50,60"}), view->log);
    const VLWSEvent& press = view->events[0];
    EXPECT_EQ(1, press.buttonNumber());
    EXPECT_EQ(1, press.clickCount());
    EXPECT_EQ(window->windowNumber(), press.windowNumber());
    EXPECT_EQ(window, press.window());
    EXPECT_EQ(VLWSEventModifierFlagShift | VLWSEventModifierFlagCommand, press.modifierFlags());
    EXPECT_DOUBLE_EQ(server().clock().now(), press.timestamp());
    EXPECT_LT(press.eventNumber(), view->events[1].eventNumber());
    const VLWSEvent& wheel = view->events[2];
    EXPECT_EQ(1.5, wheel.deltaX());
    EXPECT_EQ(-2, wheel.deltaY());
    EXPECT_EQ(0.25, wheel.deltaZ());
    EXPECT_EQ(0u, VLWSEvent::pressedMouseButtons());

    // Events made by code are delivered like real ones; unknown numbers reach nobody.
    auto made = VLWSEvent::mouseEvent({.type = VLWSEventType::OtherMouseDown,
                                       .location = {5, 6},
                                       .windowNumber = window->windowNumber(),
                                       .buttonNumber = 2});
    ASSERT_TRUE(made);
    server().sendEvent(*made);
    server().sendEvent(made->relocated({5, 6}, 987654));
    EXPECT_EQ("otherDown@5,6", view->log.back());
    EXPECT_EQ(4u, view->log.size());
    EXPECT_FALSE(VLWSEvent::mouseEvent({.type = VLWSEventType::KeyDown}));
    EXPECT_FALSE(VLWSEvent::mouseEvent({.location = {NAN, 0}}));
}

TEST_F(VLWSRoutingTest, ClicksAreCountedWithinHalfASecondAndFourPoints) {
    struct Step {
        double wait;
        VLPoint at;
        int64_t button;
        int64_t expected;
    } steps[] = {
        {0, {150, 150}, 0, 1},   {0.4, {153, 150}, 0, 2}, {0.5, {150, 150}, 0, 3}, {0.51, {150, 150}, 0, 1},
        {0.1, {155, 150}, 0, 1}, {0.1, {155, 150}, 1, 1}, {0.1, {155, 150}, 0, 1},
    };
    for (const auto& step : steps) {
        server().clock().advance(step.wait);
        driver().click(step.at, step.button);
        EXPECT_EQ(step.expected, view->events.back().clickCount());
    }
    driver().click({150, 150}, 0, 2);
    EXPECT_EQ(2, view->events.back().clickCount());
}

TEST_F(VLWSRoutingTest, BadInputDoesNothing) {
    driver().moveMouse({NAN, 3});
    driver().click({INFINITY, 3});
    driver().mouseDown(64);
    driver().mouseDown(-1);
    driver().mouseUp(0);
    driver().scroll(NAN, 0);
    driver().drag({150, 150}, {NAN, 1});
    EXPECT_FALSE(driver().userResize(nullptr, {}));
    EXPECT_FALSE(driver().zoom(nullptr));
    EXPECT_FALSE(driver().activateApplication(999999));
    EXPECT_FALSE(driver().removeWindow(999999));
    EXPECT_EQ(0, driver().addWindow({.frame = {0, 0, -1, 5}}));
    driver().dragTo({1, 1});
    driver().drop();
    EXPECT_TRUE(view->log.empty());
    EXPECT_TRUE(globalLog.empty());
    EXPECT_EQ((VLPoint{0, 0}), VLWSEvent::mouseLocation());
}

TEST_F(VLWSRoutingTest, PressesMakeKeyAndActivateByTheWindowsKind) {
    auto recorder = std::make_shared<VLWSRecordingDelegate>();
    auto titled = std::make_shared<VLWSWindow>(VLRect(500, 100, 200, 200), VLWSWindowStyleMaskTitled);
    titled->setDelegate(recorder);
    titled->orderFront();
    auto previous = std::make_shared<VLWSWindow>(VLRect(800, 100, 200, 200), VLWSWindowStyleMaskTitled);
    auto previousRecorder = std::make_shared<VLWSRecordingDelegate>();
    previous->setDelegate(previousRecorder);
    previous->makeKeyAndOrderFront();
    previousRecorder->take();

    // Borderless: the key window stays as it was.
    driver().click({150, 150});
    EXPECT_TRUE(previous->isKeyWindow());
    EXPECT_TRUE(server().isActive());

    // Titled: key and main, the previous window resigning first.
    driver().click({600, 150});
    EXPECT_TRUE(titled->isKeyWindow());
    EXPECT_TRUE(titled->isMainWindow());
    EXPECT_EQ((std::vector<std::string>{"resignKey", "resignMain"}), previousRecorder->take());
    EXPECT_EQ((std::vector<std::string>{"becomeKey", "becomeMain"}), recorder->take());

    // A non-activating panel becomes key without activating the application.
    driver().deactivate();
    EXPECT_FALSE(titled->isKeyWindow());
    EXPECT_EQ((std::vector<std::string>{"resignKey", "resignMain"}), recorder->take());
    auto panel = std::make_shared<VLWSPanel>(
        VLRect(100, 500, 100, 100), VLWSWindowStyleMaskTitled | VLWSWindowStyleMaskNonactivatingPanel);
    panel->setHidesOnDeactivate(false);
    panel->orderFront();
    driver().click({150, 550});
    EXPECT_FALSE(server().isActive());
    EXPECT_TRUE(panel->isKeyWindow());

    // Activation brings back the main window of before; the press on it makes it key again.
    driver().click({600, 150});
    EXPECT_TRUE(server().isActive());
    EXPECT_TRUE(titled->isKeyWindow());
    EXPECT_TRUE(titled->isMainWindow());
}

TEST_F(VLWSRoutingTest, KeysReachOnlyTheKeyWindowAndUnhandledOnesAreCounted) {
    auto other = std::make_shared<VLWSRecordingWindow>(VLRect(500, 100, 200, 200), VLWSWindowStyleMaskTitled);
    auto key = std::make_shared<VLWSRecordingWindow>(VLRect(800, 100, 200, 200), VLWSWindowStyleMaskTitled);
    other->orderFront();
    key->makeKeyAndOrderFront();
    std::vector<uint64_t> flags;
    auto local = VLWSEvent::addLocalMonitorForEventsMatchingMask(
        VLWSEventMaskFromType(VLWSEventType::KeyDown), [&](const VLWSEvent& event) {
            flags.push_back(event.modifierFlags());
            return event;
        });

    driver().keyDown(0, "a", VLWSEventModifierFlagControl);
    driver().keyUp(0, "a");
    driver().keyDown(1, "pass");
    auto plain = std::make_shared<VLWSWindow>(VLRect(0, 0, 10, 10), VLWSWindowStyleMaskTitled);
    plain->makeKeyAndOrderFront();
    driver().typeKey(2, "b");
    EXPECT_EQ((std::vector<std::string>{"keyDown a", "keyUp a", "keyDown pass"}), key->log);
    EXPECT_TRUE(other->log.empty());
    EXPECT_EQ(3u, server().unhandledKeyEventCount());
    EXPECT_EQ((std::vector<uint64_t>{VLWSEventModifierFlagControl, 0, 0}), flags);
    EXPECT_EQ(0u, VLWSEvent::currentModifierFlags());

    // Without a key window keys go to the global monitors.
    plain->orderOut();
    key->orderOut();
    driver().typeKey(3, "c");
    EXPECT_EQ((std::vector<std::string>{"keyDown@0,0 #0", "keyUp@0,0 #0"}), globalLog);
    VLWSEvent::removeMonitor(local);
}
