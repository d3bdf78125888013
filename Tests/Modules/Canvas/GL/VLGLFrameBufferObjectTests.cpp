#include "Modules/Canvas/GL/VLGLFrameBufferObject.h"
#include "Modules/Canvas/GL/VLGLMemoryTracker.h"
#include "Modules/Canvas/GL/VLGLTexture.h"
#include "Tests/Support/VLGLCallCounter.h"
#include "Tests/Support/VLGLTextureTest.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

class VLGLFrameBufferObjectTests : public VLGLTextureTest {
protected:
    static GLint integer(GLenum name) {
        GLint value = 0;
        glGetIntegerv(name, &value);
        return value;
    }
    static GLuint stencilAttachment() {
        GLint name = 0;
        glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT,
                                              GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME, &name);
        return GLuint(name);
    }
    // Fills the bound framebuffer with one opaque colour; its pixels.
    static VLData fill(uint8_t red, uint8_t green, size_t pixelCount) {
        glClearColor(red / 255.0f, green / 255.0f, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        VLData pixels;
        for (size_t pixel = 0; pixel < pixelCount; ++pixel)
            pixels.insert(pixels.end(), {red, green, 0, 255});
        return pixels;
    }
};

TEST_F(VLGLFrameBufferObjectTests, PrepareLeavesItClearedAndBoundWithTheViewportOfItsSize) {
    VLGLFrameBufferObject framebuffer(5.7f, 3.2f);
    framebuffer.prepare();
    ASSERT_NE(framebuffer.fbo(), 0u);
    EXPECT_EQ(integer(GL_FRAMEBUFFER_BINDING), GLint(framebuffer.fbo()));
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_THAT(viewport, testing::ElementsAre(0, 0, 5, 3));
    const std::shared_ptr<VLGLTexture> texture = framebuffer.texture();
    EXPECT_TRUE(texture->drawFlippedY());
    EXPECT_EQ(texture->fbo(), framebuffer.fbo());
    EXPECT_EQ(texture->width(), 5);
    EXPECT_EQ(texture->height(), 3);

    const VLData red = fill(255, 0, 15);
    EXPECT_EQ(texture->pixels(), red);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    framebuffer.prepare();
    EXPECT_EQ(framebuffer.texture(), texture);
    EXPECT_EQ(integer(GL_FRAMEBUFFER_BINDING), GLint(framebuffer.fbo()));
    EXPECT_EQ(texture->pixels(), VLData(15 * 4, 0));
}

TEST_F(VLGLFrameBufferObjectTests, OneStencilBufferIsMadeAndCountedHoweverOftenItIsAskedFor) {
    GLuint callers = 0;
    glGenRenderbuffers(1, &callers);
    glBindRenderbuffer(GL_RENDERBUFFER, callers);
    VLGLFrameBufferObject framebuffer(4, 2);
    framebuffer.prepare();
    {
        VLGLCallCounter<glGenRenderbuffers> made;
        framebuffer.createStencilBufferOnce();
        framebuffer.createStencilBufferOnce();
        EXPECT_EQ(made.calls(), 1);
    }
    EXPECT_EQ(integer(GL_RENDERBUFFER_BINDING), GLint(callers));
    const GLuint stencil = stencilAttachment();
    ASSERT_NE(stencil, 0u);
    glBindRenderbuffer(GL_RENDERBUFFER, stencil);
    EXPECT_EQ(integer(GL_RENDERBUFFER_BINDING), GLint(stencil));
    GLint format = 0;
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_INTERNAL_FORMAT, &format);
    EXPECT_EQ(format, GL_STENCIL_INDEX8);
    EXPECT_EQ(tracker().contents().renderbuffers[stencil], 8u);
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
    glDeleteRenderbuffers(1, &callers);
}

TEST_F(VLGLFrameBufferObjectTests, FreeingDeletesItsNames) {
    auto framebuffer = std::make_unique<VLGLFrameBufferObject>(4, 2);
    framebuffer->prepare();
    framebuffer->createStencilBufferOnce();
    const GLuint fbo = framebuffer->fbo();
    const GLuint stencil = stencilAttachment();
    const GLuint texture = framebuffer->texture()->textureId();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    framebuffer.reset();
    EXPECT_FALSE(glIsFramebuffer(fbo));
    EXPECT_FALSE(glIsRenderbuffer(stencil));
    EXPECT_FALSE(glIsTexture(texture));
    const VLGLMemoryTracker::Contents contents = tracker().contents();
    EXPECT_FALSE(contents.renderbuffers.contains(stencil));
    EXPECT_FALSE(contents.textures.contains(texture));
}

TEST_F(VLGLFrameBufferObjectTests, ACopyOfTheTargetIsASnapshot) {
    VLGLFrameBufferObject framebuffer(3, 2);
    framebuffer.prepare();
    const VLData red = fill(255, 0, 6);
    std::shared_ptr<VLGLTexture> snapshot = framebuffer.texture()->copy();
    EXPECT_NE(snapshot->textureId(), framebuffer.texture()->textureId());
    EXPECT_TRUE(snapshot->drawFlippedY());
    EXPECT_FALSE(snapshot->isDynamic());

    const VLData green = fill(0, 255, 6);
    EXPECT_EQ(snapshot->pixels(), red);
    EXPECT_EQ(framebuffer.texture()->pixels(), green);
}

} // namespace
