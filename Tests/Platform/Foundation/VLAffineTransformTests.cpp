#include "Platform/Foundation/VLAffineTransform.h"
#include "Tests/Support/VLGeometryPrinter.h"

#include <gtest/gtest.h>
#include <numbers>

TEST(VLAffineTransformTest, StepsComposeInTheOrderTheyApply) {
    const VLPoint p{1, 2};
    // Translated by the scale's result: the scale comes first.
    const VLAffineTransform scaleThenMove =
        VLAffineTransform::scale(2, 3).concatenating(VLAffineTransform::translation(10, 20));
    EXPECT_EQ(VLPoint(12, 26), scaleThenMove.apply(p));
    // The platform's translate applies the step before the transform.
    EXPECT_EQ(VLPoint(22, 66), VLAffineTransform::scale(2, 3).translatedBy(10, 20).apply(p));
    const VLPoint turned = VLAffineTransform::rotation(std::numbers::pi / 2).apply(p);
    EXPECT_NEAR(-2, turned.x, 1e-12);
    EXPECT_NEAR(1, turned.y, 1e-12);

    const VLAffineTransform skewed{2, 1, 1, 3, 5, -7};
    const auto inverse = skewed.inverted();
    ASSERT_TRUE(inverse);
    const VLPoint back = inverse->apply(skewed.apply(p));
    EXPECT_NEAR(p.x, back.x, 1e-12);
    EXPECT_NEAR(p.y, back.y, 1e-12);
    EXPECT_FALSE(VLAffineTransform::scale(0, 1).inverted());

    // Rectangles become the upright box around their corners, flips included.
    EXPECT_EQ(VLRect(-10, -4, 10, 4), VLAffineTransform::scale(-1, -2).apply(VLRect(0, 0, 10, 2)));
    EXPECT_TRUE(VLAffineTransform::scale(-1, -2).apply(VLRectNull).isNull());
}
