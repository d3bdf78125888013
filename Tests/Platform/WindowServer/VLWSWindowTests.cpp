#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/WindowServer/VLWSPanel.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWSWindowLevel.h"
#include "Tests/Platform/WindowServer/VLWSRecordingDelegate.h"
#include "Tests/Support/VLWindowServerTest.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <string>

namespace {

using Windows = std::map<std::string, std::shared_ptr<VLWSWindow>>;

class VLWSWindowTest : public VLWindowServerTest {
protected:
    std::shared_ptr<VLWSWindow> make(const std::string& name, VLRect frame = {100, 100, 200, 200},
                                     uint64_t style = VLWSWindowStyleMaskTitled) {
        auto window = std::make_shared<VLWSWindow>(frame, style);
        window->setTitle(name);
        windows[name] = window;
        return window;
    }

    // Visible windows front to back, by title.
    std::vector<std::string> order() {
        std::vector<std::string> titles;
        for (const auto& window : server().orderedWindows())
            titles.push_back(window->title());
        return titles;
    }

    Windows windows;
};

// Counts a window's notifications by name.
class NotificationCount {
public:
    explicit NotificationCount(const VLWSWindow& window) {
        for (const char* name :
             {VLWSWindowDidMoveNotification, VLWSWindowDidResizeNotification,
              VLWSWindowDidChangeOcclusionStateNotification, VLWSWindowWillCloseNotification})
            _observers.push_back(VLNotificationCenter::defaultCenter().addObserver(
                name, &window,
                [this](const VLNotification& notification) { ++counts[notification.name()]; }));
    }
    std::map<std::string, int> counts;

private:
    std::vector<std::shared_ptr<VLNotificationCenter::Observer>> _observers;
};

void orderFront(Windows& windows, std::initializer_list<const char*> names) {
    for (const char* name : names)
        windows[name]->orderFront();
}

} // namespace

