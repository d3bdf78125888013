#include "Modules/Canvas/GL/VLEGLLayer.h"
#include "Modules/Canvas/VLCanvasView.h"
#include "Platform/Graphics/VLCompositor.h"
#include "Platform/Graphics/VLSurface.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Tests/Support/VLTestBitmap.h"
#include "Tests/Support/VLWindowServerTest.h"

#include <gtest/gtest.h>

namespace {

using VLCanvasViewTest = VLWindowServerTest;

TEST_F(VLCanvasViewTest, APresentedSurfaceStretchesOverTheWholeViewAndNoFurther) {
    auto window = std::make_shared<VLWSWindow>(VLRect(100, 100, 300, 200), VLWSWindowStyleMaskBorderless);
    window->setOpaque(false);
    window->setBackgroundColor(VLColor{0, 0, 0, 0});
    auto view = std::make_shared<VLCanvasView>(VLRect(20, 30, 100, 50));
    window->contentView()->addSubview(view);
    window->orderFront();
    EXPECT_TRUE(view->acceptsFirstMouse(nullptr));
    ASSERT_TRUE(view->layer()->vl_isCanvasLayer());

    std::shared_ptr<VLEGLLayer> layer = view->eglLayer();
    std::shared_ptr<VLSurface> surface = layer->nextSurfaceWithWidth(10, 5);
    ASSERT_TRUE(surface);
    for (uint32_t y = 0; y < 5; ++y) {
        for (uint32_t x = 0; x < 10; ++x) {
            uint8_t* pixel = surface->baseAddress() + y * surface->bytesPerRow() + x * 4;
            pixel[0] = 255; // blue
            pixel[1] = pixel[2] = 0;
            pixel[3] = 255;
        }
    }
    layer->surfaceDidDraw();
    layer->presentSurface();

    VLTestBitmap screen(1440, 900);
    ASSERT_TRUE(VLCompositor::compositeScreen(server(), VLWSScreen::defaultScreen(), screen.mutablePixels()));
    // Global points, y up; the view covers x 120…220, y 130…180.
    const auto at = [&](uint32_t x, uint32_t y) { return screen.pixel(x, 899 - y); };
    for (auto [x, y] : {std::pair{120u, 130u}, {219u, 179u}, {170u, 155u}, {120u, 179u}, {219u, 130u}})
        EXPECT_EQ(at(x, y), kVLTestBlue) << x << ", " << y;
    for (auto [x, y] : {std::pair{119u, 150u}, {220u, 150u}, {170u, 129u}, {170u, 180u}})
        EXPECT_EQ(at(x, y), kVLTestClear) << x << ", " << y;
}

} // namespace
