// The performance overlay, with the agent in the test's process: panels are read off the window
// server's views and its composited screen.
#include "ContentHost/PerformanceHUDView.h"
#include "Core/Runtime/VLRuntimeOwner.h"
#include "Platform/Foundation/VLUnicode.h"
#include "Platform/Graphics/VLBitmap.h"
#include "Platform/Graphics/VLCompositor.h"
#include "Platform/Text/VLFontCatalog.h"
#include "Platform/Text/VLTextShaper.h"
#include "Platform/WindowServer/VLWSDriver.h"
#include "Platform/WindowServer/VLWSLayer.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWSWindowDelegate.h"
#include "Platform/WindowServer/VLWindowServer.h"
#include "Tests/ContentHost/ContentHostAgentTest.h"
#include "Tests/Support/VLGeometryPrinter.h"
#include "Tests/Support/VLTestBitmap.h"
#include "Tests/Support/VLValuePrinter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

class FlippedView : public VLWSView {
public:
    using VLWSView::VLWSView;
    bool isFlipped() const override { return true; }
};

// Makes a window of the test's belong to a runtime, as the engine's windows do.
class RuntimeOwnedWindowDelegate final : public VLWSWindowDelegate, public VLRuntimeOwner {
public:
    explicit RuntimeOwnedWindowDelegate(std::weak_ptr<VLRuntime> runtime) : _runtime(std::move(runtime)) {}
    std::shared_ptr<VLRuntime> runtime() const override { return _runtime.lock(); }

private:
    std::weak_ptr<VLRuntime> _runtime;
};

class ContentHostHUDTest : public ContentHostAgentTest {
protected:
    ~ContentHostHUDTest() override {
        for (const auto& window : _ownWindows)
            window->close();
    }

    // Launches the fixture with its white window as runtime 1, and answers that window.
    std::shared_ptr<VLWSWindow> launchWindowed() {
        const VLDictionary launched = launch(1, {{"console", true}}, "host/hud");
        const VLValue& windows = launched.get("state")["windows"];
        EXPECT_FALSE(windows.arrayValue().empty()) << testing::PrintToString(VLValue(launched));
        if (windows.arrayValue().empty())
            return nullptr;
        std::shared_ptr<VLWSWindow> window =
            VLWindowServer::shared()->windowWithNumber(windows[0]["number"].integerValue());
        // It takes its styled size with the runtime's first layout.
        EXPECT_TRUE(window && VLMainQueue::runUntil([&] { return window->frame().size == VLSize(160, 80); }));
        return window;
    }

    // A window ordered in whose owner is runtime 1, with a plain content view or a flipped one.
    std::shared_ptr<VLWSWindow> ownWindow(VLRect frame, bool flipped) {
        auto window = std::make_shared<VLWSWindow>(frame, VLWSWindowStyleMaskBorderless);
        window->setContentView(flipped ? std::make_shared<FlippedView>() : std::make_shared<VLWSView>());
        window->setDelegate(_owner);
        window->orderFront();
        _ownWindows.push_back(window);
        return window;
    }

    void hud(VLDictionary keys) {
        keys.set("op", "hud");
        keys.set("rid", 1);
        peer.send(keys);
        roundTrip();
    }

    // The window's one overlay, which must be its content view's last subview; nullptr when it has none.
    static std::shared_ptr<PerformanceHUDView> overlay(const VLWSWindow& window) {
        std::shared_ptr<PerformanceHUDView> found;
        for (const auto& subview : window.contentView()->subviews()) {
            if (auto view = std::dynamic_pointer_cast<PerformanceHUDView>(subview)) {
                EXPECT_EQ(nullptr, found) << "one overlay a window";
                found = view;
            }
        }
        if (found) {
            EXPECT_EQ(found, window.contentView()->subviews().back()) << "the overlay is on top";
        }
        return found;
    }

    // The overlay's frame on the screen, y up.
    static VLRect onScreen(const PerformanceHUDView& view) {
        return view.window()->convertRectToScreen(view.convertRectToView(view.bounds(), nullptr));
    }

