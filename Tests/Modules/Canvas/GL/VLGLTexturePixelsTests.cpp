#include "Modules/Canvas/GL/VLGLTextureMaxSize.h"
#include "Modules/Canvas/GL/VLGLTexturePixels.h"
#include "Tests/Support/VLGLTest.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <numeric>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

TEST(VLGLTexturePixelsTests, PremultiplyingAndUnPremultiplyingChangeOnlyColourBytes) {
    using Convert = void (*)(const uint8_t*, size_t, GLenum, uint8_t*);
    const struct {
        Convert convert;
        uint8_t value, alpha, result;
    } cases[] = {
        {VLGLTexturePremultiplyPixels, 255, 128, 128},   {VLGLTexturePremultiplyPixels, 1, 1, 1},
        {VLGLTexturePremultiplyPixels, 0, 200, 0},       {VLGLTexturePremultiplyPixels, 100, 0, 0},
        {VLGLTexturePremultiplyPixels, 3, 254, 3},       {VLGLTextureUnPremultiplyPixels, 128, 128, 255},
        {VLGLTextureUnPremultiplyPixels, 77, 0, 77},     {VLGLTextureUnPremultiplyPixels, 64, 128, 127},
        {VLGLTextureUnPremultiplyPixels, 200, 100, 255}, {VLGLTextureUnPremultiplyPixels, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << (c.convert == VLGLTexturePremultiplyPixels ? "premultiply " : "un ") << int(c.value)
                     << ", " << int(c.alpha));
        // Two RGBA pixels into another buffer, then in place.
        const Bytes rgba = {c.value, c.value, c.value, c.alpha, c.value, c.value, c.value, c.alpha};
        Bytes converted(rgba.size(), 9);
        c.convert(rgba.data(), rgba.size(), GL_RGBA, converted.data());
        const Bytes expected = {c.result, c.result, c.result, c.alpha, c.result, c.result, c.result, c.alpha};
        EXPECT_EQ(converted, expected);
        Bytes inPlace = rgba;
        c.convert(inPlace.data(), inPlace.size(), GL_RGBA, inPlace.data());
        EXPECT_EQ(inPlace, expected);

        Bytes luminanceAlpha = {c.value, c.alpha};
        c.convert(luminanceAlpha.data(), luminanceAlpha.size(), GL_LUMINANCE_ALPHA, luminanceAlpha.data());
        EXPECT_EQ(luminanceAlpha, (Bytes{c.result, c.alpha}));

        for (GLenum other : {GLenum(GL_RGB), GLenum(GL_ALPHA), GLenum(GL_LUMINANCE)}) {
            Bytes untouched = rgba;
            c.convert(rgba.data(), rgba.size(), other, untouched.data());
            EXPECT_EQ(untouched, rgba);
        }
        c.convert(nullptr, rgba.size(), GL_RGBA, converted.data());
        c.convert(rgba.data(), rgba.size(), GL_RGBA, nullptr);
    }
}

TEST(VLGLTexturePixelsTests, FlippingSwapsRowsInPlace) {
    Bytes rows = {1, 1, 2, 2, 3, 3};
    VLGLTextureFlipPixelsY(rows.data(), 2, 3);
    EXPECT_EQ(rows, (Bytes{3, 3, 2, 2, 1, 1}));

    // Nothing to flip.
    VLGLTextureFlipPixelsY(rows.data(), 6, 1);
    VLGLTextureFlipPixelsY(rows.data(), 0, 3);
    VLGLTextureFlipPixelsY(nullptr, 2, 3);
    EXPECT_EQ(rows, (Bytes{3, 3, 2, 2, 1, 1}));

    // Rows longer than the scratch buffer go through it in pieces.
    Bytes wide(3000 * 2);
    std::iota(wide.begin(), wide.end(), uint8_t(0));
    Bytes expected(wide.begin() + 3000, wide.end());
    expected.insert(expected.end(), wide.begin(), wide.begin() + 3000);
    VLGLTextureFlipPixelsY(wide.data(), 3000, 2);
    EXPECT_EQ(wide, expected);
}

TEST(VLGLTexturePixelsTests, ImagesOfPixelsNeedEnoughBytes) {
    const Bytes pixels = {1, 2, 3, 255, 4, 5, 6, 255};
    std::shared_ptr<VLBitmap> image = VLGLTextureGetImageWithPixels(pixels, 2, 1);
    ASSERT_EQ(image->width(), 2u);
    EXPECT_EQ(Bytes(image->bytes(), image->bytes() + image->byteCount()), pixels);
    EXPECT_EQ(image->byteOrder(), VLBitmapByteOrder::RGBA);
    EXPECT_EQ(image->alpha(), VLBitmapAlpha::Premultiplied);
    for (const auto& [bytes, width, height] : {std::tuple(Bytes(), 2, 1), std::tuple(pixels, 2, 2),
                                               std::tuple(pixels, 0, 1), std::tuple(pixels, -2, -1)}) {
        image = VLGLTextureGetImageWithPixels(bytes, width, height);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->byteCount(), 0u);
    }
}

// The limit is read from the first context current at a call: a process of its own, in which no
// context was current before.
TEST(VLGLTextureMaxSizeTests, IsTheDefaultUntilAContextAnswers) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const bool beforeAny = VLGLTextureGetMaxSize() == 16384;
            std::shared_ptr<VLEGLContext> context = VLEGLContext::create(2);
            VLEGLContext::setCurrentContext(context);
            GLint read = 0;
            glGetIntegerv(GL_MAX_TEXTURE_SIZE, &read);
            const bool fromGL = VLGLTextureGetMaxSize() == read;
            VLEGLContext::setCurrentContext(nullptr);
            const bool kept = VLGLTextureGetMaxSize() == read;
            context.reset();
            std::exit(beforeAny && fromGL && kept && read == 16384 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

} // namespace
