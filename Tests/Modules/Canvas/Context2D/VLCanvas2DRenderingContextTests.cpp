#include "Modules/Canvas/Context2D/VLCanvas2DRenderingContext.h"

#include "Modules/Canvas/Context2D/VLCanvasImageData.h"
#include "Modules/Canvas/Context2D/VLGLProgram2D.h"
#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Modules/Canvas/GL/VLEGLSharegroup.h"
#include "Modules/Canvas/GL/VLGLMemoryTracker.h"
#include "Modules/Canvas/GL/VLGLTexture.h"
#include "Modules/Canvas/VLCanvasServices.h"
#include "Tests/Support/VLCanvasRuntimeTest.h"
#include "Tests/Support/VLOffscreenCanvas2DContext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace {

using Pixel = std::array<uint8_t, 4>;

constexpr Pixel kTransparent = {0, 0, 0, 0};
constexpr Pixel kOpaqueRed = {255, 0, 0, 255};
const VLAffineTransform kIdentity;

class VLCanvas2DRenderingContextTest : public VLCanvasRuntimeTest {
protected:
    std::shared_ptr<VLOffscreenCanvas2DContext> make(int16_t width, int16_t height,
                                                     VLOffscreenCanvas2DContext::Options options = {}) {
        return VLOffscreenCanvas2DContext::make(bindingContext(), width, height, options);
    }

    static void fillColor(VLCanvas2DRenderingContext& context, VLColorRGBA color) {
        context.state()->fillColor = color;
    }
};

TEST_F(VLCanvas2DRenderingContextTest, SolidDrawsStoreTheColourPremultipliedByTheGlobalAlphaTruncated) {
    struct Case {
        VLColorRGBA color;
        float globalAlpha;
        Pixel stored;
    };
    const Case cases[] = {
        {{100, 150, 200, 128}, 1, {50, 75, 100, 128}},      {{100, 150, 200, 128}, 0.5f, {25, 37, 50, 64}},
        {{100, 150, 200, 128}, 0.25f, {12, 18, 25, 32}},    {{255, 0, 0, 255}, 1, {255, 0, 0, 255}},
        {{255, 0, 0, 255}, 0.5f, {127, 0, 0, 127}},         {{255, 0, 0, 255}, 0.25f, {63, 0, 0, 63}},
        {{255, 255, 255, 255}, 0.5f, {127, 127, 127, 127}}, {{10, 20, 30, 0}, 1, {0, 0, 0, 0}},
    };
    onJSThread([&] {
        auto context = make(2, 2);
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message()
                         << int(c.color.red) << "," << int(c.color.green) << "," << int(c.color.blue) << ","
                         << int(c.color.alpha) << " at " << c.globalAlpha);
            const VLColorRGBA expected(c.stored[0], c.stored[1], c.stored[2], c.stored[3]);
            context->clearRectX(0, 0, 2, 2);
            context->setGlobalAlpha(c.globalAlpha);
            EXPECT_EQ(context->vertexColor(c.color), expected.packed());
            fillColor(*context, c.color);
            context->fillRectX(0, 0, 2, 2);
            EXPECT_EQ(context->pixel(1, 1), c.stored);
        }
        // Images and patterns carry the global alpha alone.
        context->setGlobalAlpha(0.5f);
        EXPECT_EQ(context->textureVertexColor(), VLColorRGBA(127, 127, 127, 127).packed());
    });
}

TEST_F(VLCanvas2DRenderingContextTest, HalfRedOverOpaqueBlueBlendsSourceOver) {
    onJSThread([&] {
        auto context = make(2, 2);
        fillColor(*context, {0, 0, 255, 255});
        context->fillRectX(0, 0, 2, 2);
        fillColor(*context, {255, 0, 0, 128});
        context->fillRectX(0, 0, 2, 2);
        const Pixel pixel = context->pixel(0, 0);
        EXPECT_NEAR(pixel[0], 128, 1);
        EXPECT_EQ(pixel[1], 0);
        EXPECT_NEAR(pixel[2], 127, 1);
        EXPECT_EQ(pixel[3], 255);
    });
}

