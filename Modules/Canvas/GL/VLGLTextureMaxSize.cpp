#include "Modules/Canvas/GL/VLGLTextureMaxSize.h"

#include "Modules/Canvas/GL/VLEGLContext.h"

#include <atomic>

namespace {

constexpr int32_t kDefaultMaxSize = 16384;

// 0 until a context answered; any thread.
std::atomic<int32_t> knownMaxSize{0};

} // namespace

int32_t VLGLTextureGetMaxSize() {
    const int32_t known = knownMaxSize.load(std::memory_order_relaxed);
    if (known > 0)
        return known;
    if (!VLEGLContext::currentContext())
        return kDefaultMaxSize;
    GLint read = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &read);
    if (read < 1)
        return kDefaultMaxSize;
    knownMaxSize.store(read, std::memory_order_relaxed);
    return read;
}
