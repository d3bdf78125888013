#include "Modules/Window/Window/VLWindow.h"

#include "Core/Runtime/Rendering/VLFrameSourceFactory.h"
#include "Core/Runtime/VLRuntime.h"
#include "Core/Runtime/VLRuntimeWindowNotifications.h"
#include "Modules/Window/Window/Geometry/VLWindowSlide.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/WindowServer/VLWSDriver.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWindowServer.h"
#include "Tests/Support/VLManualFrameSourceFactory.h"
#include "Tests/Support/VLTestWidget.h"
#include "Tests/Support/VLWindowServerTest.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

// The user drags windows with the driver while the window server's clock is advanced by hand.

namespace {

class VLWindowUserMoveTest : public VLWindowServerTest {
protected:
    void SetUp() override {
        VLWindowServerTest::SetUp();
        VLFrameSourceFactory::setShared(_frames);
        _observer = VLNotificationCenter::defaultCenter().addObserver(
            VLRuntimeWindowDidEndUserMoveNotification, nullptr, [this](const VLNotification& notification) {
                ++_endedMoves;
                _endedMoveObject = notification.object();
                _endedMoveHadUserInfo = !notification.userInfo().empty();
            });
    }
    void TearDown() override {
        VLNotificationCenter::defaultCenter().removeObserver(_observer);
        VLFrameSourceFactory::setShared(nullptr);
        VLWindowServerTest::TearDown();
    }

    // A widget whose one window of the kind lies at 100, 100 (flipped), 200 × 100, and prints its moves.
    std::unique_ptr<VLTestWidget> launch(const std::string& type) {
        const std::string script = "globalThis.w = new Velto.Window({ type: '" + type +
                                   "', style: { left: 100, top: 100, width: 200, height: 100 } });\n"
                                   "w.onmove = (e) => console.log('move');\n"
                                   "w.show();\n";
        auto widget =
            std::make_unique<VLTestWidget>(std::map<std::string, std::string>{{"index.js", script}});
        if (widget->runtime() && _frames->lastSource()) {
            _frames->lastSource()->fire();
            widget->settle();
        }
        return widget;
    }

    static std::shared_ptr<VLWSWindow> windowOf(const VLTestWidget& widget) {
        for (const std::shared_ptr<VLWSWindow>& window : server().windows())
            if (VLRuntime::runtimeOwningWindow(*window) == widget.runtime())
                return window;
        return nullptr;
    }

    static VLWindowServer& server() { return *VLWindowServer::shared(); }
    static VLWSDriver& driver() { return server().driver(); }
    static void advance(double seconds) { server().clock().advance(seconds); }

    int _endedMoves = 0;
    const void* _endedMoveObject = nullptr;
    bool _endedMoveHadUserInfo = false;

private:
    const std::shared_ptr<VLManualFrameSourceFactory> _frames =
        std::make_shared<VLManualFrameSourceFactory>();
    std::shared_ptr<VLNotificationCenter::Observer> _observer;
};

} // namespace

TEST_F(VLWindowUserMoveTest, AWindowDraggedAboveTheMenuBarSlidesBackInAQuarterSecond) {
    auto widget = launch("widget");
    ASSERT_NE(widget->runtime(), nullptr);
    const std::shared_ptr<VLWSWindow> window = windowOf(*widget);
    ASSERT_NE(window, nullptr);
    ASSERT_EQ((VLPoint{100, 700}), window->frame().origin);

    // Dragged up by 100 points: its top at 900, above the visible frame's top at 875.
    driver().drag({150, 750}, {150, 850}, 2);
    widget->settle();
    ASSERT_EQ((VLPoint{100, 800}), window->frame().origin);
    EXPECT_EQ(0, _endedMoves) << "the button was just released";

    // The drag timer finds the button released and starts the slide.
    advance(1.0 / 120);
    const double start = server().clock().now();
    EXPECT_EQ((VLPoint{100, 800}), window->frame().origin);

    advance(0.125);
    const double t = (server().clock().now() - start) * 4;
    EXPECT_NEAR(800 - 25 * VLWindowSlide::ease(t), window->frame().origin.y, 0.01);
    EXPECT_NEAR(800 - 25 * 0.875, window->frame().origin.y, 1) << "the midpoint lies on the ease";
    EXPECT_EQ(100, window->frame().origin.x);
    EXPECT_EQ(0, _endedMoves);

    advance(0.1);
    EXPECT_EQ(0, _endedMoves) << "not yet a quarter second";
    // The first tick once a quarter second has passed (the timer keeps a grid of whole nanoseconds).
    advance(0.025 + 1.0 / 120);
    EXPECT_EQ((VLPoint{100, 775}), window->frame().origin) << "exactly on the target";
    EXPECT_EQ(1, _endedMoves);
    EXPECT_EQ(widget->runtime().get(), _endedMoveObject);
    EXPECT_FALSE(_endedMoveHadUserInfo);
    advance(1);
    EXPECT_EQ(1, _endedMoves) << "once";
    widget->settle();
    int moves = 0;
    for (const std::string& line : widget->console())
        moves += line == "log: move";
    EXPECT_GT(moves, 4) << "each step of the slide is a move";
}

TEST_F(VLWindowUserMoveTest, ReduceMotionJumpsAndANewGrabStopsTheSlide) {
    auto widget = launch("widget");
    ASSERT_NE(widget->runtime(), nullptr);
    const std::shared_ptr<VLWSWindow> window = windowOf(*widget);
    ASSERT_NE(window, nullptr);

    driver().setReduceMotion(true);
    driver().drag({150, 750}, {150, 850}, 1);
    widget->settle();
    advance(1.0 / 120);
    EXPECT_EQ((VLPoint{100, 775}), window->frame().origin) << "at once";
    EXPECT_EQ(1, _endedMoves);

    driver().setReduceMotion(false);
    driver().drag({150, 825}, {150, 925}, 1);
    widget->settle();
    advance(1.0 / 120);
    advance(0.05);
    const VLPoint taken = window->frame().origin;
    ASSERT_GT(taken.y, 775);
    driver().moveMouse({150, 930});
    driver().mouseDown();
    advance(0.5);
    EXPECT_EQ(taken, window->frame().origin) << "the slide stopped where it was";
    EXPECT_EQ(1, _endedMoves) << "the move goes on";
    driver().mouseUp();
    advance(1);
    EXPECT_EQ(2, _endedMoves);
}

TEST_F(VLWindowUserMoveTest, OnlyRestrictedKindsAreMoved) {
    for (const char* type : {"panel", "desktop", "overlay"}) {
        auto widget = launch(type);
        ASSERT_NE(widget->runtime(), nullptr) << type;
        const std::shared_ptr<VLWSWindow> window = windowOf(*widget);
        ASSERT_NE(window, nullptr) << type;
        const VLRect before = window->frame();
        window->setFrameOrigin({before.origin.x, 850});
        advance(1);
        EXPECT_EQ(850, window->frame().origin.y) << type;
    }
}