TEST_F(VLCanvas2DRenderingContextTest, UpsideDownPutsTheFirstCanvasRowIntoTheLastGLRowAndReadsBackTheSame) {
    for (bool upsideDown : {false, true}) {
        SCOPED_TRACE(upsideDown ? "upside down" : "upright");
        onJSThread([&] {
            auto context = make(4, 4, {.upsideDown = upsideDown});
            fillColor(*context, {255, 0, 0, 255});
            context->fillRectX(0, 0, 2, 2);
            std::shared_ptr<VLCanvasImageData> picture = context->imageDataWithSx(0, 0, 4, 4);
            for (int y = 0; y < 4; ++y) {
                for (int x = 0; x < 4; ++x) {
                    const uint8_t* bytes = picture->pixels().data() + (y * 4 + x) * 4;
                    EXPECT_EQ(bytes[3], x < 2 && y < 2 ? 255 : 0) << x << "," << y;
                }
            }
            // Straight from GL, whose rows count from the bottom.
            Pixel glRow0 = {};
            Pixel glRow3 = {};
            glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, glRow0.data());
            glReadPixels(0, 3, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, glRow3.data());
            EXPECT_EQ(glRow0, upsideDown ? kTransparent : kOpaqueRed);
            EXPECT_EQ(glRow3, upsideDown ? kOpaqueRed : kTransparent);
        });
    }
}

TEST_F(VLCanvas2DRenderingContextTest, TheBatchDrawsFirstWhenTheNextPrimitiveWouldNotFit) {
    onJSThread([&] {
        auto context = make(4, 4);
        context->setProgram(context->programFlat());
        const uint32_t red = VLColorRGBA(255, 0, 0, 255).packed();
        const uint64_t start = context->contentVersion();
        for (int i = 0; i < 545; ++i)
            context->pushTriX1(0, 0, 1, 0, 0, 1, red, kIdentity);
        EXPECT_EQ(context->vertexBufferIndex(), 1635);
        EXPECT_EQ(context->contentVersion(), start);
        context->pushTriX1(0, 0, 1, 0, 0, 1, red, kIdentity);
        EXPECT_EQ(context->contentVersion(), start + 1);
        EXPECT_EQ(context->vertexBufferIndex(), 3);

        context->flushBuffers();
        for (int i = 0; i < 272; ++i)
            context->pushRectX(0, 0, 1, 1, red, kIdentity);
        EXPECT_EQ(context->vertexBufferIndex(), 1632);
        EXPECT_EQ(context->contentVersion(), start + 2);
        context->pushRectX(0, 0, 1, 1, red, kIdentity);
        EXPECT_EQ(context->contentVersion(), start + 3);
        EXPECT_EQ(context->vertexBufferIndex(), 6);
    });
}

TEST_F(VLCanvas2DRenderingContextTest, OnlyAChangedProgramOrTextureDrawsTheBatchAndANilTextureForcesARebind) {
    onJSThread([&] {
        auto context = make(4, 4);
        const std::vector<uint8_t> white(16, 255);
        std::shared_ptr<VLGLTexture> texture = VLGLTexture::createWithWidth(2, 2, white);
        context->setProgram(context->programTexture());
        context->setTexture(texture);
        context->pushRectX(0, 0, 1, 1, 0xffffffff, kIdentity);
        context->setProgram(context->programTexture());
        context->setTexture(texture);
        EXPECT_EQ(context->vertexBufferIndex(), 6);

        context->setImageSmoothingEnabled(false); // sets no texture, drawing the batch
        EXPECT_EQ(context->vertexBufferIndex(), 0);
        EXPECT_EQ(context->currentTexture(), nullptr);
        glBindTexture(GL_TEXTURE_2D, 0);
        context->setTexture(texture);
        GLint bound = 0;
        GLint filter = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
        EXPECT_EQ(GLuint(bound), texture->textureId());
        EXPECT_EQ(filter, GL_NEAREST);
        EXPECT_FALSE(context->imageSmoothingEnabled());

        context->pushRectX(0, 0, 1, 1, 0xffffffff, kIdentity);
        context->setProgram(context->programFlat());
        EXPECT_EQ(context->vertexBufferIndex(), 0);
    });
}

