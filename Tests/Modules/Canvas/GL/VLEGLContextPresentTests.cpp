#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Modules/Canvas/GL/VLEGLLayer.h"
#include "Platform/Graphics/VLSurface.h"
#include "Tests/Support/VLGLTest.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using SurfaceBGRA = std::array<uint8_t, 4>;

// A canvas's framebuffer: one renderbuffer given storage through the context for a layer, bound.
class PresentedFramebuffer {
public:
    PresentedFramebuffer(VLEGLContext& context, std::shared_ptr<VLEGLLayer> layer, int32_t width,
                         int32_t height) {
        glGenFramebuffers(1, &_framebuffer);
        glGenRenderbuffers(1, &_renderbuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, _framebuffer);
        glBindRenderbuffer(GL_RENDERBUFFER, _renderbuffer);
        context.renderbufferStorage(GL_RENDERBUFFER, std::move(layer), width, height);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, _renderbuffer);
        glViewport(0, 0, width, height);
    }
    ~PresentedFramebuffer() {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &_framebuffer);
        glDeleteRenderbuffers(1, &_renderbuffer);
    }
    PresentedFramebuffer(const PresentedFramebuffer&) = delete;
    PresentedFramebuffer& operator=(const PresentedFramebuffer&) = delete;

    static void clear(float red, float green, float blue, float alpha) {
        glClearColor(red, green, blue, alpha);
        glClear(GL_COLOR_BUFFER_BIT);
    }

private:
    GLuint _framebuffer = 0;
    GLuint _renderbuffer = 0;
};

SurfaceBGRA surfacePixel(const VLSurface& surface, uint32_t x, uint32_t y) {
    const uint8_t* pixel = surface.baseAddress() + y * surface.bytesPerRow() + x * 4;
    return {pixel[0], pixel[1], pixel[2], pixel[3]};
}

std::shared_ptr<const VLSurface> shownSurface(const VLEGLLayer& layer) {
    return std::dynamic_pointer_cast<const VLSurface>(layer.contents());
}

using VLEGLContextPresentTest = VLGLTest;

TEST_F(VLEGLContextPresentTest, APresentShowsThePictureUprightInTheLayer) {
    for (int api : {2, 3}) {
        SCOPED_TRACE(api);
        std::shared_ptr<VLEGLContext> context = makeCurrentSharedContext(api);
        auto layer = std::make_shared<VLEGLLayer>();
        PresentedFramebuffer framebuffer(*context, layer, 4, 3);
        PresentedFramebuffer::clear(1, 0, 0, 1);
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, 2, 4, 1); // GL's top row
        PresentedFramebuffer::clear(0, 1, 0, 1);
        glDisable(GL_SCISSOR_TEST);

        ASSERT_TRUE(context->presentRenderbuffer(GL_RENDERBUFFER));
        const std::shared_ptr<const VLSurface> surface = shownSurface(*layer);
        ASSERT_TRUE(surface);
        EXPECT_EQ(surface->width(), 4u);
        EXPECT_EQ(surface->height(), 3u);
        for (uint32_t x : {0u, 3u}) {
            EXPECT_EQ(surfacePixel(*surface, x, 0), (SurfaceBGRA{0, 255, 0, 255}));
            EXPECT_EQ(surfacePixel(*surface, x, 1), (SurfaceBGRA{0, 0, 255, 255}));
            EXPECT_EQ(surfacePixel(*surface, x, 2), (SurfaceBGRA{0, 0, 255, 255}));
        }
        // The framebuffer stays bound for drawing and reading.
        GLint bound = 0;
        glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &bound);
        GLint drawBound = 0;
        glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawBound);
        EXPECT_NE(bound, 0);
        EXPECT_EQ(bound, drawBound);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
}

TEST_F(VLEGLContextPresentTest, AnOpaquePoolShowsNoTransparency) {
    std::shared_ptr<VLEGLContext> context = makeCurrentSharedContext(3);
    auto layer = std::make_shared<VLEGLLayer>();
    layer->setOpaque(true);
    PresentedFramebuffer framebuffer(*context, layer, 2, 2);
    PresentedFramebuffer::clear(0, 0, 0, 0);
    ASSERT_TRUE(context->presentRenderbuffer(GL_RENDERBUFFER));
    EXPECT_EQ(surfacePixel(*shownSurface(*layer), 1, 1), (SurfaceBGRA{0, 0, 0, 255}));
}

TEST_F(VLEGLContextPresentTest, WithoutADrawableOrAFramebufferNothingIsDrawn) {
    std::shared_ptr<VLEGLContext> context = makeCurrentSharedContext(3);
    auto layer = std::make_shared<VLEGLLayer>();
    {
        PresentedFramebuffer framebuffer(*context, layer, 2, 2);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        EXPECT_FALSE(context->presentRenderbuffer(GL_RENDERBUFFER));
    }
    // A renderbuffer no drawable was given for.
    GLuint renderbuffer = 0;
    glGenRenderbuffers(1, &renderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, 2, 2);
    EXPECT_FALSE(context->presentRenderbuffer(GL_RENDERBUFFER));
    glDeleteRenderbuffers(1, &renderbuffer);
    EXPECT_FALSE(layer->contents());
    EXPECT_EQ(layer->surfaceMemorySize(), 0u);
}

TEST_F(VLEGLContextPresentTest, TheContextCountsItsDrawablesSurfacesAndFreesThemWhenItEnds) {
    std::shared_ptr<VLEGLContext> context = VLEGLContext::create(3);
    ASSERT_TRUE(VLEGLContext::setCurrentContext(context));
    auto small = std::make_shared<VLEGLLayer>();
    auto large = std::make_shared<VLEGLLayer>();
    {
        PresentedFramebuffer first(*context, small, 2, 2);
        ASSERT_TRUE(context->presentRenderbuffer(GL_RENDERBUFFER));
        PresentedFramebuffer second(*context, large, 100, 100);
        ASSERT_TRUE(context->presentRenderbuffer(GL_RENDERBUFFER));
        ASSERT_TRUE(context->presentRenderbuffer(GL_RENDERBUFFER));
    }
    EXPECT_EQ(small->surfaceMemorySize(), 4096u);
    EXPECT_EQ(large->surfaceMemorySize(), 2u * 45056u); // rows of 448 bytes, 11 pages
    EXPECT_EQ(context->drawableMemorySize(), 4096u + 2u * 45056u);

    VLEGLContext::setCurrentContext(nullptr);
    context.reset();
    EXPECT_EQ(small->surfaceMemorySize(), 0u);
    EXPECT_EQ(large->surfaceMemorySize(), 0u);
}

} // namespace
