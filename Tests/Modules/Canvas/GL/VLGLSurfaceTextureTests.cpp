#include "Modules/Canvas/GL/VLGLMemoryTracker.h"
#include "Modules/Canvas/GL/VLGLSurfaceTexture.h"
#include "Platform/Graphics/VLSurface.h"
#include "Tests/Support/VLGLTest.h"
#include "Tests/Support/VLGLTestTextureDrawing.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <vector>

namespace {

using FrameRGBA = std::array<uint8_t, 4>;

// A frame of 2 × 2 BGRA pixels given as RGBA, rows top first.
std::shared_ptr<VLSurface> makeFrame(const std::array<FrameRGBA, 4>& rgba) {
    std::shared_ptr<VLSurface> surface = VLSurface::create(2, 2);
    for (size_t i = 0; i < 4; ++i) {
        uint8_t* pixel = surface->baseAddress() + (i / 2) * surface->bytesPerRow() + (i % 2) * 4;
        const FrameRGBA& c = rgba[i];
        pixel[0] = c[2];
        pixel[1] = c[1];
        pixel[2] = c[0];
        pixel[3] = c[3];
    }
    return surface;
}

constexpr FrameRGBA kFrameRed{255, 0, 0, 255};
constexpr FrameRGBA kFrameGreen{0, 255, 0, 255};
constexpr FrameRGBA kFrameBlue{0, 0, 255, 255};
constexpr FrameRGBA kFrameClear{0, 0, 0, 0};

// A complete texture name, sampled nearest, of the current context.
GLuint makeDestination() {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

// The texture's pixels as drawn, top row first.
std::vector<FrameRGBA> drawnTopFirst(GLuint texture) {
    std::vector<FrameRGBA> pixels = VLGLTestDrawTexture(texture, 2, 2);
    return {pixels[2], pixels[3], pixels[0], pixels[1]};
}

bool isNearFramePixel(const FrameRGBA& a, const FrameRGBA& b, int tolerance) {
    for (size_t c = 0; c < 4; ++c) {
        if (std::abs(a[c] - b[c]) > tolerance)
            return false;
    }
    return true;
}

class VLGLSurfaceTextureTest : public VLGLTest {
protected:
    void SetUp() override { context = makeCurrentSharedContext(3); }
    std::shared_ptr<VLEGLContext> context;
};

TEST_F(VLGLSurfaceTextureTest, ATextureNeedsAFrameAndACurrentContext) {
    EXPECT_FALSE(VLGLSurfaceTexture::textureWithPixelBuffer(nullptr));
    VLEGLContext::setCurrentContext(nullptr);
    EXPECT_FALSE(
        VLGLSurfaceTexture::textureWithPixelBuffer(makeFrame({kFrameRed, kFrameRed, kFrameRed, kFrameRed})));
}

TEST_F(VLGLSurfaceTextureTest, TheTextureShowsTheFrameAndGoesWithItsObject) {
    std::shared_ptr<VLGLSurfaceTexture> texture = VLGLSurfaceTexture::textureWithPixelBuffer(
        makeFrame({kFrameRed, kFrameGreen, kFrameBlue, kFrameClear}));
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->width(), 2u);
    EXPECT_EQ(texture->target(), GLenum(GL_TEXTURE_2D));
    EXPECT_EQ(texture->glContext(), context);
    const GLuint name = texture->textureId();
    ASSERT_NE(name, 0u);
    EXPECT_EQ(texture->textureId(), name);
    // GL's row 0 is the frame's top row.
    EXPECT_EQ(VLGLTestDrawTexture(name, 2, 2),
              (std::vector<FrameRGBA>{kFrameRed, kFrameGreen, kFrameBlue, kFrameClear}));
    EXPECT_FALSE(texture->pixelBuffer()->isInUse());

    texture.reset();
    EXPECT_FALSE(glIsTexture(name));
}

TEST_F(VLGLSurfaceTextureTest, CopiesFlipAndPremultiplyAsAsked) {
    const FrameRGBA halfRed{255, 0, 0, 128};
    std::shared_ptr<VLGLSurfaceTexture> texture = VLGLSurfaceTexture::textureWithPixelBuffer(
        makeFrame({halfRed, kFrameGreen, kFrameBlue, kFrameClear}));
    const FrameRGBA premultipliedRed{128, 0, 0, 128};
    struct Case {
        bool flipY;
        bool premultiply;
        std::vector<FrameRGBA> topFirst;
    };
    for (const Case& c : {Case{false, false, {kFrameBlue, kFrameClear, halfRed, kFrameGreen}},
                          Case{true, false, {halfRed, kFrameGreen, kFrameBlue, kFrameClear}},
                          Case{false, true, {kFrameBlue, kFrameClear, premultipliedRed, kFrameGreen}},
                          Case{true, true, {premultipliedRed, kFrameGreen, kFrameBlue, kFrameClear}}}) {
        SCOPED_TRACE(testing::Message() << "flip " << c.flipY << ", premultiply " << c.premultiply);
        const GLuint destination = makeDestination();
        texture->copyToTexture(destination, GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, c.flipY,
                               c.premultiply);
        const std::vector<FrameRGBA> drawn = drawnTopFirst(destination);
        for (size_t i = 0; i < 4; ++i)
            EXPECT_TRUE(isNearFramePixel(drawn[i], c.topFirst[i], 1)) << i;

        // A sub-copy writes the same rows into the existing level.
        texture->copyToTexture(destination, GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, !c.flipY, false);
        texture->copyToSubTexture(destination, GL_TEXTURE_2D, 0, 0, 0, c.flipY, c.premultiply);
        const std::vector<FrameRGBA> subDrawn = drawnTopFirst(destination);
        for (size_t i = 0; i < 4; ++i)
            EXPECT_TRUE(isNearFramePixel(subDrawn[i], c.topFirst[i], 1)) << i;
        glDeleteTextures(1, &destination);
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(VLGLSurfaceTextureTest, EveryFormatOfTheCopyTableShowsTheFrame) {
    std::shared_ptr<VLGLSurfaceTexture> texture = VLGLSurfaceTexture::textureWithPixelBuffer(
        makeFrame({kFrameRed, kFrameGreen, kFrameBlue, kFrameClear}));
    struct Row {
        GLint internalFormat;
        GLenum format;
        GLenum type;
    };
    const Row rows[] = {
        {GL_RGBA, GL_RGBA, GL_UNSIGNED_BYTE},
        {GL_RGB, GL_RGB, GL_UNSIGNED_BYTE},
        {GL_RGBA, GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4},
        {GL_RGBA, GL_RGBA, GL_UNSIGNED_SHORT_5_5_5_1},
        {GL_RGB, GL_RGB, GL_UNSIGNED_SHORT_5_6_5},
        {GL_LUMINANCE_ALPHA, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE},
        {GL_LUMINANCE, GL_LUMINANCE, GL_UNSIGNED_BYTE},
        {GL_ALPHA, GL_ALPHA, GL_UNSIGNED_BYTE},
        {GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE},
        {GL_SRGB8_ALPHA8, GL_RGBA, GL_UNSIGNED_BYTE},
        {GL_RGB8, GL_RGB, GL_UNSIGNED_BYTE},
        {GL_SRGB8, GL_RGB, GL_UNSIGNED_BYTE},
        {GL_R8, GL_RED, GL_UNSIGNED_BYTE},
        {GL_RG8, GL_RG, GL_UNSIGNED_BYTE},
        {GL_RGB565, GL_RGB, GL_UNSIGNED_BYTE},
        {GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5},
        {GL_RGBA4, GL_RGBA, GL_UNSIGNED_BYTE},
        {GL_RGBA4, GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4},
        {GL_RGB5_A1, GL_RGBA, GL_UNSIGNED_BYTE},
        {GL_RGB5_A1, GL_RGBA, GL_UNSIGNED_SHORT_5_5_5_1},
        {GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT},
        {GL_RGBA16F, GL_RGBA, GL_FLOAT},
        {GL_RGBA32F, GL_RGBA, GL_FLOAT},
        {GL_RGB16F, GL_RGB, GL_HALF_FLOAT},
        {GL_RGB16F, GL_RGB, GL_FLOAT},
        {GL_RGB32F, GL_RGB, GL_FLOAT},
        {GL_R11F_G11F_B10F, GL_RGB, GL_HALF_FLOAT},
        {GL_R11F_G11F_B10F, GL_RGB, GL_FLOAT},
        {GL_R16F, GL_RED, GL_HALF_FLOAT},
        {GL_R16F, GL_RED, GL_FLOAT},
        {GL_R32F, GL_RED, GL_FLOAT},
        {GL_RG16F, GL_RG, GL_HALF_FLOAT},
        {GL_RG16F, GL_RG, GL_FLOAT},
        {GL_RG32F, GL_RG, GL_FLOAT},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << row.internalFormat << " " << row.type);
        // What sampling shows of the frame's pixel through the format's channels.
        const auto expected = [&](FrameRGBA c) -> FrameRGBA {
            switch (row.format) {
            case GL_RGB:
                return {c[0], c[1], c[2], 255};
            case GL_RG:
                return {c[0], c[1], 0, 255};
            case GL_RED:
                return {c[0], 0, 0, 255};
            case GL_LUMINANCE:
                return {c[0], c[0], c[0], 255};
            case GL_LUMINANCE_ALPHA:
                return {c[0], c[0], c[0], c[3]};
            case GL_ALPHA:
                return {0, 0, 0, c[3]};
            default:
                return c;
            }
        };
        const GLuint destination = makeDestination();
        texture->copyToTexture(destination, GL_TEXTURE_2D, 0, row.internalFormat, row.type, true, false);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        const std::vector<FrameRGBA> drawn = drawnTopFirst(destination);
        const std::array<FrameRGBA, 4> frame{kFrameRed, kFrameGreen, kFrameBlue, kFrameClear};
        for (size_t i = 0; i < 4; ++i)
            EXPECT_EQ(drawn[i], expected(frame[i])) << i;
        glDeleteTextures(1, &destination);
    }
}

TEST_F(VLGLSurfaceTextureTest, TheFullCopyIsRecordedAndBadDestinationsAreRefused) {
    std::shared_ptr<VLGLSurfaceTexture> texture = VLGLSurfaceTexture::textureWithPixelBuffer(
        makeFrame({kFrameRed, kFrameGreen, kFrameBlue, kFrameClear}));
    VLGLMemoryTracker* tracker = context->memoryTracker();
    const uint64_t before = tracker->renderingMemorySize();
    const GLuint destination = makeDestination();
    texture->copyToTexture(destination, GL_TEXTURE_2D, 0, GL_RGBA32F, GL_FLOAT, false, false);
    EXPECT_EQ(tracker->renderingMemorySize(), before + 2 * 2 * 16);
    texture->copyToSubTexture(destination, GL_TEXTURE_2D, 0, 0, 0, false, false);
    EXPECT_EQ(tracker->renderingMemorySize(), before + 2 * 2 * 16);

    // The caller's binding is kept.
    GLuint bound = makeDestination();
    glBindTexture(GL_TEXTURE_2D, bound);
    texture->copyToTexture(destination, GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, false, false);
    GLint binding = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &binding);
    EXPECT_EQ(GLuint(binding), bound);
    EXPECT_EQ(tracker->renderingMemorySize(), before + 2 * 2 * 4);

    // Name 0, a pair the packer does not write, no current context: nothing happens.
    texture->copyToTexture(0, GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, false, false);
    texture->copyToTexture(destination, GL_TEXTURE_2D, 0, GL_RGBA, GL_INT, false, false);
    texture->copyToTexture(destination, GL_TEXTURE_3D, 0, GL_RGBA, GL_UNSIGNED_BYTE, false, false);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    VLEGLContext::setCurrentContext(nullptr);
    texture->copyToTexture(destination, GL_TEXTURE_2D, 0, GL_RGBA32F, GL_FLOAT, false, false);
    texture->copyToSubTexture(destination, GL_TEXTURE_2D, 0, 0, 0, false, false);
    VLEGLContext::setCurrentContext(context);
    EXPECT_EQ(tracker->renderingMemorySize(), before + 2 * 2 * 4);
    glDeleteTextures(1, &destination);
    glDeleteTextures(1, &bound);
}

TEST(VLGLSurfaceTextureCanCopyToTests, UnsizedPairsAlwaysAndSizedOnesWhereAllowed) {
    EXPECT_FALSE(VLGLSurfaceTextureCanCopyTo(GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, false));
    EXPECT_TRUE(VLGLSurfaceTextureCanCopyTo(GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, true));
    EXPECT_FALSE(VLGLSurfaceTextureCanCopyTo(GL_RGBA, GL_RGBA, GL_FLOAT, true));

    struct Case {
        GLint internalFormat;
        GLenum format;
        GLenum type;
        bool withoutSized;
        bool withSized;
    };
    for (const Case& c : {
             Case{GL_RGBA, GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4, true, true},
             Case{GL_RGB, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, true, true},
             Case{GL_ALPHA, GL_ALPHA, GL_UNSIGNED_BYTE, true, true},
             Case{GL_LUMINANCE_ALPHA, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, true, true},
             Case{GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, false, true},
             Case{GL_R11F_G11F_B10F, GL_RGB, GL_HALF_FLOAT, false, true},
             Case{GL_RG32F, GL_RG, GL_FLOAT, false, true},
             Case{GL_RG32F, GL_RG, GL_HALF_FLOAT, false, false},    // 32-bit floats only
             Case{GL_RGBA, GL_RGB, GL_UNSIGNED_BYTE, false, false}, // format and internal format differ
             Case{GL_RGB, GL_RGB, GL_UNSIGNED_SHORT_4_4_4_4, false, false},
             Case{GL_RGBA8UI, GL_RGBA_INTEGER, GL_UNSIGNED_BYTE, false, false},
         }) {
        SCOPED_TRACE(testing::Message() << std::hex << c.internalFormat << " " << c.format << " " << c.type);
        EXPECT_EQ(VLGLSurfaceTextureCanCopyTo(c.internalFormat, c.format, c.type, false), c.withoutSized);
        EXPECT_EQ(VLGLSurfaceTextureCanCopyTo(c.internalFormat, c.format, c.type, true), c.withSized);
    }
}

} // namespace