TEST_F(VLCanvas2DRenderingContextTest, AHitTestFlushTestsThePointAgainstTheTrianglesAndDrawsNothing) {
    struct Case {
        const char* name;
        std::vector<std::array<float, 2>> vertices;
        std::array<float, 2> point;
        bool hit;
    };
    const std::vector<Case> cases = {
        {"inside", {{0, 0}, {4, 0}, {0, 4}}, {1, 1}, true},
        {"inside, clockwise", {{0, 0}, {0, 4}, {4, 0}}, {1, 1}, true},
        {"on an edge", {{0, 0}, {4, 0}, {0, 4}}, {2, 0}, true},
        {"on a corner", {{0, 0}, {4, 0}, {0, 4}}, {4, 0}, true},
        {"outside", {{0, 0}, {4, 0}, {0, 4}}, {3, 3}, false},
        {"degenerate, on its line", {{0, 0}, {2, 0}, {4, 0}}, {1, 0}, false},
        {"the second triangle", {{0, 0}, {1, 0}, {0, 1}, {2, 2}, {3, 2}, {2, 3}}, {2.2f, 2.2f}, true},
    };
    onJSThread([&] {
        auto context = make(4, 4);
        context->setProgram(context->programFlat());
        const uint64_t version = context->contentVersion();
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            context->setHitTesting(true);
            context->setHitPoint(c.point[0], c.point[1]);
            context->setHitFound(false);
            for (size_t i = 0; i + 3 <= c.vertices.size(); i += 3)
                context->pushTriX1(c.vertices[i][0], c.vertices[i][1], c.vertices[i + 1][0],
                                   c.vertices[i + 1][1], c.vertices[i + 2][0], c.vertices[i + 2][1],
                                   0xffffffff, kIdentity);
            context->flushBuffers();
            EXPECT_EQ(context->hitFound(), c.hit);
            EXPECT_EQ(context->vertexBufferIndex(), 0);
            context->setHitTesting(false);
        }
        EXPECT_EQ(context->contentVersion(), version);
        EXPECT_EQ(context->pixel(0, 0), kTransparent);
    });
}

TEST_F(VLCanvas2DRenderingContextTest, ResizingToTheSameSizeOnlyClearsWhenAsked) {
    onJSThread([&] {
        auto context = make(4, 4);
        context->fillRectX(0, 0, 4, 4);
        context->flushBuffers();
        const uint64_t version = context->contentVersion();
        context->setWidth(4);
        context->setHeight(4);
        EXPECT_EQ(context->contentVersion(), version);
        EXPECT_EQ(context->pixel(3, 3)[3], 255);
        context->resizeToWidth(4, 4);
        EXPECT_EQ(context->contentVersion(), version + 1);
        EXPECT_EQ(context->pixel(3, 3), kTransparent);
        context->setWidth(6);
        EXPECT_EQ(context->bufferWidth(), 6);
        EXPECT_EQ(context->bufferHeight(), 4);

        auto empty = make(0, 0);
        const uint64_t emptyVersion = empty->contentVersion();
        empty->setNeedsPresenting(false);
        empty->fillRectX(0, 0, 10, 10);
        empty->flushBuffers();
        EXPECT_EQ(empty->contentVersion(), emptyVersion + 1);
        EXPECT_TRUE(empty->needsPresenting());
    });
}

