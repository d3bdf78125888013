#include "Platform/WindowServer/VLWSDriver.h"
#include "Tests/Platform/WindowServer/VLWSRecordingDelegate.h"
#include "Tests/Platform/WindowServer/VLWSRecordingResponder.h"
#include "Tests/Support/VLWindowServerTest.h"

#include <gtest/gtest.h>

namespace {

class MoveRecorder final : public VLWSWindowDelegate {
public:
    std::vector<std::string> calls;
    void windowWillMove(VLWSWindow&) override { calls.push_back("willMove"); }
    void windowDidMove(VLWSWindow& window) override {
        calls.push_back("didMove " + std::to_string(int(window.frame().origin.x)) + "," +
                        std::to_string(int(window.frame().origin.y)));
    }
};

class VLWSWindowDragTest : public VLWindowServerTest {
protected:
    void SetUp() override {
        VLWindowServerTest::SetUp();
        window = std::make_shared<VLWSWindow>(VLRect(100, 100, 200, 200), VLWSWindowStyleMaskBorderless);
        view = std::make_shared<VLWSRecordingView>();
        window->setContentView(view);
        window->setDelegate(recorder);
        window->orderFront();
    }

    std::shared_ptr<VLWSWindow> window;
    std::shared_ptr<VLWSRecordingView> view;
    std::shared_ptr<MoveRecorder> recorder = std::make_shared<MoveRecorder>();
};

} // namespace

TEST_F(VLWSWindowDragTest, ABackgroundDragMovesTheWindowByThePointersTravel) {
    window->setMovableByWindowBackground(true);
    view->movesWindow = true;
    server().driver().drag({150, 150}, {180, 130}, 2);
    EXPECT_EQ((VLRect{130, 80, 200, 200}), window->frame());
    EXPECT_EQ((std::vector<std::string>{"willMove", "didMove 115,90", "didMove 130,80"}), recorder->calls);
    // The view keeps the pointer where it pressed, its drags and release included.
    EXPECT_EQ((std::vector<std::string>{"down@50,50", "dragged@50,50", "dragged@50,50", "up@50,50"}),
              view->log);

    // The next drags, after the release, do not move it.
    server().driver().moveMouse({200, 200});
    server().driver().drag({10, 10}, {40, 40});
    EXPECT_EQ((VLRect{130, 80, 200, 200}), window->frame());
}

TEST_F(VLWSWindowDragTest, OnlyAMovableBackgroundUnderAViewThatAllowsItMovesTheWindow) {
    struct Case {
        const char* name;
        bool movable, viewAllows;
    } cases[] = {{"view refuses", true, false}, {"window not movable", false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        window->setMovableByWindowBackground(c.movable);
        view->movesWindow = c.viewAllows;
        server().driver().drag({150, 150}, {180, 130});
        EXPECT_EQ((VLRect{100, 100, 200, 200}), window->frame());
        EXPECT_TRUE(recorder->calls.empty());
        EXPECT_EQ("up@80,30", view->log.back());
    }
    // A right-button drag never moves it.
    window->setMovableByWindowBackground(true);
    view->movesWindow = true;
    server().driver().drag({150, 150}, {180, 130}, 1, 1);
    EXPECT_EQ((VLRect{100, 100, 200, 200}), window->frame());
}

TEST_F(VLWSWindowDragTest, PerformWindowDragFromAPressMovesTheWindowToo) {
    auto monitor = VLWSEvent::addLocalMonitorForEventsMatchingMask(
        VLWSEventMaskFromType(VLWSEventType::LeftMouseDown), [this](const VLWSEvent& event) {
            window->performWindowDrag(event);
            return event;
        });
    server().driver().drag({150, 150}, {160, 170});
    EXPECT_EQ((VLRect{110, 120, 200, 200}), window->frame());
    EXPECT_EQ((std::vector<std::string>{"willMove", "didMove 110,120"}), recorder->calls);
    VLWSEvent::removeMonitor(monitor);
    // Without the button held it does nothing.
    window->performWindowDrag(view->events.front());
    server().driver().moveMouse({10, 10});
    EXPECT_EQ((VLRect{110, 120, 200, 200}), window->frame());
}
