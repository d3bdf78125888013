#include "Platform/WindowServer/VLWSWindow.h"
#include "Tests/Support/VLWindowServerTest.h"

#include <cmath>
#include <gtest/gtest.h>

using VLWSAlphaAnimationTest = VLWindowServerTest;

TEST_F(VLWSAlphaAnimationTest, AlphaEasesInAndOutAndEndsExactlyAtTheTarget) {
    auto window = std::make_shared<VLWSWindow>(VLRect(0, 0, 100, 100), VLWSWindowStyleMaskBorderless);
    EXPECT_TRUE(std::isnan(window->alphaAnimationTarget()));

    window->animateAlphaValue(0.3, 0.6);
    EXPECT_EQ(0.3, window->alphaAnimationTarget());
    EXPECT_EQ(0.6, window->alphaAnimationDuration());
    EXPECT_EQ(1, window->alphaValue());
    server().clock().advance(0.15);
    // A quarter of the time, less than a quarter of the way: the curve starts slowly.
    EXPECT_GT(window->alphaValue(), 1 - 0.7 / 4);
    EXPECT_LT(window->alphaValue(), 1);
    // Frames come every 1/60 s: the 18th is half-way, a few nanoseconds late.
    server().clock().advance(0.1505);
    EXPECT_NEAR(0.65, window->alphaValue(), 1e-6);
    server().clock().advance(0.3);
    EXPECT_EQ(0.3, window->alphaValue());

    // Nothing runs once it has ended: the value stays put when set.
    window->setAlphaValue(0.9);
    server().clock().advance(1);
    EXPECT_EQ(0.9, window->alphaValue());

    // A new animation takes over from the one running; setting the value stops it.
    window->animateAlphaValue(0, 1);
    server().clock().advance(0.1);
    window->animateAlphaValue(1, 0.2);
    server().clock().advance(0.5);
    EXPECT_EQ(1, window->alphaValue());
    window->animateAlphaValue(0, 1);
    server().clock().advance(0.1);
    window->setAlphaValue(0.5);
    server().clock().advance(2);
    EXPECT_EQ(0.5, window->alphaValue());

    // No duration, or a bad one, sets the value at once; a NaN target is refused.
    window->animateAlphaValue(2, 0);
    EXPECT_EQ(1, window->alphaValue());
    window->animateAlphaValue(0.2, NAN);
    EXPECT_EQ(0.2, window->alphaValue());
    EXPECT_EQ(0, window->alphaAnimationDuration());
    window->animateAlphaValue(NAN, 1);
    EXPECT_EQ(0.2, window->alphaAnimationTarget());
}
