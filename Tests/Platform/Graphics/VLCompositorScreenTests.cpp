#include "Platform/Graphics/VLBitmap.h"
#include "Platform/Graphics/VLCompositor.h"
#include "Platform/WindowServer/VLWSImageView.h"
#include "Platform/WindowServer/VLWSLayer.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Tests/Support/VLTestBitmap.h"
#include "Tests/Support/VLWindowServerTest.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

class FlippedView : public VLWSView {
public:
    using VLWSView::VLWSView;
    bool isFlipped() const override { return true; }
};

class VLCompositorScreenTest : public VLWindowServerTest {
protected:
    // A window ordered in whose content is one layer of that colour; not opaque, so only the layer shows.
    std::shared_ptr<VLWSWindow> window(VLRect frame, VLColor color) {
        auto made = std::make_shared<VLWSWindow>(frame, VLWSWindowStyleMaskBorderless);
        made->setOpaque(false);
        made->contentView()->layer()->setBackgroundColor(color);
        made->orderFront();
        return made;
    }

    // The default screen, read at global points (y up).
    VLTestRGBA at(double x, double y) {
        if (!_screen) {
            _screen = std::make_unique<VLTestBitmap>(1440, 900);
            EXPECT_TRUE(VLCompositor::compositeScreen(server(), VLWSScreen::defaultScreen(),
                                                      _screen->mutablePixels()));
        }
        return _screen->pixel(uint32_t(x), uint32_t(899 - y));
    }
    void recomposite() { _screen.reset(); }

private:
    std::unique_ptr<VLTestBitmap> _screen;
};

} // namespace

TEST_F(VLCompositorScreenTest, WindowsCompositeInZOrderOverATransparentDesktop) {
    auto back = window({100, 100, 200, 200}, VLColor::redColor());
    auto front = window({200, 200, 200, 200}, VLColor::blueColor());
    EXPECT_EQ(kVLTestBlue, at(250, 250));
    EXPECT_EQ(kVLTestRed, at(150, 150));
    EXPECT_EQ(kVLTestClear, at(50, 50));
    EXPECT_EQ(kVLTestClear, at(350, 150));

    back->orderFront();
    recomposite();
    EXPECT_EQ(kVLTestRed, at(250, 250));
    back->orderOut();
    recomposite();
    EXPECT_EQ(kVLTestBlue, at(250, 250));
    EXPECT_EQ(kVLTestClear, at(150, 150));
}

TEST_F(VLCompositorScreenTest, OpaqueWindowsShowTheirBackgroundAndAlphaApplies) {
    auto opaque = std::make_shared<VLWSWindow>(VLRect(0, 0, 100, 100), VLWSWindowStyleMaskBorderless);
    opaque->setBackgroundColor(VLColor{0, 1, 0, 1});
    opaque->orderFront();
    auto clear = std::make_shared<VLWSWindow>(VLRect(200, 0, 100, 100), VLWSWindowStyleMaskBorderless);
    clear->setBackgroundColor(VLColor{0, 1, 0, 1});
    clear->setOpaque(false);
    clear->orderFront();
    auto faded = window({400, 0, 100, 100}, VLColor::redColor());
    faded->setAlphaValue(0.5);
    EXPECT_EQ(kVLTestGreen, at(50, 50));
    EXPECT_EQ(kVLTestClear, at(250, 50));
    EXPECT_TRUE(at(450, 50).near({128, 0, 0, 128}));

    // Alpha applies to the window as a whole: its layers do not show through each other.
    auto inner = std::make_shared<VLWSLayer>();
    inner->setFrame({0, 0, 50, 100});
    inner->setBackgroundColor(VLColor::blueColor());
    faded->contentView()->layer()->addSublayer(inner);
    recomposite();
    EXPECT_TRUE(at(425, 50).near({0, 0, 128, 128}));
    EXPECT_TRUE(at(475, 50).near({128, 0, 0, 128}));
}