    void ownedByRuntime() {
        _owner = std::make_shared<RuntimeOwnedWindowDelegate>(agent->hosted(1)->runtime);
    }

private:
    std::shared_ptr<RuntimeOwnedWindowDelegate> _owner;
    std::vector<std::shared_ptr<VLWSWindow>> _ownWindows;
};

// What the default screen shows, read at global points (y up).
class Screen {
public:
    Screen() : _pixels(1440, 900) {
        EXPECT_TRUE(VLCompositor::compositeScreen(*VLWindowServer::shared(), VLWSScreen::defaultScreen(),
                                                  _pixels.mutablePixels()));
    }
    VLTestRGBA at(double x, double y) const { return _pixels.pixel(uint32_t(x), uint32_t(899 - y)); }
    // The brightest pixel within the rectangle.
    VLTestRGBA brightestIn(const VLRect& rect) const {
        VLTestRGBA brightest;
        for (double y = std::ceil(rect.minY()); y < rect.maxY(); ++y)
            for (double x = std::ceil(rect.minX()); x < rect.maxX(); ++x) {
                const VLTestRGBA pixel = at(x, y);
                if (pixel.red + pixel.green + pixel.blue > brightest.red + brightest.green + brightest.blue)
                    brightest = pixel;
            }
        return brightest;
    }

private:
    VLTestBitmap _pixels;
};

// The size of the lines in the panel's face, measured apart from the panel.
VLSize textSize(const std::vector<std::string>& lines) {
    VLTextShaper shaper(
        VLTextFont::create(VLFontCatalog::shared().systemFace(VLFontSystemUI, false, 500), 10), {"tnum"});
    double width = 0;
    for (const std::string& line : lines)
        width = std::max(width, shaper.shape(VLUTF16FromUTF8(line)).width);
    return {width, double(lines.size()) * shaper.mainFont().lineHeight()};
}

} // namespace

TEST_F(ContentHostHUDTest, EmptyLinesPutAnEmptyPanelInTheTopRightCornerOfEveryWindow) {
    const std::shared_ptr<VLWSWindow> widget = launchWindowed();
    ASSERT_TRUE(widget);
    ownedByRuntime();
    const auto plain = ownWindow({100, 300, 200, 100}, false);
    const auto flipped = ownWindow({400, 300, 200, 100}, true);
    const auto stranger =
        std::make_shared<VLWSWindow>(VLRect(700, 300, 200, 100), VLWSWindowStyleMaskBorderless);
    stranger->orderFront();

    hud({{"lines", VLArray{}}});
    EXPECT_EQ(nullptr, overlay(*stranger)) << "another runtime's window";
    const std::shared_ptr<PerformanceHUDView> onWidget = overlay(*widget);
    ASSERT_TRUE(onWidget);
    EXPECT_TRUE(widget->contentView()->isFlipped());
    EXPECT_EQ(VLRect(widget->contentView()->bounds().size.width - 12, 4, 8, 8), onWidget->frame());
    EXPECT_EQ(33u, onWidget->autoresizingMask());
    EXPECT_EQ(nullptr, onWidget->layer()->contents()) << "nothing to draw";
    EXPECT_EQ(VLColor(0, 0, 0, 0.7), onWidget->layer()->backgroundColor());
    EXPECT_EQ(4, onWidget->layer()->cornerRadius());

    // In the corner at first and after the window grew.
    const struct {
        std::shared_ptr<VLWSWindow> window;
        uint64_t mask;
        VLRect placed;
        VLRect resized;
    } cases[] = {
        {plain, 9, {188, 88, 8, 8}, {288, 138, 8, 8}},
        {flipped, 33, {188, 4, 8, 8}, {288, 4, 8, 8}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.mask);
        const std::shared_ptr<PerformanceHUDView> view = overlay(*test.window);
        ASSERT_TRUE(view);
        EXPECT_EQ(test.placed, view->frame());
        EXPECT_EQ(test.mask, view->autoresizingMask());
        const VLRect frame = test.window->frame();
        test.window->setFrame({frame.origin.x, frame.origin.y - 50, 300, 150});
        EXPECT_EQ(test.resized, view->frame());
    }
    EXPECT_EQ(3u, agent->hosted(1)->hudViews.size());
    stranger->close();
}