TEST_F(VLCanvas2DRenderingContextTest, ARotatedRectangleHasExactCorners) {
    onJSThread([&] {
        auto context = make(20, 12);
        // (x, y) → (20 − y, x): the rectangle 2…8 × 3…7 lands on 13…17 × 2…8.
        context->setTransformM11(0, 1, -1, 0, 20, 0);
        context->fillRectX(2, 3, 6, 4);
        struct Probe {
            int x, y;
            bool filled;
        };
        for (const Probe& probe :
             {Probe{13, 2, true}, Probe{16, 2, true}, Probe{13, 7, true}, Probe{16, 7, true},
              Probe{12, 2, false}, Probe{17, 2, false}, Probe{13, 1, false}, Probe{16, 8, false}})
            EXPECT_EQ(context->pixel(probe.x, probe.y)[3], probe.filled ? 255 : 0)
                << probe.x << "," << probe.y;
    });
}

TEST_F(VLCanvas2DRenderingContextTest, ClearRectClearsTheTransformedAreaAndKeepsTheCompositeOperation) {
    onJSThread([&] {
        auto context = make(8, 8);
        fillColor(*context, {255, 0, 0, 255});
        context->fillRectX(0, 0, 8, 8);
        context->setGlobalCompositeOperation(8); // xor
        context->scaleX(2, 2);
        context->clearRectX(1, 1, 2, 2);
        EXPECT_EQ(context->pixel(2, 2), kTransparent);
        EXPECT_EQ(context->pixel(5, 5), kTransparent);
        EXPECT_EQ(context->pixel(1, 1), kOpaqueRed);
        EXPECT_EQ(context->pixel(6, 6), kOpaqueRed);
        EXPECT_EQ(context->globalCompositeOperation(), 8);
        GLint source = 0;
        GLint destination = 0;
        glGetIntegerv(GL_BLEND_SRC_RGB, &source);
        glGetIntegerv(GL_BLEND_DST_RGB, &destination);
        EXPECT_EQ(source, GL_ONE_MINUS_DST_ALPHA);
        EXPECT_EQ(destination, GL_ONE_MINUS_SRC_ALPHA);
    });
}

TEST_F(VLCanvas2DRenderingContextTest, ReadBackDrawsPendingWorkAndLeavesWhatLiesOutsideTransparent) {
    for (bool upsideDown : {false, true}) {
        SCOPED_TRACE(upsideDown ? "upside down" : "upright");
        onJSThread([&] {
            auto context = make(3, 2, {.upsideDown = upsideDown});
            fillColor(*context, {255, 0, 0, 255});
            context->fillRectX(-5, -5, 20, 20); // still queued
            EXPECT_GT(context->vertexBufferIndex(), 0);
            std::shared_ptr<VLCanvasImageData> picture = context->imageDataWithSx(-1, -2, 5, 6);
            ASSERT_EQ(picture->width(), 5u);
            ASSERT_EQ(picture->height(), 6u);
            for (int y = 0; y < 6; ++y) {
                for (int x = 0; x < 5; ++x) {
                    const bool inside = x >= 1 && x < 4 && y >= 2 && y < 4;
                    const uint8_t* bytes = picture->pixels().data() + (y * 5 + x) * 4;
                    EXPECT_EQ(Pixel({bytes[0], bytes[1], bytes[2], bytes[3]}),
                              inside ? kOpaqueRed : kTransparent)
                        << x << "," << y;
                }
            }
            // Far away, computed without wrapping.
            for (int32_t far : {1073741823, -1073741823}) {
                std::shared_ptr<VLCanvasImageData> outside = context->imageDataWithSx(far, far, 2, 2);
                EXPECT_EQ(outside->pixels(), std::vector<uint8_t>(16, 0));
            }
        });
    }
}

