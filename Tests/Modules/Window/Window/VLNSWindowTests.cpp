#include "Modules/Window/Window/VLFlippedView.h"
#include "Modules/Window/Window/VLNSPanel.h"
#include "Modules/Window/Window/VLNSWindow.h"
#include "Modules/Window/Window/VLNSWindowWheelDelegate.h"
#include "Platform/WindowServer/VLWSDriver.h"
#include "Tests/Support/VLValuePrinter.h"
#include "Tests/Support/VLWindowServerTest.h"

#include <gtest/gtest.h>

namespace {

class KeyRecorder final : public VLNSWindowKeyboardEventDelegate {
public:
    std::vector<std::pair<std::string, VLDictionary>> events;
    void nswindowDidReceiveKeyboardEventWithType(VLWSWindow&, const std::string& type,
                                                 const VLDictionary& payload) override {
        events.emplace_back(type, payload);
    }
};

// A flipped content view that notes, at each press, whether the window said the press moves it.
class PressView final : public VLFlippedView {
public:
    using VLFlippedView::VLFlippedView;
    std::vector<bool> pressMovesWindow;
    void mouseDown(const VLWSEvent&) override {
        pressMovesWindow.push_back(dynamic_cast<VLNSWindowDragRegion&>(*window()).vl_pressMovesWindow());
    }
    void rightMouseDown(const VLWSEvent& event) override { mouseDown(event); }
};

class WheelDelegate final : public VLWSWindowDelegate, public VLNSWindowWheelDelegate {
public:
    bool takes = false;
    bool nswindowTakesWheelEvent(const VLWSWindow&, const VLWSEvent&) override { return takes; }
};

class DropRecorder final : public VLNSWindowFileDropDelegate {
public:
    uint64_t answer = VLWSDragOperationCopy;
    std::vector<std::string> calls;
    uint64_t nswindowFileDragWithType(VLWSWindow&, const std::string& type,
                                      const VLWSDraggingInfo*) override {
        calls.push_back(type);
        return answer;
    }
};

class VLNSWindowTest : public VLWindowServerTest {
protected:
    VLWSDriver& driver() { return server().driver(); }
};

} // namespace

TEST_F(VLNSWindowTest, KeysGoToTheDelegateWithTheirPayloadAndOtherwiseToTheWindow) {
    auto window = std::make_shared<VLNSWindow>(VLRect(100, 100, 200, 200), VLWSWindowStyleMaskTitled);
    auto recorder = std::make_shared<KeyRecorder>();
    window->setKeyboardEventDelegate(recorder);
    window->makeKeyAndOrderFront();

    driver().keyDown(12, "q", VLWSEventModifierFlagControl | VLWSEventModifierFlagShift, true);
    driver().keyUp(0, "", VLWSEventModifierFlagOption | VLWSEventModifierFlagCommand);
    ASSERT_EQ(2u, recorder->events.size());
    EXPECT_EQ("keydown", recorder->events[0].first);
    EXPECT_EQ((VLDictionary{{"code", 12},
                            {"characters", "q"},
                            {"repeat", true},
                            {"ctrlKey", true},
                            {"altKey", false},
                            {"metaKey", false},
                            {"shiftKey", true}}),
              recorder->events[0].second);
    EXPECT_EQ("keyup", recorder->events[1].first);
    EXPECT_EQ((VLDictionary{{"code", 0},
                            {"characters", ""},
                            {"repeat", false},
                            {"ctrlKey", false},
                            {"altKey", true},
                            {"metaKey", true},
                            {"shiftKey", false}}),
              recorder->events[1].second);
    EXPECT_EQ(0u, server().unhandledKeyEventCount());

    // The window holds its delegate weakly: once it is gone, the window's own handling takes the keys.
    recorder.reset();
    driver().typeKey(1, "s");
    EXPECT_EQ(2u, server().unhandledKeyEventCount());
}

