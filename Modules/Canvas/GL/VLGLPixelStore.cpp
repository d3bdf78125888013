#include "Modules/Canvas/GL/VLGLPixelStore.h"

#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Modules/Canvas/GL/VLEGLDisplay.h"

#include <cstring>
#include <memory>

namespace {

// In order: an ES 2 context has only the first two.
constexpr GLenum kPixelStoreNames[] = {
    GL_PACK_ALIGNMENT,   GL_UNPACK_ALIGNMENT,   GL_PACK_ROW_LENGTH,     GL_PACK_SKIP_PIXELS,
    GL_PACK_SKIP_ROWS,   GL_UNPACK_ROW_LENGTH,  GL_UNPACK_IMAGE_HEIGHT, GL_UNPACK_SKIP_PIXELS,
    GL_UNPACK_SKIP_ROWS, GL_UNPACK_SKIP_IMAGES,
};
constexpr size_t kES2PixelStoreNameCount = 2;
constexpr size_t kES3PixelStoreNameCount = sizeof(kPixelStoreNames) / sizeof(kPixelStoreNames[0]);

// The buffer targets an ES 3 context unbinds, with their binding queries.
constexpr GLenum kPixelBufferTargets[][2] = {
    {GL_PIXEL_PACK_BUFFER, GL_PIXEL_PACK_BUFFER_BINDING},
    {GL_PIXEL_UNPACK_BUFFER, GL_PIXEL_UNPACK_BUFFER_BINDING},
};

bool isES3(const std::shared_ptr<VLEGLContext>& context) {
    if (context)
        return context->api() == 3;
    const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    return version && std::strncmp(version, "OpenGL ES 3", 11) == 0;
}

} // namespace

void VLGLWithDefaultPixelStore(const std::function<void()>& block) {
    std::shared_ptr<VLEGLContext> context = VLEGLContext::currentContext();
    // Without the GL libraries there is no pixel store to set.
    if ((context && !context->pixelStoreMayDiffer()) || !VLEGLIsSupported()) {
        block();
        return;
    }
    const bool es3 = isES3(context);
    const size_t nameCount = es3 ? kES3PixelStoreNameCount : kES2PixelStoreNameCount;
    GLint saved[kES3PixelStoreNameCount] = {};
    for (size_t i = 0; i < nameCount; ++i) {
        glGetIntegerv(kPixelStoreNames[i], &saved[i]);
        glPixelStorei(kPixelStoreNames[i], i < 2 ? 1 : 0);
    }
    GLint savedBuffers[2] = {};
    for (size_t i = 0; es3 && i < 2; ++i) {
        glGetIntegerv(kPixelBufferTargets[i][1], &savedBuffers[i]);
        if (savedBuffers[i])
            glBindBuffer(kPixelBufferTargets[i][0], 0);
    }
    block();
    for (size_t i = 0; i < nameCount; ++i)
        glPixelStorei(kPixelStoreNames[i], saved[i]);
    for (size_t i = 0; es3 && i < 2; ++i) {
        if (savedBuffers[i])
            glBindBuffer(kPixelBufferTargets[i][0], GLuint(savedBuffers[i]));
    }
}
