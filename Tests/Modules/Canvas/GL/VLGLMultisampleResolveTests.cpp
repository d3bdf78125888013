#include "Modules/Canvas/GL/VLGLMultisampleResolve.h"
#include "Tests/Support/VLGLTest.h"
#include "Tests/Support/VLGLTestFramebuffer.h"

#include <gtest/gtest.h>

namespace {

using VLGLMultisampleResolveTests = VLGLTest;

TEST_F(VLGLMultisampleResolveTests, AClearedMultisampledRenderbufferResolvesToItsColour) {
    for (int api : {2, 3}) {
        SCOPED_TRACE(api);
        makeCurrentSharedContext(api);
        const VLGLTestFramebuffer multisampled(4, 4, 4);
        const VLGLTestFramebuffer resolved(4, 4);
        ASSERT_TRUE(multisampled.isComplete());
        ASSERT_TRUE(resolved.isComplete());
        multisampled.clear(0.2f, 0.4f, 0.6f, 1.0f);
        resolved.clear(0, 0, 0, 0);

        // A scissor box that would cut the blit away is set aside for it, and kept.
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, 0, 0, 0);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, multisampled.framebuffer());
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolved.framebuffer());
        glBindRenderbuffer(GL_RENDERBUFFER, multisampled.renderbuffer());
        glResolveMultisampleFramebufferAPPLE();
        EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
        EXPECT_TRUE(glIsEnabled(GL_DITHER));
        glDisable(GL_SCISSOR_TEST);

        for (GLint xy : {0, 3}) {
            const std::array<uint8_t, 4> pixel = resolved.pixel(xy, xy);
            EXPECT_NEAR(pixel[0], 51, 1);
            EXPECT_NEAR(pixel[1], 102, 1);
            EXPECT_NEAR(pixel[2], 153, 1);
            EXPECT_EQ(pixel[3], 255);
        }
    }
}

} // namespace