TEST_F(ContentHostHUDTest, ThePanelKeepsToWhatTheScreenShowsOfTheWindow) {
    ASSERT_TRUE(launch(1, {}).contains("state"));
    ownedByRuntime();
    // The default screen is 1440 × 900 with a 25-point menu bar above its visible frame.
    const struct {
        const char* name;
        VLRect frame;
        bool flipped;
        VLRect expected;
    } cases[] = {
        {"flipped, 20 points under the menu bar", {100, 815, 200, 80}, true, {188, 24, 8, 8}},
        {"plain, 20 points under the menu bar", {100, 815, 200, 80}, false, {188, 48, 8, 8}},
        {"beyond the screen's right edge", {1340, 300, 200, 80}, true, {88, 4, 8, 8}},
        {"all under the menu bar", {100, 880, 200, 15}, true, {188, 4, 8, 8}},
        {"on no screen", {-30000, -30000, 200, 80}, true, {188, 4, 8, 8}},
        {"narrower than the panel", {100, 300, 6, 80}, true, {0, 4, 8, 8}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        const auto window = ownWindow(test.frame, test.flipped);
        hud({{"lines", VLArray{}}});
        const std::shared_ptr<PerformanceHUDView> view = overlay(*window);
        ASSERT_TRUE(view);
        EXPECT_EQ(test.expected, view->frame());
        window->close();
    }
}

TEST_F(ContentHostHUDTest, AClickOnThePanelReachesTheContentBeneath) {
    const std::shared_ptr<VLWSWindow> widget = launchWindowed();
    ASSERT_TRUE(widget);
    hud({{"lines", VLArray{"fps 60"}}});
    const std::shared_ptr<PerformanceHUDView> view = overlay(*widget);
    ASSERT_TRUE(view);
    // The window finds the content under the panel's middle.
    const VLRect inWindow = view->convertRectToView(view->bounds(), nullptr);
    const VLWSView* hit = widget->frameView()->hitTest({inWindow.midX(), inWindow.midY()});
    EXPECT_EQ(widget->contentView().get(), hit);
    const size_t before = peer.messages().size();
    const VLRect panel = onScreen(*view);
    VLWindowServer::shared()->driver().click({panel.midX(), panel.midY()});
    EXPECT_TRUE(waitForMessage(before, [](const VLDictionary& m) {
        return m.get("op") == VLValue("console") && m.get("message") == VLValue("click");
    }));
}

TEST_F(ContentHostHUDTest, LinesSizeThePanelAndShowInWhiteOrYellowOverTheDarkenedContent) {
    const std::shared_ptr<VLWSWindow> widget = launchWindowed();
    ASSERT_TRUE(widget);
    const std::vector<std::string> lines{"fps 60", "\u2588 1000 ms"};
    const VLSize text = textSize(lines);
    ASSERT_GT(text.width, 0);
    const VLSize size{std::ceil(text.width) + 8, std::ceil(text.height) + 8};
    const VLSize content = widget->contentView()->bounds().size;
    hud({{"lines", VLArray(lines.begin(), lines.end())}});
    const std::shared_ptr<PerformanceHUDView> view = overlay(*widget);
    ASSERT_TRUE(view);
    EXPECT_EQ("fps 60\n\u2588 1000 ms", view->text());
    EXPECT_EQ(VLRect(content.width - size.width - 4, 4, size.width, size.height), view->frame());

    // Black at 0.7 over the white content at the panel's padding; the full block in the text's colour.
    const struct {
        bool warning;
        VLTestRGBA ink;
    } cases[] = {{false, {255, 255, 255, 255}}, {true, {255, 204, 0, 255}}};
    for (const auto& test : cases) {
        SCOPED_TRACE(test.warning);
        hud({{"lines", VLArray(lines.begin(), lines.end())}, {"warning", test.warning}});
        ASSERT_EQ(view, overlay(*widget)) << "the same panel";
        const VLRect panel = onScreen(*view);
        const Screen screen;
        EXPECT_TRUE(screen.at(panel.minX() + 2, panel.midY()).near({77, 77, 77, 255}, 2))
            << testing::PrintToString(screen.at(panel.minX() + 2, panel.midY()));
        EXPECT_TRUE(screen.at(panel.minX() - 2, panel.midY()).near({255, 255, 255, 255}, 1)) << "the content";
        EXPECT_TRUE(screen.brightestIn(panel.insetBy(4, 4)).near(test.ink, 2))
            << testing::PrintToString(screen.brightestIn(panel.insetBy(4, 4)));
    }

    // A subview added since goes under the panel with the next "hud".
    widget->contentView()->addSubview(std::make_shared<VLWSView>(VLRect(0, 0, 10, 10)));
    EXPECT_NE(view, widget->contentView()->subviews().back());
    hud({{"lines", VLArray{"fps 30"}}});
    EXPECT_EQ(view, overlay(*widget));
}

TEST_F(ContentHostHUDTest, AHugeTextIsDrawnOnlyAsFarAsTheCompositorReaches) {
    const std::shared_ptr<VLWSWindow> widget = launchWindowed();
    ASSERT_TRUE(widget);
    const VLArray lines(3000, VLValue("8"));
    hud({{"lines", lines}});
    const std::shared_ptr<PerformanceHUDView> view = overlay(*widget);
    ASSERT_TRUE(view);
    const VLSize text = textSize(std::vector<std::string>(3000, "8"));
    EXPECT_EQ(std::ceil(text.height) + 8, view->frame().size.height) << "the frame keeps its size";
    const auto bitmap = std::dynamic_pointer_cast<const VLBitmap>(view->layer()->contents());
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(VLCompositor::kMaximumSide, bitmap->height());
    EXPECT_EQ(uint32_t(view->frame().size.width), bitmap->width());
    EXPECT_EQ(VLWSLayerContentsGravity::TopLeft, view->layer()->contentsGravity()) << "not stretched";
}

TEST_F(ContentHostHUDTest, WithoutLinesTheOverlaysGoAndANewWindowWaitsForTheNextHud) {
    const std::shared_ptr<VLWSWindow> widget = launchWindowed();
    ASSERT_TRUE(widget);
    hud({{"lines", VLArray{"a"}}});
    ASSERT_TRUE(overlay(*widget));
    const size_t before = peer.messages().size();
    peer.send({{"op", "callJS"}, {"rid", 1}, {"method", "openAnother"}});
    ASSERT_TRUE(
        waitForMessage(before, [](const VLDictionary& m) { return m.get("message") == VLValue("opened"); }));
    std::shared_ptr<VLWSWindow> second;
    for (const auto& window : VLWindowServer::shared()->windows())
        if (window != widget && VLRuntime::runtimeOwningWindow(*window) == agent->hosted(1)->runtime)
            second = window;
    ASSERT_TRUE(second);
    EXPECT_EQ(nullptr, overlay(*second));
    hud({{"lines", VLArray{"a"}}});
    EXPECT_TRUE(overlay(*second));

    // Lines that are not all texts count as none.
    for (const VLDictionary& removal :
         {VLDictionary{{"warning", true}}, VLDictionary{{"lines", VLArray{"a", 1}}}}) {
        SCOPED_TRACE(testing::PrintToString(VLValue(removal)));
        hud({{"lines", VLArray{"a"}}});
        const std::shared_ptr<PerformanceHUDView> view = overlay(*widget);
        ASSERT_TRUE(view);
        hud(removal);
        EXPECT_EQ(nullptr, overlay(*widget));
        EXPECT_EQ(nullptr, overlay(*second));
        EXPECT_EQ(nullptr, view->superview());
        EXPECT_TRUE(agent->hosted(1)->hudViews.empty());
    }
}

TEST_F(ContentHostHUDTest, AHudForARuntimeWithoutWindowsDoesNothing) {
    ASSERT_TRUE(launch(1, {}).contains("state"));
    hud({{"lines", VLArray{"a", "b"}}, {"warning", true}});
    hud({});
    EXPECT_TRUE(agent->hosted(1)->hudViews.empty());
    EXPECT_FALSE(terminated);
}
