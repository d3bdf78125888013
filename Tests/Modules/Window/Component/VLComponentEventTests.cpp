#include "Modules/Window/Component/VLComponent.h"

#include "Modules/Window/Component/VLComponentView.h"
#include "Platform/WindowServer/VLWSDriver.h"
#include "Platform/WindowServer/VLWSTrackingArea.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Tests/Support/VLValuePrinter.h"
#include "Tests/Support/VLWindowServerTest.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The test thread is the main thread and the component thread at once: queued view work runs inline.

namespace {

// A window that answers the components' three questions as the test sets them.
class VLTestComponentWindow : public VLWSWindow {
public:
    using VLWSWindow::VLWSWindow;

    bool vl_pressMovesWindow() const override { return pressMovesWindow; }
    bool vl_componentsTakeMouse() const override { return componentsTakeMouse; }
    bool vl_componentsTakeWheel(const VLWSEvent& event) const override {
        return componentsTakeWheel.value_or(VLWSWindow::vl_componentsTakeWheel(event));
    }

    bool pressMovesWindow = false;
    bool componentsTakeMouse = true;
    std::optional<bool> componentsTakeWheel;
};

// Keeps "label:event" and the payloads of the pointer's events, in the order fired.
class VLEventRecorder : public VLComponentEventDelegate {
public:
    void component(VLComponent& component, const std::string& name, const VLDictionary& params) override {
        if (name == "framechange")
            return;
        events.push_back(labels[&component] + ":" + name);
        payloads.push_back(params);
        if (onEvent)
            onEvent(events.back());
    }

    std::vector<std::string> take() {
        payloads.clear();
        return std::exchange(events, {});
    }

    std::map<const VLComponent*, std::string> labels;
    std::vector<std::string> events;
    std::vector<VLValue> payloads;
    std::function<void(const std::string&)> onEvent;
};

using Events = std::vector<std::string>;

const std::vector<std::string> pressEvents{"mousedown", "mouseup", "click", "dblclick"};

class VLComponentEventTest : public VLWindowServerTest {
protected:
    // The component fires the events to the recorder under the label.
    void listen(const std::shared_ptr<VLComponent>& component, const std::string& label,
                const std::vector<std::string>& names) {
        recorder->labels[component.get()] = label;
        component->setEventDelegate(recorder);
        for (const std::string& name : names)
            component->addEvent(name);
    }

    // A window at (100, 100) of 200 × 200 points, showing `root` laid out in its bottom-left corner.
    std::shared_ptr<VLTestComponentWindow> show(const std::shared_ptr<VLComponent>& root,
                                                uint64_t styleMask = VLWSWindowStyleMaskBorderless) {
        auto window = std::make_shared<VLTestComponentWindow>(VLRect(100, 100, 200, 200), styleMask);
        root->setNeedsLayout();
        window->contentView()->addSubview(root->view());
        window->orderFront();
        return window;
    }

    VLWSDriver& driver() { return server().driver(); }

    std::shared_ptr<VLEventRecorder> recorder = std::make_shared<VLEventRecorder>();
};

// A 100 × 100 root with a 50 × 50 child at (10, 10): the screen point (120, 180) is the child's (10, 10)
// and the root's (20, 20).
struct Nested {
    std::shared_ptr<VLComponent> root =
        VLComponent::create({{"width", 100}, {"height", 100}, {"paddingLeft", 10}, {"paddingTop", 10}});
    std::shared_ptr<VLComponent> child = VLComponent::create({{"width", 50}, {"height", 50}});
    Nested() { root->addComponent(child, -1); }
};

constexpr VLPoint inChild{120, 180};

} // namespace

