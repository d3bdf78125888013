#include "Tests/Tools/velto/VLVeltoScreenshot.h"

#include "Platform/Graphics/VLBitmap.h"
#include "Platform/Image/VLPNGDecoder.h"
#include "Tests/Support/VLTemporaryDirectory.h"

#include <gtest/gtest.h>

#include <span>

VLVeltoScreenshot::VLVeltoScreenshot(const std::string& arguments) {
    VLTemporaryDirectory directory;
    const std::string path = (directory / "screen.png").string();
    _outcome = VLVeltoProcess::run("run --screenshot '" + path + "' " + arguments);
    const std::string png = VLVeltoProcess::contentsOf(path);
    VLErrorRef error;
    _screen = VLPNGDecoder::decode(std::span(reinterpret_cast<const uint8_t*>(png.data()), png.size()), {},
                                   VLBitmapAlpha::Straight, &error);
    EXPECT_NE(_screen, nullptr) << (error ? error->localizedDescription() : "") << _outcome.err;
}

VLVeltoScreenshot::Pixel VLVeltoScreenshot::pixel(uint32_t x, uint32_t y) const {
    if (!_screen || x >= _screen->width() || y >= _screen->height())
        return {};
    const uint8_t* bytes = _screen->row(y) + size_t(x) * 4;
    return {bytes[0], bytes[1], bytes[2], bytes[3]};
}

void VLVeltoScreenshot::expectColours(std::span<const Point> points) const {
    for (const Point& point : points)
        EXPECT_EQ(pixel(point.x, point.y), point.colour) << "at " << point.x << "," << point.y;
}
