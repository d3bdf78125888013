// VLEGLContext: the drawables that receive its renderbuffers' pictures.
#include "Modules/Canvas/GL/VLEGLContext.h"

#include "Modules/Canvas/GL/VLEGLDrawable.h"
#include "Modules/Canvas/GL/VLGLWrappers.h"

#include <algorithm>

bool VLEGLContext::renderbufferStorage(GLenum target, std::shared_ptr<VLEGLDrawable> drawable, int32_t width,
                                       int32_t height) {
    GLint renderbuffer = 0;
    glGetIntegerv(GL_RENDERBUFFER_BINDING, &renderbuffer);
    {
        std::lock_guard lock(_drawableLock);
        _drawableMap[GLuint(renderbuffer)] = std::move(drawable);
    }
    VLGLRenderbufferStorage(target, GL_RGBA8, std::max(1, width), std::max(1, height));
    return true;
}

uint64_t VLEGLContext::drawableMemorySize() const {
    std::lock_guard lock(_drawableLock);
    uint64_t bytes = 0;
    for (const auto& [renderbuffer, drawable] : _drawableMap)
        bytes += drawable ? drawable->surfaceMemorySize() : 0;
    return bytes;
}

void VLEGLContext::destroyDrawables() {
    std::map<GLuint, std::shared_ptr<VLEGLDrawable>> drawables;
    {
        std::lock_guard lock(_drawableLock);
        drawables.swap(_drawableMap);
    }
    for (const auto& [renderbuffer, drawable] : drawables) {
        if (drawable)
            drawable->destroySurfaces();
    }
}
