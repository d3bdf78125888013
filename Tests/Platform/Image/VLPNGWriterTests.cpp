#include "Platform/Foundation/VLFileIO.h"
#include "Platform/Graphics/VLBitmap.h"
#include "Platform/Image/VLPNGWriter.h"
#include "Tests/Support/VLTemporaryDirectory.h"
#include "Tests/Support/VLTestBitmap.h"

#include <cstring>
#include <gtest/gtest.h>
#include <png.h>

namespace {

// What libpng reads back: straight RGBA, rows packed.
struct Decoded {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> rgba;

    VLTestRGBA pixel(uint32_t x, uint32_t y) const {
        const uint8_t* p = rgba.data() + (size_t(y) * width + x) * 4;
        return {p[0], p[1], p[2], p[3]};
    }
};

Decoded decode(const VLData& png) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    Decoded decoded;
    if (!png_image_begin_read_from_memory(&image, png.data(), png.size()))
        return decoded;
    EXPECT_EQ(PNG_FORMAT_RGBA, image.format); // 8-bit RGBA as written
    image.format = PNG_FORMAT_RGBA;
    decoded.rgba.resize(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, decoded.rgba.data(), 0, nullptr)) {
        decoded.width = image.width;
        decoded.height = image.height;
    }
    return decoded;
}

} // namespace

TEST(VLPNGWriterTest, PixelsComeBackStraightFromLibpng) {
    const std::vector<VLTestRGBA> straight = {
        {255, 0, 0, 255}, {0, 255, 0, 255},    {0, 0, 255, 255},   {10, 20, 30, 255},
        {0, 0, 0, 0},     {200, 100, 50, 128}, {255, 255, 255, 1}, {77, 66, 55, 254},
    };
    for (VLBitmapByteOrder order : {VLBitmapByteOrder::BGRA, VLBitmapByteOrder::RGBA}) {
        const auto bitmap = VLTestBitmap::make(4, 2, straight, order);
        const auto png = VLPNGWriter::dataWithSource(*bitmap);
        ASSERT_TRUE(png);
        const Decoded decoded = decode(*png);
        ASSERT_EQ(4u, decoded.width);
        ASSERT_EQ(2u, decoded.height);
        for (uint32_t y = 0; y < 2; ++y)
            for (uint32_t x = 0; x < 4; ++x) {
                const VLTestRGBA& expected = straight[y * 4 + x];
                SCOPED_TRACE(testing::Message() << x << ", " << y);
                if (expected.alpha == 255 || expected.alpha == 0)
                    EXPECT_EQ(expected, decoded.pixel(x, y));
                else if (expected.alpha >= 128)
                    // Premultiplying keeps 8 bits of each channel times alpha: back within 1.
                    EXPECT_TRUE(decoded.pixel(x, y).near(expected, 1))
                        << testing::PrintToString(decoded.pixel(x, y));
                else
                    EXPECT_EQ(expected.alpha, decoded.pixel(x, y).alpha);
            }
    }
}

TEST(VLPNGWriterTest, FilesAreWrittenWholeAndBadPixelsRefused) {
    VLTemporaryDirectory directory;
    const std::string path = (directory / "shot.png").string();
    const auto bitmap = VLTestBitmap::make(1, 1, {{1, 2, 3, 255}});
    ASSERT_EQ(nullptr, VLPNGWriter::writeSource(*bitmap, path));
    const auto written = VLContentsOfFile(path);
    ASSERT_TRUE(written);
    EXPECT_EQ((VLTestRGBA{1, 2, 3, 255}), decode(*written).pixel(0, 0));

    EXPECT_NE(nullptr, VLPNGWriter::writeSource(*bitmap, (directory / "missing" / "shot.png").string()));
    const VLTestBitmap empty(0, 0);
    EXPECT_FALSE(VLPNGWriter::dataWithSource(empty));
    EXPECT_NE(nullptr, VLPNGWriter::writeSource(empty, path));
    // A bitmap of straight alpha lends nothing to encode.
    EXPECT_FALSE(
        VLPNGWriter::dataWithSource(*VLBitmap::make(1, 1, VLBitmapByteOrder::RGBA, VLBitmapAlpha::Straight)));
    VLPixels shortRows = bitmap->pixels();
    shortRows.rowBytes = 3;
    EXPECT_FALSE(VLPNGWriter::dataWithPixels(shortRows));
}
