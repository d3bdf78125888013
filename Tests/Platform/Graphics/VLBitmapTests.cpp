#include "Platform/Graphics/VLBitmap.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(VLBitmapTests, PremultiplyingRoundsEveryValueAndAlphaToNearest) {
    // Every value under every alpha, in the first and third channels, its complement in the second.
    std::vector<uint8_t> pixels;
    for (unsigned alpha = 0; alpha < 256; ++alpha) {
        for (unsigned value = 0; value < 256; ++value)
            pixels.insert(pixels.end(),
                          {uint8_t(value), uint8_t(255 - value), uint8_t(value), uint8_t(alpha)});
    }
    VLBitmapPremultiplyPixels(pixels.data(), pixels.size() / 4);
    auto rounded = [](unsigned value, unsigned alpha) { return uint8_t((value * alpha + 127) / 255); };
    for (unsigned alpha = 0, i = 0; alpha < 256; ++alpha) {
        for (unsigned value = 0; value < 256; ++value, i += 4) {
            ASSERT_EQ(pixels[i], rounded(value, alpha)) << value << " under " << alpha;
            ASSERT_EQ(pixels[i + 1], rounded(255 - value, alpha)) << 255 - value << " under " << alpha;
            ASSERT_EQ(pixels[i + 2], rounded(value, alpha)) << value << " under " << alpha;
            ASSERT_EQ(pixels[i + 3], alpha);
        }
    }
}

TEST(VLBitmapTests, MakesTransparentPixelsAndRefusesSizesBeyondMemory) {
    auto bitmap = VLBitmap::make(3, 2, VLBitmapByteOrder::BGRA);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->rowBytes(), 12u);
    EXPECT_EQ(bitmap->row(1), bitmap->bytes() + 12);
    EXPECT_EQ(bitmap->byteOrder(), VLBitmapByteOrder::BGRA);
    EXPECT_EQ(bitmap->alpha(), VLBitmapAlpha::Premultiplied);
    EXPECT_EQ(std::vector<uint8_t>(bitmap->bytes(), bitmap->bytes() + bitmap->byteCount()),
              std::vector<uint8_t>(24));

    // Four bytes a pixel would overflow a size_t.
    EXPECT_FALSE(VLBitmap::make(UINT32_MAX, UINT32_MAX));
}

} // namespace