TEST_F(VLCanvas2DRenderingContextTest, WithFourSamplesARectanglesInteriorReadsBackExactly) {
    onJSThread([&] {
        auto context = make(8, 8, {.samples = 4});
        fillColor(*context, {255, 0, 0, 255});
        context->fillRectX(1.5f, 1.5f, 5, 5);
        EXPECT_EQ(context->pixel(3, 3), kOpaqueRed);
        EXPECT_EQ(context->pixel(0, 0), kTransparent);
        // The edge pixel is half covered.
        EXPECT_NEAR(context->pixel(1, 3)[3], 128, 32);
    });
}

TEST_F(VLCanvas2DRenderingContextTest, ProgramsAreMadeOnceAndThePatternRepeatsItsTexture) {
    onJSThread([&] {
        auto context = make(4, 1);
        EXPECT_EQ(context->programFlat(), context->programFlat());
        EXPECT_EQ(context->programTexture(), context->programTexture());
        EXPECT_EQ(context->programAlphaTexture(), context->programAlphaTexture());
        EXPECT_EQ(context->programPattern(), context->programPattern());
        EXPECT_NE(context->programFlat(), context->programPattern());

        // Four distinct texels; coordinates 1…2 must sample them again, not the clamped last one.
        const std::vector<uint8_t> texels = {255, 0, 0,   255, 0,   255, 0,   255,
                                             0,   0, 255, 255, 255, 255, 255, 255};
        std::shared_ptr<VLGLTexture> texture = VLGLTexture::createWithWidth(4, 1, texels);
        context->setImageSmoothingEnabled(false);
        context->setProgram(context->programPattern());
        context->setTexture(texture);
        context->pushTexturedRectX(0, 0, 4, 1, 1, 0, 1, 1, 0xffffffff, kIdentity);
        for (int x = 0; x < 4; ++x) {
            const Pixel expected = {texels[size_t(x * 4)], texels[size_t(x * 4 + 1)],
                                    texels[size_t(x * 4 + 2)], 255};
            EXPECT_EQ(context->pixel(x, 0), expected) << x;
        }
    });
}

TEST_F(VLCanvas2DRenderingContextTest, AbsurdRectanglesAndTransformsDoNoHarmToLaterDrawing) {
    onJSThread([&] {
        auto context = make(4, 4);
        const float inf = std::numeric_limits<float>::infinity();
        const float nan = std::numeric_limits<float>::quiet_NaN();
        context->fillRectX(nan, 0, 1, 1);
        context->fillRectX(0, 0, inf, inf);
        context->fillRectX(-3e38f, -3e38f, 3e38f, 3e38f);
        context->fillRectX(1073741824.0f, -1073741824.0f, 2, 2);
        context->scaleX(inf, nan);
        context->fillRectX(0, 0, 1, 1);
        context->rotate(nan);
        context->fillRectX(0, 0, 1, 1);
        context->flushBuffers();

        context->setTransformM11(1, 0, 0, 1, 0, 0);
        context->clearRectX(0, 0, 4, 4);
        fillColor(*context, {255, 0, 0, 255});
        context->fillRectX(1, 1, 2, 2);
        EXPECT_EQ(context->pixel(1, 1), kOpaqueRed);
        EXPECT_EQ(context->pixel(0, 0), kTransparent);
        EXPECT_EQ(context->pixel(3, 3), kTransparent);
    });
}

TEST_F(VLCanvas2DRenderingContextTest, TeardownGivesBackItsGPUMemory) {
    onJSThread([&] {
        std::shared_ptr<VLGLMemoryTracker> tracker =
            VLCanvasServices::glSharegroup(bindingContext())->memoryTracker();
        const uint64_t before = tracker->renderingMemorySize();
        auto context = make(32, 32, {.samples = 4});
        context->createStencilBufferOnce();
        context->fillRectX(0, 0, 4, 4);
        EXPECT_GT(tracker->renderingMemorySize(), before);
        context.reset();
        EXPECT_EQ(tracker->renderingMemorySize(), before);
    });
}

} // namespace
