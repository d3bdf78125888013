#include "Modules/Canvas/GL/VLGLMultisampleResolve.h"

#include "Modules/Canvas/GL/ScopedGLCapability.h"
#include "Modules/Canvas/GL/VLEGLContext.h"

void glResolveMultisampleFramebufferAPPLE() {
    // Without a context of ours nothing is bound, and the entry points may not even be.
    std::shared_ptr<VLEGLContext> context = VLEGLContext::currentContext();
    if (!context)
        return;
    const ScopedGLCapability scissor(GL_SCISSOR_TEST, false);
    const ScopedGLCapability dither(GL_DITHER, false);
    GLint width = 0, height = 0;
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_WIDTH, &width);
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_HEIGHT, &height);
    if (context->api() == 3)
        glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    else
        glBlitFramebufferANGLE(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
}