TEST_F(VLCompositorScreenTest, ViewLayersLandWhereTheViewsAre) {
    auto shown = window({100, 100, 200, 200}, VLColor::clearColor());
    auto content = std::make_shared<FlippedView>();
    shown->setContentView(content);
    auto child = std::make_shared<VLWSView>(VLRect(10, 10, 20, 20));
    content->addSubview(child);
    child->layer()->setBackgroundColor(VLColor::redColor());
    // From the top-left of a window whose top is at 300: x 110…130, y 270…290.
    EXPECT_EQ(kVLTestRed, at(110, 289));
    EXPECT_EQ(kVLTestRed, at(129, 270));
    EXPECT_EQ(kVLTestClear, at(110, 290));
    EXPECT_EQ(kVLTestClear, at(130, 280));

    child->setFrameOrigin({50, 10});
    recomposite();
    EXPECT_EQ(kVLTestRed, at(150, 289));
    EXPECT_EQ(kVLTestClear, at(110, 289));

    // Layers stay inside their window.
    child->setFrame({-50, -50, 400, 400});
    recomposite();
    EXPECT_EQ(kVLTestRed, at(100, 299));
    EXPECT_EQ(kVLTestClear, at(99, 299));
    EXPECT_EQ(kVLTestClear, at(100, 300));

    // An image view stretches its image over its frame along both axes.
    auto picture = std::make_shared<VLWSImageView>(VLRect(0, 0, 40, 10));
    content->addSubview(picture);
    picture->setImage(VLTestBitmap::make(2, 1, {kVLTestBlue, kVLTestGreen}));
    picture->layer()->setMagnificationFilter(VLWSLayerFilter::Nearest);
    recomposite();
    EXPECT_EQ(kVLTestBlue, at(100, 299));
    EXPECT_EQ(kVLTestBlue, at(119, 290));
    EXPECT_EQ(kVLTestGreen, at(120, 299));
    EXPECT_EQ(kVLTestGreen, at(139, 290));
    EXPECT_EQ(kVLTestRed, at(139, 289));
}

TEST_F(VLCompositorScreenTest, AScreenAtScale2AndTargetsOfOtherSizes) {
    auto shown = window({10, 10, 20, 20}, VLColor::redColor());
    VLWSScreen retina;
    retina.frame = {0, 0, 200, 100};
    retina.backingScaleFactor = 2;
    VLTestBitmap doubled(400, 200);
    ASSERT_TRUE(VLCompositor::compositeScreen(server(), retina, doubled.mutablePixels()));
    // Points 10…30 become pixels 20…60, rows from the top 200 − 60 … 200 − 20.
    EXPECT_EQ(kVLTestRed, doubled.pixel(20, 140));
    EXPECT_EQ(kVLTestRed, doubled.pixel(59, 179));
    EXPECT_EQ(kVLTestClear, doubled.pixel(19, 140));
    EXPECT_EQ(kVLTestClear, doubled.pixel(60, 179));
    const auto shot = VLCompositor::compositeScreen(server(), retina);
    ASSERT_TRUE(shot);
    EXPECT_EQ(400u, shot->width());
    EXPECT_EQ(200u, shot->height());
    EXPECT_EQ(0, std::memcmp(doubled.pixels().bytes, shot->bytes(), 400 * 4));
    EXPECT_EQ(0, std::memcmp(shot->row(140) + 20 * 4, "\x00\x00\xff\xff", 4));
    retina.backingScaleFactor = 0;
    EXPECT_FALSE(VLCompositor::compositeScreen(server(), retina));

    // A smaller target holds what falls on it.
    VLTestBitmap small(40, 40);
    ASSERT_TRUE(VLCompositor::compositeScreen(server(), VLWSScreen::defaultScreen(), small.mutablePixels()));
    EXPECT_EQ(kVLTestClear, small.pixel(20, 20));
    VLTestBitmap none(0, 0);
    EXPECT_FALSE(VLCompositor::compositeScreen(server(), VLWSScreen::defaultScreen(), none.mutablePixels()));
}
