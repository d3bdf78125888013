#include "Modules/Canvas/GL/VLGLTextureStorage.h"

#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Modules/Canvas/GL/VLEGLContextScope.h"
#include "Modules/Canvas/GL/VLGLWrappers.h"
#include "Platform/Foundation/VLClock.h"

std::shared_ptr<VLGLTextureStorage> VLGLTextureStorage::create() {
    return std::shared_ptr<VLGLTextureStorage>(new VLGLTextureStorage(false));
}

std::shared_ptr<VLGLTextureStorage> VLGLTextureStorage::createImmutable() {
    return std::shared_ptr<VLGLTextureStorage>(new VLGLTextureStorage(true));
}

VLGLTextureStorage::VLGLTextureStorage(bool immutable)
    : _glContext(VLEGLContext::currentContext()), _immutable(immutable) {
    // GL without a current context would answer nothing or another context's name.
    if (_glContext)
        glGenTextures(1, &_textureId);
}

VLGLTextureStorage::~VLGLTextureStorage() {
    if (!_textureId || !_glContext)
        return;
    const GLuint name = _textureId;
    VLGLEnterContextOfObjectsWithBlockScope(_glContext, [name] { VLGLDeleteTextures(1, &name); });
}

void VLGLTextureStorage::bindToTarget(GLenum target, const VLGLTextureParams& params) {
    glBindTexture(target, _textureId);
    static constexpr GLenum kNames[] = {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER, GL_TEXTURE_WRAP_S,
                                        GL_TEXTURE_WRAP_T};
    for (size_t index = 0; index < params.size(); ++index) {
        if (params[index] == _params[index])
            continue;
        glTexParameteri(target, kNames[index], GLint(params[index]));
        _params[index] = params[index];
    }
    _lastBound.store(VLClock::shared()->seconds(), std::memory_order_relaxed);
}
