#include "Modules/Window/Window/VLWidgetResizeHintView.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Tests/Support/VLWindowServerTest.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace {

constexpr double tolerance = 0.001;

class VLWidgetResizeHintViewTest : public VLWindowServerTest {
protected:
    static void expectNear(VLPoint expected, VLPoint actual) {
        EXPECT_NEAR(expected.x, actual.x, tolerance);
        EXPECT_NEAR(expected.y, actual.y, tolerance);
    }
};

} // namespace

TEST_F(VLWidgetResizeHintViewTest, TheCornerGivesTheHintsGeometry) {
    auto hint = std::make_shared<VLWidgetResizeHintView>();

    // Radius 0 outside, the first shape: a vertical line, a quarter arc of radius 6.5 and a horizontal line.
    EXPECT_NEAR(15.395, hint->corner().x, tolerance);
    EXPECT_NEAR(15.395, hint->corner().y, tolerance);
    EXPECT_NEAR(30.395, hint->size().width, tolerance);
    EXPECT_NEAR(30.395, hint->size().height, tolerance);
    EXPECT_EQ(hint->size(), hint->frame().size);
    const auto& quarter = hint->path().elements();
    ASSERT_EQ(4u, quarter.size());
    EXPECT_EQ(VLWSPath::Kind::Line, quarter[1].kind);
    EXPECT_NEAR(quarter[0].point.x, quarter[1].point.x, tolerance);
    EXPECT_NEAR(6.895, quarter[1].point.y - quarter[0].point.y, tolerance);
    EXPECT_EQ(VLWSPath::Kind::Arc, quarter[2].kind);
    EXPECT_NEAR(6.5, quarter[2].radius, tolerance);
    EXPECT_NEAR(0, quarter[2].startAngle, tolerance);
    EXPECT_NEAR(std::numbers::pi / 2, quarter[2].endAngle, tolerance);
    EXPECT_EQ(VLWSPath::Kind::Line, quarter[3].kind);
    EXPECT_NEAR(quarter[2].point.y + 6.5, quarter[3].point.y, tolerance);
    // The stroke's centre line keeps 8.5 points from the right and bottom edges.
    EXPECT_NEAR(hint->size().width - 8.5, quarter[0].point.x, tolerance);
    EXPECT_NEAR(hint->size().height - 8.5, quarter[3].point.y, tolerance);

    // Radius 40 outside: the arc alone, π/4 ± 24/93.
    hint->setCornerRadius(40, true);
    expectNear({25.100, 25.100}, hint->corner());
    EXPECT_NEAR(33.783, hint->size().width, tolerance);
    EXPECT_NEAR(33.783, hint->size().height, tolerance);
    const auto& arc = hint->path().elements();
    ASSERT_EQ(2u, arc.size());
    EXPECT_NEAR(46.5, arc[1].radius, tolerance);
    EXPECT_NEAR(std::numbers::pi / 4 - 24.0 / 93, arc[1].startAngle, tolerance);
    EXPECT_NEAR(std::numbers::pi / 4 + 24.0 / 93, arc[1].endAngle, tolerance);

    // Inside a small corner the arc follows a corner of 9.5 at radius 3.
    hint->setCornerRadius(2, false);
    EXPECT_NEAR(3, hint->path().elements()[2].radius, tolerance);
    EXPECT_NEAR(hint->corner().x - 9.5, hint->path().elements()[2].point.x, tolerance);
}

TEST_F(VLWidgetResizeHintViewTest, AbsurdRadiiAreClampedAndTheSameCornerAgainChangesNothing) {
    auto hint = std::make_shared<VLWidgetResizeHintView>();
    hint->setCornerRadius(40, true);
    const VLWSPath forty = hint->path();
    const VLSize size = hint->size();
    const auto mask = hint->glass()->maskImage();

    for (double radius : {50.0, double(INFINITY), 40.0}) {
        hint->setCornerRadius(radius, true);
        EXPECT_EQ(forty, hint->path());
        EXPECT_EQ(size, hint->size());
        // Not built again.
        EXPECT_EQ(mask, hint->glass()->maskImage());
    }
    hint->setCornerRadius(NAN, true);
    const VLWSPath zero = hint->path();
    hint->setCornerRadius(-5, true);
    EXPECT_EQ(zero, hint->path());
    EXPECT_NE(forty, zero);
}

