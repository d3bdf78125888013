#include "Modules/Window/Window/Geometry/VLWidgetCornerMeasurement.h"

#include "Core/Engine/Log/VLLog.h"
#include "Modules/Window/Window/VLFlippedView.h"
#include "Platform/Graphics/VLColor.h"
#include "Platform/WindowServer/VLWSLayer.h"
#include "Platform/WindowServer/VLWSView.h"
#include "Tests/Support/VLLogCapture.h"
#include "Tests/Support/VLWindowServerTest.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

using FirstRow = VLWidgetCornerMeasurement::FirstRow;

// An n×n corner square, drawn by column from the right edge and row from the bottom edge, and stored
// with its first row at the edge asked for.
struct Square {
    uint32_t n;
    FirstRow firstRow;
    std::vector<uint8_t> bytes;

    template <class Alpha>
    Square(uint32_t n, FirstRow firstRow, Alpha alpha) : n(n), firstRow(firstRow), bytes(size_t(n) * n * 4) {
        for (uint32_t j = 0; j < n; ++j)
            for (uint32_t i = 0; i < n; ++i) {
                const uint32_t row = firstRow == FirstRow::Bottom ? j : n - 1 - j;
                bytes[(size_t(row) * n + (n - 1 - i)) * 4 + 3] = alpha(i, j);
            }
    }

    VLPixels pixels() const { return {bytes.data(), n, n, size_t(n) * 4, VLBitmapByteOrder::RGBA}; }
};

// Opaque right of `right` and above `bottom` pixels, its corner cut round with that radius (pixels).
auto roundedCorner(double right, double bottom, double radius) {
    return [=](uint32_t i, uint32_t j) -> uint8_t {
        const double x = i + 0.5, y = j + 0.5;
        if (x < right || y < bottom)
            return 0;
        const double cx = right + radius, cy = bottom + radius;
        if (x < cx && y < cy && std::hypot(cx - x, cy - y) > radius)
            return 0;
        return 255;
    };
}

// A view of that size holding one opaque, round-cornered subview that leaves `inset` free at the
// bottom-right corner as seen on screen.
std::shared_ptr<VLWSView> widgetView(bool flipped, VLSize size, VLSize inset, double radius) {
    const VLRect frame{0, 0, size.width, size.height};
    std::shared_ptr<VLWSView> view =
        flipped ? std::make_shared<VLFlippedView>(frame) : std::make_shared<VLWSView>(frame);
    const double width = size.width - inset.width, height = size.height - inset.height;
    auto content = std::make_shared<VLWSView>(VLRect{0, flipped ? 0 : inset.height, width, height});
    view->addSubview(content);
    content->layer()->setBackgroundColor(VLColor::blackColor());
    content->layer()->setCornerRadius(radius);
    return view;
}

} // namespace

TEST(VLWidgetCornerMeasurement, FindsInsetAndRadiusWhicheverWayTheRowsAreStored) {
    for (FirstRow firstRow : {FirstRow::Bottom, FirstRow::Top}) {
        // 10 pixels free on the right, 20 below, a corner of radius 24, at 2 pixels a point.
        const Square square(96, firstRow, roundedCorner(10, 20, 24));
        const VLWidgetCornerMeasurement corner =
            VLWidgetCornerMeasurement::measure(square.pixels(), firstRow, 2);
        EXPECT_EQ(5, corner.inset.width);
        EXPECT_EQ(10, corner.inset.height);
        EXPECT_NEAR(12, corner.cornerRadius, 1) << "within a pixel of 24 pixels, in points";
    }
}

TEST(VLWidgetCornerMeasurement, FindsNothingWithoutAnOpaqueCorner) {
    struct Case {
        const char* name;
        Square square;
    };
    const Case cases[] = {
        {"all transparent", Square(32, FirstRow::Bottom, [](uint32_t, uint32_t) -> uint8_t { return 0; })},
        {"alpha below 128 is transparent",
         Square(32, FirstRow::Bottom, [](uint32_t, uint32_t) -> uint8_t { return 127; })},
        {"no content at the top row",
         Square(32, FirstRow::Bottom, [](uint32_t, uint32_t j) -> uint8_t { return j < 31 ? 255 : 0; })},
        {"no content in the left column",
         Square(32, FirstRow::Bottom, [](uint32_t i, uint32_t) -> uint8_t { return i < 31 ? 255 : 0; })},
        {"the diagonal never meets the content",
         Square(32, FirstRow::Bottom,
                [](uint32_t i, uint32_t j) -> uint8_t { return (i == 31) != (j == 31) ? 255 : 0; })},
    };
    for (const Case& c : cases) {
        const VLWidgetCornerMeasurement corner =
            VLWidgetCornerMeasurement::measure(c.square.pixels(), FirstRow::Bottom, 1);
        EXPECT_EQ(VLWidgetCornerMeasurement{}, corner) << c.name;
    }
}

TEST(VLWidgetCornerMeasurement, LogsWhatItFindsWordForWord) {
    VLLogCapture capture(VLLogFlagDebug);
    const Square square(40, FirstRow::Top, roundedCorner(10, 20, 0));
    VLWidgetCornerMeasurement::measure(square.pixels(), FirstRow::Top, 1);
    VLWidgetCornerMeasurement::measure(Square(40, FirstRow::Top, roundedCorner(40, 40, 0)).pixels(),
                                       FirstRow::Top, 1);
    VLLogFlush();
    EXPECT_EQ((std::vector<std::string>{"app.velto.engine/VLWidgetCornerMeasurement debug: Widget corner: "
                                        "inset 10.0 \u00d7 20.0, radius 0.0"}),
              capture.lines());
}

using VLWidgetCornerMeasurementRenderTest = VLWindowServerTest;

TEST_F(VLWidgetCornerMeasurementRenderTest, MeasuresTheRenderedBottomRightCornerOfAView) {
    for (bool flipped : {true, false})
        for (double scale : {1.0, 2.0}) {
            auto view = widgetView(flipped, {200, 150}, {10, 20}, 24);
            const VLWidgetCornerMeasurement corner = VLWidgetCornerMeasurement::measure(*view, scale);
            const double pixel = 1 / scale;
            EXPECT_NEAR(10, corner.inset.width, pixel) << flipped << " " << scale;
            EXPECT_NEAR(20, corner.inset.height, pixel) << flipped << " " << scale;
            EXPECT_NEAR(24, corner.cornerRadius, pixel) << flipped << " " << scale;
        }
}

TEST_F(VLWidgetCornerMeasurementRenderTest, ATransparentCornerOrATinyViewMeasuresZero) {
    struct Case {
        const char* name;
        std::shared_ptr<VLWSView> view;
        double scale;
    };
    const Case cases[] = {
        {"transparent", std::make_shared<VLWSView>(VLRect{0, 0, 200, 150}), 2},
        {"7 pixels a side", widgetView(true, {7.9, 100}, {0, 0}, 0), 1},
        {"a scale that is not a number counts as 1", widgetView(true, {7.9, 100}, {0, 0}, 0), NAN},
        {"a scale too large to render", widgetView(true, {100, 100}, {0, 0}, 0), 1e300},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VLWidgetCornerMeasurement{}, VLWidgetCornerMeasurement::measure(*c.view, c.scale))
            << c.name;
    EXPECT_NE(VLWidgetCornerMeasurement{},
              VLWidgetCornerMeasurement::measure(*widgetView(true, {8, 100}, {2, 2}, 0), 1))
        << "8 pixels are enough";
}
