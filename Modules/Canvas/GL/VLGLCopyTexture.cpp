// The texture-copy wrappers of VLGLWrappers.h.
#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Modules/Canvas/GL/VLGLPixelPacker.h"
#include "Modules/Canvas/GL/VLGLPixelStore.h"
#include "Modules/Canvas/GL/VLGLWrappers.h"
#include "Platform/Graphics/VLPixelSource.h"

#include <functional>

namespace {

bool isCubeFaceTarget(GLenum target) {
    return target >= GL_TEXTURE_CUBE_MAP_POSITIVE_X && target <= GL_TEXTURE_CUBE_MAP_NEGATIVE_Z;
}

// Runs the upload with the destination bound to the target it belongs to, and binds back what was bound.
void withCopyDestinationBound(GLenum destTarget, GLuint destId, const std::function<void()>& upload) {
    const bool cube = isCubeFaceTarget(destTarget);
    if ((destTarget != GL_TEXTURE_2D && !cube) || destId == 0 || !VLEGLContext::currentContext())
        return;
    const GLenum bindTarget = cube ? GL_TEXTURE_CUBE_MAP : GL_TEXTURE_2D;
    GLint saved = 0;
    glGetIntegerv(cube ? GL_TEXTURE_BINDING_CUBE_MAP : GL_TEXTURE_BINDING_2D, &saved);
    glBindTexture(bindTarget, destId);
    VLGLWithDefaultPixelStore([&] {
        // The packed rows are tight, and a context's own default alignment is 4.
        GLint alignment = 4;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        upload();
        glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    });
    glBindTexture(bindTarget, GLuint(saved));
}

// The type a sub-copy writes into a level of the internal format: float for float formats, bytes else.
GLenum subCopyTypeOf(GLint internalFormat) {
    switch (internalFormat) {
    case GL_R16F:
    case GL_RG16F:
    case GL_RGB16F:
    case GL_RGBA16F:
    case GL_R32F:
    case GL_RG32F:
    case GL_RGB32F:
    case GL_RGBA32F:
    case GL_R11F_G11F_B10F:
        return GL_FLOAT;
    default:
        return GL_UNSIGNED_BYTE;
    }
}

} // namespace

void VLGLCopyTextureCHROMIUM(const VLPixels& source, GLenum destTarget, GLuint destId, GLint destLevel,
                             GLint internalFormat, GLenum type, bool flipY, bool premultiply,
                             bool unpremultiply) {
    const GLenum format = VLGLPixelPackerFormatOfInternalFormat(internalFormat);
    withCopyDestinationBound(destTarget, destId, [&] {
        const std::vector<uint8_t> packed =
            VLGLPackPicture(source, format, type, flipY, premultiply, unpremultiply);
        if (packed.empty())
            return;
        VLGLTexImage2D(destTarget, destLevel, internalFormat, GLsizei(source.width), GLsizei(source.height),
                       0, format, type, packed.data());
    });
}

void VLGLCopySubTextureCHROMIUM(const VLPixels& source, GLenum destTarget, GLuint destId, GLint destLevel,
                                GLint x, GLint y, bool flipY, bool premultiply, bool unpremultiply) {
    withCopyDestinationBound(destTarget, destId, [&] {
        GLint internalFormat = 0;
        glGetTexLevelParameteriv(destTarget, destLevel, GL_TEXTURE_INTERNAL_FORMAT, &internalFormat);
        const GLenum format = VLGLPixelPackerFormatOfInternalFormat(internalFormat);
        const GLenum type = subCopyTypeOf(internalFormat);
        const std::vector<uint8_t> packed =
            VLGLPackPicture(source, format, type, flipY, premultiply, unpremultiply);
        if (packed.empty())
            return;
        glTexSubImage2D(destTarget, destLevel, x, y, GLsizei(source.width), GLsizei(source.height), format,
                        type, packed.data());
    });
}