TEST_F(VLNSWindowTest, WhichWindowsBecomeKeyAndMain) {
    constexpr uint64_t widgetStyle = VLWSWindowStyleMaskClosable | VLWSWindowStyleMaskMiniaturizable;
    auto keys = std::make_shared<KeyRecorder>();
    struct Case {
        const char* name;
        std::function<std::shared_ptr<VLWSWindow>()> make;
        bool key, main;
    } cases[] = {
        {"a borderless widget window",
         [&] {
             auto window = std::make_shared<VLNSWindow>(VLRect(0, 0, 50, 50), widgetStyle);
             window->setLevel(VLNSWindowWidgetLevel);
             return window;
         },
         true, true},
        {"the same window at the normal level",
         [&] { return std::make_shared<VLNSWindow>(VLRect(0, 0, 50, 50), widgetStyle); }, false, false},
        {"a titled window", [&] { return std::make_shared<VLNSWindow>(VLRect(0, 0, 50, 50), 0x0f); }, true,
         true},
        {"an overlay panel without a key delegate",
         [&] {
             return std::make_shared<VLNSPanel>(VLRect(0, 0, 50, 50), VLWSWindowStyleMaskNonactivatingPanel);
         },
         false, false},
        {"an overlay panel with a key delegate",
         [&] {
             auto panel =
                 std::make_shared<VLNSPanel>(VLRect(0, 0, 50, 50), VLWSWindowStyleMaskNonactivatingPanel);
             panel->setKeyboardEventDelegate(keys);
             return panel;
         },
         true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto window = c.make();
        window->makeKeyAndOrderFront();
        EXPECT_EQ(c.key, window->isKeyWindow());
        EXPECT_EQ(c.main, window->isMainWindow());
        window->orderOut();
    }
}

TEST_F(VLNSWindowTest, ADragRegionDecidesWhichLeftPressesDragTheWindow) {
    const VLRect start{100, 100, 200, 200};
    // Content points (origin top-left) and the screen points over them.
    const VLPoint inSecond{120, 120}, outside{75, 75};
    auto screen = [&](VLPoint content) {
        return VLPoint{start.origin.x + content.x, start.maxY() - content.y};
    };
    const std::vector<VLRect> twoRectangles{{0, 0, 50, 50}, {100, 100, 50, 50}};
    struct Case {
        const char* name;
        std::optional<std::vector<VLRect>> region;
        VLPoint press;
        int64_t button;
        bool moves;
    } cases[] = {
        {"a press in the second rectangle", twoRectangles, inSecond, 0, true},
        {"a press outside every rectangle, over a movable background", twoRectangles, outside, 0, false},
        {"a right press in a rectangle", twoRectangles, inSecond, 1, false},
        {"an empty region", std::vector<VLRect>{}, inSecond, 0, false},
        {"no region: the movable background", std::nullopt, outside, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto window = std::make_shared<VLNSWindow>(start, VLWSWindowStyleMaskBorderless);
        auto view = std::make_shared<PressView>();
        window->setContentView(view);
        window->setMovableByWindowBackground(true);
        window->setDragRegion(c.region);
        window->orderFront();

        const VLPoint from = screen(c.press);
        driver().drag(from, {from.x + 10, from.y - 20}, 2, c.button);
        EXPECT_EQ(c.moves ? VLRect(110, 80, 200, 200) : start, window->frame());
        EXPECT_EQ(std::vector<bool>{c.moves}, view->pressMovesWindow);
        window->orderOut();
    }
}

TEST_F(VLNSWindowTest, ComponentsTakeTheMouseAndTheWheelAsTheWheelDelegateSays) {
    auto window = std::make_shared<VLNSWindow>(VLRect(0, 0, 50, 50), VLWSWindowStyleMaskTitled);
    auto panel = std::make_shared<VLNSPanel>(VLRect(0, 0, 50, 50), VLWSWindowStyleMaskTitled);
    const auto wheel = VLWSEvent::mouseEvent({.type = VLWSEventType::ScrollWheel, .deltaY = 1});
    for (VLWSWindow* engineWindow : std::initializer_list<VLWSWindow*>{window.get(), panel.get()}) {
        EXPECT_TRUE(engineWindow->vl_componentsTakeMouse());
        EXPECT_FALSE(engineWindow->vl_componentsTakeWheel(*wheel));
    }
    // Without a wheel delegate the key window takes the wheel.
    window->makeKeyAndOrderFront();
    EXPECT_TRUE(window->vl_componentsTakeWheel(*wheel));

    auto delegate = std::make_shared<WheelDelegate>();
    window->setDelegate(delegate);
    panel->setDelegate(delegate);
    EXPECT_FALSE(window->vl_componentsTakeWheel(*wheel));
    delegate->takes = true;
    EXPECT_TRUE(panel->vl_componentsTakeWheel(*wheel));
}

TEST_F(VLNSWindowTest, ThePanelAnswersFileDragsThroughItsDelegateAndRefusesThemWithoutOne) {
    auto panel = std::make_shared<VLNSPanel>(VLRect(0, 0, 50, 50), VLWSWindowStyleMaskNonactivatingPanel);
    const VLWSDraggingInfo info({10, 10}, 1, VLWSDragOperationEvery,
                                std::make_shared<VLWSPasteboard>(std::vector<std::string>{"/tmp/a.txt"}));
    auto answers = [&] {
        return std::vector<uint64_t>{panel->draggingEntered(info), panel->draggingUpdated(info),
                                     panel->prepareForDragOperation(info), panel->performDragOperation(info)};
    };
    EXPECT_EQ((std::vector<uint64_t>{0, 0, false, false}), answers());
    EXPECT_FALSE(panel->wantsPeriodicDraggingUpdates());

    auto recorder = std::make_shared<DropRecorder>();
    panel->setFileDropDelegate(recorder);
    EXPECT_EQ((std::vector<uint64_t>{VLWSDragOperationCopy, VLWSDragOperationCopy, true, true}), answers());
    panel->draggingExited(nullptr);
    EXPECT_EQ((std::vector<std::string>{"dragenter", "dragover", "drop", "dragleave"}), recorder->calls);
    // A drop the delegate answers with no operation did not happen.
    recorder->answer = VLWSDragOperationNone;
    EXPECT_FALSE(panel->performDragOperation(info));
}