TEST_F(VLWSWindowTest, ZOrderGoesByLevelThenRecencyWithChildrenAboveTheirParent) {
    struct Case {
        const char* name;
        std::function<void(Windows&)> steps;
        std::vector<std::string> frontToBack;
    } cases[] = {
        {"recency",
         [](auto& w) {
             orderFront(w, {"a", "b", "c", "a"});
         },
         {"a", "c", "b"}},
        {"levels",
         [](auto& w) {
             w["a"]->setLevel(VLWSFloatingWindowLevel);
             w["c"]->setLevel(VLWSDesktopWindowLevel);
             orderFront(w, {"a", "b", "c"});
         },
         {"a", "b", "c"}},
        {"a new level puts the window in front of that level",
         [](auto& w) {
             orderFront(w, {"a", "b", "c"});
             w["a"]->setLevel(VLWSFloatingWindowLevel);
             w["b"]->setLevel(VLWSFloatingWindowLevel);
         },
         {"b", "a", "c"}},
        {"order back stays within the level",
         [](auto& w) {
             w["a"]->setLevel(VLWSFloatingWindowLevel);
             orderFront(w, {"a", "b", "c"});
             w["a"]->orderBack();
             w["c"]->orderBack();
         },
         {"a", "b", "c"}},
        {"order out",
         [](auto& w) {
             orderFront(w, {"a", "b"});
             w["b"]->orderOut();
         },
         {"a"}},
        {"children sit just above their parent",
         [](auto& w) {
             orderFront(w, {"a", "b"});
             w["a"]->addChildWindow(w["c"]);
         },
         {"b", "c", "a"}},
        {"a child comes to the front with its parent, above a floating window",
         [](auto& w) {
             w["c"]->setLevel(VLWSFloatingWindowLevel);
             orderFront(w, {"a", "b"});
             w["a"]->addChildWindow(w["c"]);
             w["a"]->orderFront();
         },
         {"c", "a", "b"}},
        {"an ordered-out parent hides its children",
         [](auto& w) {
             orderFront(w, {"a", "b"});
             w["a"]->addChildWindow(w["c"]);
             w["a"]->orderOut();
         },
         {"b"}},
        {"a removed child stands alone",
         [](auto& w) {
             orderFront(w, {"b", "a"});
             w["a"]->addChildWindow(w["c"]);
             w["a"]->removeChildWindow(w["c"]);
             w["b"]->orderFront();
         },
         {"b", "c", "a"}},
        {"cycles are refused",
         [](auto& w) {
             w["a"]->orderFront();
             w["a"]->addChildWindow(w["b"]);
             w["b"]->addChildWindow(w["a"]);
             w["a"]->addChildWindow(w["a"]);
         },
         {"b", "a"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        windows.clear();
        make("a"), make("b"), make("c");
        c.steps(windows);
        EXPECT_EQ(c.frontToBack, order());
    }
}

TEST_F(VLWSWindowTest, ChildWindowsMoveWithTheirParent) {
    auto parent = make("parent", {100, 100, 200, 200}, VLWSWindowStyleMaskBorderless);
    auto child = make("child", {150, 150, 20, 20}, VLWSWindowStyleMaskBorderless);
    auto grandchild = make("grandchild", {160, 160, 5, 5}, VLWSWindowStyleMaskBorderless);
    auto delegate = std::make_shared<VLWSRecordingDelegate>();
    grandchild->setDelegate(delegate);
    parent->addChildWindow(child);
    child->addChildWindow(grandchild);

    parent->setFrameOrigin({110, 80});
    EXPECT_EQ(VLRect(160, 130, 20, 20), child->frame());
    EXPECT_EQ(VLRect(170, 140, 5, 5), grandchild->frame());
    EXPECT_EQ((std::vector<std::string>{"move"}), delegate->take());
    // A parent that only grows leaves its children where they are.
    parent->setFrame({110, 80, 300, 300});
    EXPECT_EQ(VLRect(160, 130, 20, 20), child->frame());
}

TEST_F(VLWSWindowTest, KeyAndMainFollowStyleAndResign) {
    struct Case {
        const char* name;
        std::function<std::shared_ptr<VLWSWindow>()> make;
        bool key, main;
    } cases[] = {
        {"titled",
         [] { return std::make_shared<VLWSWindow>(VLRect(0, 0, 50, 50), VLWSWindowStyleMaskTitled); }, true,
         true},
        {"resizable",
         [] { return std::make_shared<VLWSWindow>(VLRect(0, 0, 50, 50), VLWSWindowStyleMaskResizable); },
         true, true},
        {"borderless",
         [] { return std::make_shared<VLWSWindow>(VLRect(0, 0, 50, 50), VLWSWindowStyleMaskBorderless); },
         false, false},
        {"closable only",
         [] { return std::make_shared<VLWSWindow>(VLRect(0, 0, 50, 50), VLWSWindowStyleMaskClosable); },
         false, false},
        {"titled panel",
         [] { return std::make_shared<VLWSPanel>(VLRect(0, 0, 50, 50), VLWSWindowStyleMaskTitled); }, true,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto previous = make("previous");
        previous->makeKeyAndOrderFront();
        ASSERT_TRUE(previous->isKeyWindow() && previous->isMainWindow());
        auto before = std::make_shared<VLWSRecordingDelegate>();
        previous->setDelegate(before);

        auto window = c.make();
        auto delegate = std::make_shared<VLWSRecordingDelegate>();
        window->setDelegate(delegate);
        window->makeKeyAndOrderFront();
        EXPECT_EQ(c.key, window->isKeyWindow());
        EXPECT_EQ(c.main, window->isMainWindow());
        EXPECT_EQ(c.key, server().keyWindow() == window);
        std::vector<std::string> resigned, became;
        if (c.key)
            resigned.push_back("resignKey"), became.push_back("becomeKey");
        if (c.main)
            resigned.push_back("resignMain"), became.push_back("becomeMain");
        EXPECT_EQ(resigned, before->take());
        EXPECT_EQ(became, delegate->take());
    }
}

TEST_F(VLWSWindowTest, OrderingOutOrClosingResignsAndClosingOnceIsEnough) {
    auto window = make("window");
    auto delegate = std::make_shared<VLWSRecordingDelegate>();
    window->setDelegate(delegate);
    NotificationCount notifications(*window);
    // The key window is always a visible one.
    window->makeKeyWindow();
    EXPECT_TRUE(delegate->take().empty());

    window->makeKeyAndOrderFront();
    EXPECT_EQ((std::vector<std::string>{"becomeKey", "becomeMain"}), delegate->take());
    window->orderOut();
    EXPECT_EQ((std::vector<std::string>{"resignKey", "resignMain"}), delegate->take());
    EXPECT_EQ(nullptr, server().keyWindow());

    window->makeKeyAndOrderFront();
    delegate->take();
    window->close();
    window->close();
    EXPECT_EQ((std::vector<std::string>{"close", "resignKey", "resignMain"}), delegate->take());
    EXPECT_EQ(1, notifications.counts[VLWSWindowWillCloseNotification]);
    // Released when closed: the application no longer knows it.
    EXPECT_EQ(nullptr, server().windowWithNumber(window->windowNumber()));
    EXPECT_TRUE(server().snapshot()->windowList(VLWSWindowListOptionAll).empty());
    window->orderFront();
    EXPECT_EQ(window, server().windowWithNumber(window->windowNumber()));
    window->orderOut();

    auto kept = make("kept");
    kept->setReleasedWhenClosed(false);
    kept->close();
    EXPECT_EQ(kept, server().windowWithNumber(kept->windowNumber()));
}

TEST_F(VLWSWindowTest, FrameChangesReportOnceAndOnlyWhatChanged) {
    auto window = make("window", {100, 100, 200, 200});
    EXPECT_EQ(VLRect(100, 100, 200, 228), window->frame());
    EXPECT_EQ(VLRect(0, 0, 200, 200), window->contentView()->frame());
    EXPECT_EQ(window->frameView().get(), window->contentView()->superview());
    auto delegate = std::make_shared<VLWSRecordingDelegate>();
    window->setDelegate(delegate);
    NotificationCount notifications(*window);

    window->setFrame({10, 10, 300, 300});
    window->setFrame({10, 10, 300, 300});
    EXPECT_EQ((std::vector<std::string>{"resize", "move"}), delegate->take());
    window->setFrameOrigin({20, 10});
    EXPECT_EQ((std::vector<std::string>{"move"}), delegate->take());
    // The top-left corner stays.
    window->setContentSize({100, 100});
    EXPECT_EQ(VLRect(20, 182, 100, 128), window->frame());
    EXPECT_EQ((std::vector<std::string>{"resize", "move"}), delegate->take());
    EXPECT_EQ(3, notifications.counts[VLWSWindowDidMoveNotification]);
    EXPECT_EQ(2, notifications.counts[VLWSWindowDidResizeNotification]);

    // A borderless style gives the whole frame to the content view.
    window->setStyleMask(VLWSWindowStyleMaskBorderless);
    EXPECT_EQ(VLRect(0, 0, 100, 128), window->contentView()->frame());
    EXPECT_EQ(VLRect(25, 182, 10, 10), window->convertRectToScreen({5, 0, 10, 10}));
    EXPECT_EQ(VLPoint(5, 0), window->convertPointFromScreen({25, 182}));

    for (VLRect bad : {VLRect(NAN, 0, 10, 10), VLRect(0, 0, -1, 10), VLRect(0, 0, 10, INFINITY)})
        window->setFrame(bad);
    window->setFrameOrigin({NAN, 0});
    window->setContentSize({-5, 5});
    window->setAlphaValue(NAN);
    window->setContentMinSize({NAN, 1});
    EXPECT_EQ(VLRect(20, 182, 100, 128), window->frame());
    EXPECT_EQ(1, window->alphaValue());
    EXPECT_EQ(VLSize(), window->contentMinSize());
    EXPECT_TRUE(delegate->take().empty());
    EXPECT_EQ(VLRectZero, std::make_shared<VLWSWindow>(VLRect(0, 0, -3, NAN), 0)->frame());
}

TEST_F(VLWSWindowTest, OcclusionIsDeliveredOncePerChange) {
    struct Case {
        const char* name;
        std::function<void(VLWSWindow& back, VLWSWindow& front)> steps;
        bool visible;
    } cases[] = {
        {"alone", [](VLWSWindow&, VLWSWindow& front) { front.orderOut(); }, true},
        {"full opaque cover",
         [](VLWSWindow&, VLWSWindow& front) {
             front.setFrame({90, 90, 240, 260});
         },
         false},
        {"exact cover", [](VLWSWindow& back, VLWSWindow& front) { front.setFrame(back.frame()); }, false},
        {"partial cover",
         [](VLWSWindow&, VLWSWindow& front) {
             front.setFrame({90, 90, 240, 200});
         },
         true},
        {"a half point uncovered",
         [](VLWSWindow& back, VLWSWindow& front) { front.setFrame(back.frame().offsetBy(0.5, 0)); }, true},
        {"translucent on top",
         [](VLWSWindow&, VLWSWindow& front) {
             front.setFrame({90, 90, 240, 260});
             front.setAlphaValue(0.5);
         },
         true},
        {"not opaque on top",
         [](VLWSWindow&, VLWSWindow& front) {
             front.setFrame({90, 90, 240, 260});
             front.setOpaque(false);
         },
         true},
        {"covered by a window behind it",
         [](VLWSWindow& back, VLWSWindow& front) {
             front.setFrame({90, 90, 240, 260});
             back.orderFront();
         },
         true},
        {"off-screen",
         [](VLWSWindow& back, VLWSWindow&) {
             back.setFrameOrigin({2000, 100});
         },
         false},
        {"ordered out", [](VLWSWindow& back, VLWSWindow&) { back.orderOut(); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto back = make("back", {100, 100, 200, 200});
        auto front = make("front", {500, 500, 100, 100});
        back->orderFront();
        front->orderFront();
        drainMainQueue();
        ASSERT_EQ(VLWSWindowOcclusionStateVisible, back->occlusionState());
        auto delegate = std::make_shared<VLWSRecordingDelegate>();
        back->setDelegate(delegate);
        NotificationCount notifications(*back);

        auto occlusionCalls = [&] {
            return std::count(delegate->calls.begin(), delegate->calls.end(), "occlusion");
        };
        c.steps(*back, *front);
        // Nothing is delivered before the main queue runs.
        EXPECT_EQ(0, occlusionCalls());
        drainMainQueue();
        EXPECT_EQ(c.visible, back->occlusionState() == VLWSWindowOcclusionStateVisible);
        const int expected = c.visible ? 0 : 1;
        EXPECT_EQ(expected, occlusionCalls());
        EXPECT_EQ(expected, notifications.counts[VLWSWindowDidChangeOcclusionStateNotification]);

        // Changes that change nothing deliver nothing.
        delegate->take();
        front->setTitle("again");
        back->setTitle("again");
        drainMainQueue();
        EXPECT_TRUE(delegate->calls.empty());
    }
}

TEST_F(VLWSWindowTest, TestsCanOverrideOcclusion) {
    auto window = make("window");
    auto delegate = std::make_shared<VLWSRecordingDelegate>();
    window->setDelegate(delegate);
    window->orderFront();
    window->overrideOcclusionState(0);
    drainMainQueue();
    EXPECT_EQ(0u, window->occlusionState());
    EXPECT_TRUE(delegate->take().empty());
    window->overrideOcclusionState(std::nullopt);
    drainMainQueue();
    EXPECT_EQ(VLWSWindowOcclusionStateVisible, window->occlusionState());
    EXPECT_EQ((std::vector<std::string>{"occlusion"}), delegate->take());
}
