#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/WindowServer/VLWSDriver.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Tests/Support/VLWindowServerTest.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

// Writes down what a live resize tells it, with the live-resize flag and the left button as they were.
class ResizeRecorder final : public VLWSWindowDelegate {
public:
    std::vector<std::string> calls;
    bool allowsZoom = true;
    std::function<VLSize(VLSize)> adjust = [](VLSize size) { return size; };

    void windowWillStartLiveResize(VLWSWindow& w) override { note("willStart", w); }
    void windowDidEndLiveResize(VLWSWindow& w) override { note("didEnd", w); }
    VLSize windowWillResize(VLWSWindow& w, VLSize size) override {
        note("willResize " + describe(size), w);
        return adjust(size);
    }
    void windowDidResize(VLWSWindow& w) override { note("didResize " + describe(w.frame().size), w); }
    bool windowShouldZoom(VLWSWindow& w, VLRect frame) override {
        note("shouldZoom " + describe(frame.size), w);
        return allowsZoom;
    }
    void windowWillEnterFullScreen(VLWSWindow& w) override { note("willEnterFullScreen", w); }
    void windowDidEnterFullScreen(VLWSWindow& w) override { note("didEnterFullScreen", w); }
    void windowDidFailToEnterFullScreen(VLWSWindow& w) override { note("didFailToEnterFullScreen", w); }

private:
    static std::string describe(VLSize size) {
        return std::to_string(int(size.width)) + "x" + std::to_string(int(size.height));
    }
    void note(const std::string& call, VLWSWindow& window) {
        calls.push_back(call + (window.inLiveResize() ? " [live]" : "") +
                        ((VLWSEvent::pressedMouseButtons() & 1) ? " [button]" : ""));
    }
};

class VLWSLiveResizeTest : public VLWindowServerTest {
protected:
    void SetUp() override {
        VLWindowServerTest::SetUp();
        recorder = std::make_shared<ResizeRecorder>();
        window = std::make_shared<VLWSWindow>(VLRect(100, 100, 200, 100),
                                              VLWSWindowStyleMaskBorderless | VLWSWindowStyleMaskResizable);
        window->setDelegate(recorder);
        window->orderFront();
    }

    std::shared_ptr<VLWSWindow> window;
    std::shared_ptr<ResizeRecorder> recorder;
};

} // namespace

