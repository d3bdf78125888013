#include "Modules/Window/Window/Geometry/VLWindowSlide.h"

#include "Tests/Support/VLGeometryPrinter.h"

#include <gtest/gtest.h>

#include <limits>

TEST(VLWindowSlide, EasesOutAndLandsExactlyOnTheTargetAfterAQuarterSecond) {
    // Numbers that do not add up exactly in binary, so that only an exact landing passes.
    const VLPoint from{0.1, 1000.3}, to{700.7, 0.2};
    const VLWindowSlide slide(from, to, 10);
    struct Case {
        double now;
        double eased;
        bool finished;
    };
    const Case cases[] = {
        {9, 0, false},                            // before the start: still at the start
        {10, 0, false},                           // the start
        {10.125, 0.875, false},                   // half the time: 1 − 0.5³ of the way
        {10.0625, 1 - 0.75 * 0.75 * 0.75, false}, // a quarter of the time
        {10.25 - 1e-9, VLWindowSlide::ease(1 - 4e-9), false},
        {10.25, 1, true},
        {11, 1, true},
    };
    for (const Case& c : cases) {
        const VLWindowSlide::Step step = slide.stepAt(c.now);
        EXPECT_EQ(c.finished, step.finished) << c.now;
        if (c.finished) {
            EXPECT_EQ(to, step.origin) << c.now;
            continue;
        }
        EXPECT_DOUBLE_EQ(from.x + (to.x - from.x) * c.eased, step.origin.x) << c.now;
        EXPECT_DOUBLE_EQ(from.y + (to.y - from.y) * c.eased, step.origin.y) << c.now;
    }
    EXPECT_EQ(from, slide.stepAt(std::numeric_limits<double>::quiet_NaN()).origin)
        << "a time that is not a number";
}