TEST_F(VLWidgetResizeHintViewTest, TheLayersAndTheGlassHaveTheirLook) {
    auto hint = std::make_shared<VLWidgetResizeHintView>();
    const auto glass = hint->glass();
    EXPECT_EQ(VLWSVisualEffectMaterialPopover, glass->material());
    EXPECT_EQ(VLWSVisualEffectBlendingMode::BehindWindow, glass->blendingMode());
    EXPECT_EQ(VLWSVisualEffectState::Active, glass->state());
    EXPECT_EQ(hint->bounds(), glass->frame());
    EXPECT_EQ(nullptr, hint->hitTest({10, 10}));

    const auto tint = hint->tint(), ring = hint->ring();
    EXPECT_EQ((VLWSLayer::Layers{glass->layer(), tint, ring}), hint->body()->layer()->sublayers());
    EXPECT_EQ(5, tint->lineWidth());
    EXPECT_EQ((VLColor{1, 1, 1, 0.25}), tint->strokeColor());
    EXPECT_EQ(hint->path(), tint->path());
    EXPECT_EQ((VLRect{{0, 0}, hint->size()}), ring->frame());
    EXPECT_EQ(0.75, ring->lineWidth());
    EXPECT_EQ(VLColor(0, 0, 0, 0.28), ring->strokeColor());
    EXPECT_EQ(VLColor(), ring->fillColor());

    // The glass shows only inside the stroke: opaque on the centre line, clear far from it.
    VLPoint onLine = hint->path().elements().front().point;
    glass->maskImage()->lendPixels([&](const VLPixels& pixels) {
        auto alpha = [&](VLPoint p) {
            return pixels.bytes[size_t(p.y) * pixels.rowBytes + size_t(p.x) * 4 + 3];
        };
        EXPECT_EQ(255, alpha({onLine.x, onLine.y + 1}));
        EXPECT_EQ(0, alpha({1, 1}));
    });
}

TEST_F(VLWidgetResizeHintViewTest, FadesMoveTheWindowsAlphaOnTheServersClock) {
    auto window = std::make_shared<VLWSWindow>(VLRect(0, 0, 40, 40), VLWSWindowStyleMaskBorderless);
    auto hint = std::make_shared<VLWidgetResizeHintView>();
    window->setContentView(hint);
    window->setAlphaValue(0);
    window->orderFront();
    EXPECT_FALSE(hint->appeared());

    struct Step {
        const char* name;
        std::function<void()> act;
        double target, duration;
        bool nudging;
    } steps[] = {
        {"appear nudging", [&] { hint->appearNudging(true); }, 0.75, 0.25, true},
        {"emphasized", [&] { hint->setEmphasized(true); }, 1, 0.15, true},
        {"disappear", [&] { hint->disappear(); }, 0, 0.2, false},
        {"emphasized again appears at full alpha", [&] { hint->appearNudging(false); }, 1, 0.25, false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        step.act();
        EXPECT_EQ(step.duration, window->alphaAnimationDuration());
        server().clock().advance(step.duration / 2);
        EXPECT_NE(step.target, window->alphaValue());
        server().clock().advance(step.duration / 2 + 0.02);
        EXPECT_EQ(step.target, window->alphaValue());
        EXPECT_EQ(step.target > 0, hint->appeared());
        EXPECT_EQ(step.nudging, hint->body()->layer()->animation("nudge").has_value());
    }

    // Emphasis while gone, or unchanged, fades nothing.
    hint->disappear();
    server().clock().advance(1);
    const double duration = window->alphaAnimationDuration();
    hint->setEmphasized(false);
    hint->setEmphasized(false);
    EXPECT_EQ(duration, window->alphaAnimationDuration());
    EXPECT_EQ(0, window->alphaValue());

    const auto nudge = hint->body()->layer()->animation("nudge");
    EXPECT_FALSE(nudge);
    hint->appearNudging(true);
    const auto added = hint->body()->layer()->animation("nudge");
    ASSERT_TRUE(added);
    EXPECT_EQ("transform", added->keyPath);
    EXPECT_EQ((std::vector<double>{0, 0.25, 0.5, 0.75, 1}), added->keyTimes);
    EXPECT_EQ(VLWSAnimationValue(VLAffineTransform::translation(3, 3)), added->values[1]);
    EXPECT_EQ(1.2, added->duration);
}