TEST_F(VLWSLiveResizeTest, DelegateLogsFollowEachKindOfResize) {
    struct Case {
        const char* name;
        std::function<void(VLWSWindow&, ResizeRecorder&)> setUp;
        std::function<bool(const std::shared_ptr<VLWSWindow>&)> act;
        bool took;
        std::vector<std::string> calls;
        VLRect frame;
    } cases[] = {
        {"a user resize, clamped and adjusted",
         [](VLWSWindow& w, ResizeRecorder& r) {
             w.setContentMinSize({150, 50});
             w.setContentMaxSize({400, 300});
             r.adjust = [](VLSize s) { return VLSize{s.width, s.height - 10}; };
         },
         [](const auto& w) {
             return VLWindowServer::shared()->driver().userResize(w,
                                                                  {{100, 50, 100, 150}, {100, 0, 500, 200}});
         },
         true,
         {"willStart [live] [button]", "willResize 150x150 [live] [button]",
          "didResize 150x140 [live] [button]", "willResize 400x200 [live] [button]",
          "didResize 400x190 [live] [button]", "didEnd [button]"},
         {100, 10, 400, 190}},
        {"a tile keeps the aspect ratio, without the button",
         [](VLWSWindow& w, ResizeRecorder&) {
             w.setContentAspectRatio({2, 1});
         },
         [](const auto& w) {
             return VLWindowServer::shared()->driver().tile(w, {0, 0, 720, 875});
         },
         true,
         {"willStart [live]", "willResize 720x360 [live]", "didResize 720x360 [live]", "didEnd"},
         {0, 515, 720, 360}},
        {"an allowed zoom fills the visible frame",
         [](VLWSWindow&, ResizeRecorder&) {},
         [](const auto& w) { return VLWindowServer::shared()->driver().zoom(w); },
         true,
         {"shouldZoom 1440x875", "willStart [live]", "willResize 1440x875 [live]",
          "didResize 1440x875 [live]", "didEnd"},
         {0, 0, 1440, 875}},
        {"a refused zoom changes nothing",
         [](VLWSWindow&, ResizeRecorder& r) { r.allowsZoom = false; },
         [](const auto& w) { return VLWindowServer::shared()->driver().zoom(w); },
         false,
         {"shouldZoom 1440x875"},
         {100, 100, 200, 100}},
        {"a failing full screen goes back",
         [](VLWSWindow&, ResizeRecorder&) {},
         [](const auto& w) { return VLWindowServer::shared()->driver().toggleFullScreen(w, false); },
         true,
         {"willEnterFullScreen", "willStart [live]", "willResize 1440x900 [live]",
          "didResize 1440x900 [live]", "didEnd", "didResize 200x100", "didFailToEnterFullScreen"},
         {100, 100, 200, 100}},
        {"a window that is not resizable takes none",
         [](VLWSWindow& w, ResizeRecorder&) { w.setStyleMask(VLWSWindowStyleMaskBorderless); },
         [](const auto& w) {
             return VLWindowServer::shared()->driver().tile(w, {0, 0, 720, 875});
         },
         false,
         {},
         {100, 100, 200, 100}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        c.setUp(*window, *recorder);
        EXPECT_EQ(c.took, c.act(window));
        EXPECT_EQ(c.calls, recorder->calls);
        EXPECT_EQ(c.frame, window->frame());
        EXPECT_FALSE(window->inLiveResize());
        EXPECT_EQ(0u, VLWSEvent::pressedMouseButtons());
    }
}

TEST_F(VLWSLiveResizeTest, ZoomTwiceGoesBackAndFullScreenMarksTheStyle) {
    ASSERT_TRUE(server().driver().zoom(window));
    ASSERT_TRUE(server().driver().zoom(window));
    EXPECT_EQ((VLRect{100, 100, 200, 100}), window->frame());

    int ended = 0;
    auto observer = VLNotificationCenter::defaultCenter().addObserver(
        VLWSWindowDidEndLiveResizeNotification, window.get(), [&](const VLNotification&) { ++ended; });
    ASSERT_TRUE(server().driver().toggleFullScreen(window));
    EXPECT_TRUE(window->styleMask() & VLWSWindowStyleMaskFullScreen);
    EXPECT_EQ((VLRect{0, 0, 1440, 900}), window->frame());
    ASSERT_TRUE(server().driver().toggleFullScreen(window));
    EXPECT_FALSE(window->styleMask() & VLWSWindowStyleMaskFullScreen);
    EXPECT_EQ((VLRect{100, 100, 200, 100}), window->frame());
    EXPECT_EQ(2, ended);
}

TEST_F(VLWSLiveResizeTest, DeactivationResignsAndHidesWhatHidesOnDeactivate) {
    window->setHidesOnDeactivate(true);
    auto titled = std::make_shared<VLWSWindow>(VLRect(500, 100, 100, 100), VLWSWindowStyleMaskTitled);
    server().activate();
    titled->makeKeyAndOrderFront();
    server().driver().deactivate();
    EXPECT_FALSE(titled->isKeyWindow());
    EXPECT_FALSE(titled->isMainWindow());
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(titled->isVisible());
    server().activate();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(titled->isKeyWindow());

    EXPECT_FALSE(server().workspace().accessibilityDisplayShouldReduceMotion());
    server().driver().setReduceMotion(true);
    EXPECT_TRUE(server().workspace().accessibilityDisplayShouldReduceMotion());
}