TEST_F(VLComponentEventTest, PressesGiveMouseAndClickEventsInnermostFirst) {
    using Steps = std::function<void(VLWSDriver&)>;
    const Steps click = [](VLWSDriver& driver) {
        driver.mouseDown(0, 1);
        driver.mouseUp(0, 1);
    };
    const Steps doubleClick = [&](VLWSDriver& driver) {
        click(driver);
        driver.mouseDown(0, 2);
        driver.mouseUp(0, 2);
    };
    const Steps drag = [](VLWSDriver& driver) {
        driver.mouseDown(0, 1);
        driver.moveMouse({inChild.x + 10, inChild.y});
        driver.mouseUp(0, 1);
    };
    const Steps rightPress = [](VLWSDriver& driver) {
        driver.mouseDown(1, 1);
        driver.mouseUp(1, 1);
    };
    const struct {
        const char* name;
        bool movesWindow;
        Steps steps;
        Events expected;
    } cases[] = {
        {"click",
         false,
         click,
         {"child:mousedown", "root:mousedown", "child:mouseup", "root:mouseup", "child:click", "root:click"}},
        {"click, moving window", true, click, {"child:click", "root:click"}},
        {"drag",
         false,
         drag,
         {"child:mousedown", "root:mousedown", "child:mousemove", "root:mousemove", "child:mouseup",
          "root:mouseup"}},
        {"drag, moving window",
         true,
         drag,
         {"child:mousedown", "root:mousedown", "child:mouseup", "root:mouseup"}},
        {"double click",
         false,
         doubleClick,
         {"child:mousedown", "root:mousedown", "child:mouseup", "root:mouseup", "child:click", "root:click",
          "child:mousedown", "root:mousedown", "child:mouseup", "root:mouseup", "child:click", "root:click",
          "child:dblclick", "root:dblclick"}},
        {"double click, moving window",
         true,
         doubleClick,
         {"child:click", "root:click", "child:click", "root:click", "child:dblclick", "root:dblclick"}},
        {"right press",
         false,
         rightPress,
         {"child:mousedown", "root:mousedown", "child:mouseup", "root:mouseup"}},
        {"right press, moving window",
         true,
         rightPress,
         {"child:mousedown", "root:mousedown", "child:mouseup", "root:mouseup"}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        Nested tree;
        listen(tree.root, "root", pressEvents);
        listen(tree.child, "child", pressEvents);
        auto window = show(tree.root);
        window->pressMovesWindow = test.movesWindow;
        window->setMovableByWindowBackground(test.movesWindow);
        driver().moveMouse(inChild);
        recorder->take();
        test.steps(driver());
        EXPECT_EQ(recorder->take(), test.expected);
        window->close();
    }
}

TEST_F(VLComponentEventTest, AMovingWindowsDragGivesTheHeldPressDuringTheDrag) {
    Nested tree;
    listen(tree.child, "child", pressEvents);
    auto window = show(tree.root);
    window->pressMovesWindow = true;
    window->setMovableByWindowBackground(true);
    driver().moveMouse(inChild);
    recorder->take();
    driver().mouseDown();
    driver().moveMouse({inChild.x + 2, inChild.y});
    EXPECT_TRUE(recorder->events.empty());
    driver().moveMouse({inChild.x + 30, inChild.y - 20});
    EXPECT_EQ(window->frame().origin, VLPoint(130, 80));
    ASSERT_EQ(recorder->events, Events{"child:mousedown"});
    EXPECT_EQ(recorder->payloads[0].dictionaryValue().get("x"), VLValue(10.0));
    EXPECT_EQ(recorder->payloads[0].dictionaryValue().get("y"), VLValue(10.0));
    driver().mouseUp();
    EXPECT_EQ(recorder->events, (Events{"child:mousedown", "child:mouseup"}));
    // The view moved with the window under the pointer.
    EXPECT_EQ(recorder->payloads[1].dictionaryValue().get("x"), VLValue(10.0));
}

TEST_F(VLComponentEventTest, PayloadsCarryTheViewsPositionButtonsAndModifiers) {
    Nested tree;
    listen(tree.root, "root", pressEvents);
    listen(tree.child, "child", pressEvents);
    auto window = show(tree.root);
    driver().moveMouse(inChild);
    driver().setModifierFlags(VLWSEventModifierFlagShift | VLWSEventModifierFlagCommand);
    recorder->take();
    driver().mouseDown(1);
    driver().mouseDown(0);
    const VLDictionary leftDown{{"x", 10.0},       {"y", 10.0},        {"ctrlKey", false}, {"altKey", false},
                                {"metaKey", true}, {"shiftKey", true}, {"button", 0},      {"buttons", 3}};
    ASSERT_EQ(recorder->events,
              (Events{"child:mousedown", "root:mousedown", "child:mousedown", "root:mousedown"}));
    EXPECT_EQ(recorder->payloads[0].dictionaryValue().get("button"), VLValue(2));
    EXPECT_EQ(recorder->payloads[0].dictionaryValue().get("buttons"), VLValue(2));
    EXPECT_EQ(recorder->payloads[2], VLValue(leftDown));
    EXPECT_EQ(recorder->payloads[3].dictionaryValue().get("x"), VLValue(20.0));
    EXPECT_EQ(recorder->payloads[3].dictionaryValue().get("y"), VLValue(20.0));
    recorder->take();
    driver().setModifierFlags(VLWSEventModifierFlagControl | VLWSEventModifierFlagOption);
    driver().mouseUp(1);
    ASSERT_FALSE(recorder->payloads.empty());
    EXPECT_EQ(recorder->payloads[0].dictionaryValue().get("button"), VLValue(2));
    EXPECT_EQ(recorder->payloads[0].dictionaryValue().get("buttons"), VLValue(1));
    EXPECT_EQ(recorder->payloads[0].dictionaryValue().get("ctrlKey"), VLValue(true));
    EXPECT_EQ(recorder->payloads[0].dictionaryValue().get("altKey"), VLValue(true));
    EXPECT_EQ(recorder->payloads[0].dictionaryValue().get("metaKey"), VLValue(false));
}

TEST_F(VLComponentEventTest, ListeningToOneMouseEventDeliversThemAll) {
    Nested tree;
    listen(tree.child, "child", {"mousemove"});
    auto window = show(tree.root);
    window->componentsTakeWheel = true;
    driver().moveMouse(inChild);
    driver().mouseDown();
    driver().mouseUp();
    driver().scroll(1, 2, 3);
    driver().moveMouse({300, 300});
    EXPECT_EQ(recorder->events, (Events{"child:mouseenter", "child:mousemove", "child:mousedown",
                                        "child:mouseup", "child:wheel", "child:mouseleave"}));
    EXPECT_EQ(recorder->payloads[4],
              VLValue(VLDictionary{{"deltaX", 1.0}, {"deltaY", 2.0}, {"deltaZ", 3.0}}));
}

TEST_F(VLComponentEventTest, DelegatesAndTheTrackingAreaFollowTheListenedEvents) {
    auto component = VLComponent::create({{"width", 40}, {"height", 30}});
    auto& view = static_cast<VLComponentView&>(*component->view());
    EXPECT_TRUE(view.trackingAreas().empty());

    for (const char* name : {"click", "click", "dblclick", "mousedown", "mouseup", "framechange"})
        component->addEvent(name);
    EXPECT_EQ(view.clickEventDelegate().get(), component.get());
    EXPECT_EQ(view.mouseEventDelegate().get(), component.get());
    ASSERT_EQ(view.trackingAreas().size(), 1u);
    component->setNeedsLayout();
    ASSERT_EQ(view.trackingAreas().size(), 1u);
    EXPECT_EQ(view.trackingAreas()[0]->rect(), VLRect(0, 0, 40, 30));
    EXPECT_EQ(view.trackingAreas()[0]->options(), 0x83u);
    EXPECT_EQ(view.trackingAreas()[0]->owner().get(), &view);

    const struct {
        const char* removed;
        bool click;
        bool mouse;
    } steps[] = {
        {"click", true, true},     {"click", true, true},     {"framechange", true, true},
        {"mousedown", true, true}, {"dblclick", false, true}, {"mouseup", false, false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.removed);
        component->removeEvent(step.removed);
        EXPECT_EQ(view.clickEventDelegate() != nullptr, step.click);
        EXPECT_EQ(view.mouseEventDelegate() != nullptr, step.mouse);
        EXPECT_EQ(view.trackingAreas().size(), step.mouse ? 1u : 0u);
    }
}

TEST_F(VLComponentEventTest, ListenedEventsMadeBeforeTheViewReachIt) {
    auto component = VLComponent::create({}, {}, {"wheel", "dblclick"});
    auto& view = static_cast<VLComponentView&>(*component->view());
    EXPECT_EQ(view.clickEventDelegate().get(), component.get());
    EXPECT_EQ(view.mouseEventDelegate().get(), component.get());
}

TEST_F(VLComponentEventTest, AContentsBoxIsNeverHitButItsChildrenAre) {
    Nested tree;
    auto contents = VLComponent::create({{"display", "contents"}});
    tree.root->removeFromParent();
    tree.child->removeFromParent();
    tree.root->addComponent(contents, -1);
    contents->addComponent(tree.child, -1);
    listen(tree.root, "root", {"click"});
    listen(contents, "contents", {"click"});
    listen(tree.child, "child", {"click"});
    auto window = show(tree.root);
    driver().moveMouse(inChild);
    driver().mouseDown();
    driver().mouseUp();
    EXPECT_EQ(recorder->take(), (Events{"child:click", "contents:click", "root:click"}));

    const VLPoint besideChild = window->convertPointFromScreen({180, 180});
    EXPECT_EQ(window->frameView()->hitTest(besideChild), tree.root->view().get());
}

TEST_F(VLComponentEventTest, AWindowThatKeepsTheMouseFromComponentsHitsNone) {
    Nested tree;
    listen(tree.child, "child", {"mousedown", "click", "mouseenter"});
    auto window = show(tree.root);
    window->componentsTakeMouse = false;
    driver().moveMouse(inChild);
    driver().mouseDown();
    driver().mouseUp();
    EXPECT_TRUE(recorder->events.empty());
    EXPECT_EQ(window->frameView()->hitTest(window->convertPointFromScreen(inChild)),
              window->contentView().get());
}

TEST_F(VLComponentEventTest, WheelEventsNeedTheWindowsConsent) {
    const struct {
        bool key;
        std::optional<bool> takesWheel;
        bool delivered;
    } cases[] = {
        {true, std::nullopt, true},
        {false, std::nullopt, false},
        {false, true, true},
        {true, false, false},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(testing::Message() << test.key << " " << test.takesWheel.value_or(-1));
        Nested tree;
        listen(tree.child, "child", {"wheel"});
        auto window = show(tree.root, VLWSWindowStyleMaskResizable);
        window->componentsTakeWheel = test.takesWheel;
        if (test.key)
            window->makeKeyWindow();
        ASSERT_EQ(window->isKeyWindow(), test.key);
        driver().moveMouse(inChild);
        recorder->take();
        driver().scroll(0, -4);
        EXPECT_EQ(recorder->take(), test.delivered ? Events{"child:wheel"} : Events{});
        window->close();
    }
}

TEST_F(VLComponentEventTest, AComponentGoneDuringAReleaseGetsNoClick) {
    Nested tree;
    listen(tree.root, "root", {"mouseup", "click"});
    listen(tree.child, "child", {"mouseup", "click"});
    auto window = show(tree.root);
    recorder->onEvent = [&](const std::string& event) {
        if (event == "child:mouseup") {
            tree.child->removeFromParent();
            tree.child.reset();
        }
    };
    driver().moveMouse(inChild);
    driver().mouseDown();
    driver().mouseUp();
    const Events events = recorder->take();
    EXPECT_EQ(std::count(events.begin(), events.end(), "child:click"), 0);
}
