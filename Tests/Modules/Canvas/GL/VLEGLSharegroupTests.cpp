#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Modules/Canvas/GL/VLEGLSharegroup.h"
#include "Tests/Support/VLGLCallCounter.h"
#include "Tests/Support/VLGLTestTextureDrawing.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using Pixel = std::array<uint8_t, 4>;

// A 2 × 2 texture of one colour, in the current context.
GLuint makeTexture(Pixel colour) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    const Pixel pixels[4] = {colour, colour, colour, colour};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    return texture;
}

// The colour that drawing the texture over a 4 × 4 framebuffer leaves in its middle, in the current
// context.
Pixel sampledColour(GLuint texture) {
    return VLGLTestDrawTexture(texture, 4, 4)[2 * 4 + 2];
}

TEST(VLEGLSharegroupTests, TheSecondContextToJoinMakesTheOnlyHiddenContext) {
    VLGLCallCounter<eglCreateContext> createContext;
    std::shared_ptr<VLEGLContext> a = VLEGLContext::create(2);
    std::shared_ptr<VLEGLSharegroup> sharegroup = a->sharegroup();
    EXPECT_EQ(createContext.calls(), 1);
    EXPECT_EQ(sharegroup->sharedContext(), nullptr);

    std::shared_ptr<VLEGLContext> b = VLEGLContext::create(3, sharegroup);
    EXPECT_EQ(createContext.calls(), 3);
    std::shared_ptr<VLEGLContext> hidden = sharegroup->sharedContext();
    ASSERT_NE(hidden, nullptr);
    EXPECT_NE(hidden, a);
    EXPECT_NE(hidden, b);
    EXPECT_TRUE(hidden->isValid());
    EXPECT_EQ(hidden->api(), a->api());
    EXPECT_EQ(hidden->sharegroup(), sharegroup);

    std::shared_ptr<VLEGLContext> c = VLEGLContext::create(2, sharegroup);
    EXPECT_EQ(createContext.calls(), 4);
    EXPECT_EQ(sharegroup->sharedContext(), hidden);
    for (const auto& context : {a, b, c})
        EXPECT_TRUE(context->isValid());

    // The group does not keep itself: the hidden context refers to it weakly.
    std::weak_ptr<VLEGLSharegroup> weakSharegroup = sharegroup;
    sharegroup.reset();
    a.reset();
    b.reset();
    c.reset();
    EXPECT_TRUE(weakSharegroup.expired());
}

TEST(VLEGLSharegroupTests, ObjectsOfTheFirstContextOutliveIt) {
    const Pixel colour = {10, 200, 30, 255};
    std::shared_ptr<VLEGLContext> a = VLEGLContext::create(2);
    std::shared_ptr<VLEGLContext> b = VLEGLContext::create(3, a->sharegroup());
    ASSERT_TRUE(VLEGLContext::setCurrentContext(a));
    const GLuint texture = makeTexture(colour);
    glFinish();
    ASSERT_TRUE(VLEGLContext::setCurrentContext(nullptr));
    std::shared_ptr<VLEGLSharegroup> sharegroup = a->sharegroup();
    a.reset();

    std::shared_ptr<VLEGLContext> c = VLEGLContext::create(3, sharegroup);
    ASSERT_TRUE(VLEGLContext::setCurrentContext(c));
    EXPECT_EQ(sampledColour(texture), colour);
    glDeleteTextures(1, &texture);
    EXPECT_TRUE(VLEGLContext::setCurrentContext(nullptr));
}

TEST(VLEGLSharegroupTests, ContextsOfBothAPIsShare) {
    const Pixel colour = {200, 20, 90, 255};
    std::shared_ptr<VLEGLContext> es2 = VLEGLContext::create(2);
    std::shared_ptr<VLEGLContext> es3 = VLEGLContext::create(3, es2->sharegroup());
    ASSERT_TRUE(es3->isValid());
    ASSERT_TRUE(VLEGLContext::setCurrentContext(es3));
    const GLuint texture = makeTexture(colour);
    glFinish();
    ASSERT_TRUE(VLEGLContext::setCurrentContext(es2));
    EXPECT_EQ(sampledColour(texture), colour);
    glDeleteTextures(1, &texture);
    EXPECT_TRUE(VLEGLContext::setCurrentContext(nullptr));
}

} // namespace
