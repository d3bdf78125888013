#include "Modules/Canvas/GL/VLGLWrappers.h"

#include "Modules/Canvas/GL/VLGLImageBytes.h"
#include "Modules/Canvas/GL/VLGLMemoryTracker.h"

#include <algorithm>
#include <type_traits>

static_assert(std::is_same_v<GLuint, uint32_t>, "the tracker takes GL names as they are");

namespace {

struct BoundTexture {
    GLuint name = 0;
    uint32_t face = 0;
};

GLuint boundName(GLenum binding) {
    GLint name = 0;
    glGetIntegerv(binding, &name);
    return GLuint(name);
}

// The texture bound to the target, with the cube face the target names; none for targets the tracker
// does not follow.
BoundTexture boundTexture(GLenum target) {
    switch (target) {
    case GL_TEXTURE_2D:
        return {boundName(GL_TEXTURE_BINDING_2D), 0};
    case GL_TEXTURE_3D:
        return {boundName(GL_TEXTURE_BINDING_3D), 0};
    case GL_TEXTURE_2D_ARRAY:
        return {boundName(GL_TEXTURE_BINDING_2D_ARRAY), 0};
    case GL_TEXTURE_CUBE_MAP:
        return {boundName(GL_TEXTURE_BINDING_CUBE_MAP), 0};
    default:
        if (target >= GL_TEXTURE_CUBE_MAP_POSITIVE_X && target <= GL_TEXTURE_CUBE_MAP_NEGATIVE_Z)
            return {boundName(GL_TEXTURE_BINDING_CUBE_MAP), target - GL_TEXTURE_CUBE_MAP_POSITIVE_X};
        return {};
    }
}

// The binding query of a buffer target the tracker follows, or 0.
GLenum bufferBinding(GLenum target) {
    switch (target) {
    case GL_ARRAY_BUFFER:
        return GL_ARRAY_BUFFER_BINDING;
    case GL_ELEMENT_ARRAY_BUFFER:
        return GL_ELEMENT_ARRAY_BUFFER_BINDING;
    case GL_PIXEL_PACK_BUFFER:
        return GL_PIXEL_PACK_BUFFER_BINDING;
    case GL_PIXEL_UNPACK_BUFFER:
        return GL_PIXEL_UNPACK_BUFFER_BINDING;
    case GL_UNIFORM_BUFFER:
        return GL_UNIFORM_BUFFER_BINDING;
    case GL_TRANSFORM_FEEDBACK_BUFFER:
        return GL_TRANSFORM_FEEDBACK_BUFFER_BINDING;
    case GL_COPY_READ_BUFFER:
        return GL_COPY_READ_BUFFER_BINDING;
    case GL_COPY_WRITE_BUFFER:
        return GL_COPY_WRITE_BUFFER_BINDING;
    default:
        return 0;
    }
}

void recordTextureImage(GLenum target, GLint level, uint64_t bytes) {
    std::shared_ptr<VLGLMemoryTracker> tracker = VLGLMemoryTracker::currentTracker();
    if (!tracker)
        return;
    const BoundTexture texture = boundTexture(target);
    if (texture.name)
        tracker->setBytesOfTexture(bytes, texture.name, VLGLMemoryTracker::imageKey(level, texture.face));
}

// A level's size, never below 1.
GLsizei levelSize(GLsizei size, GLsizei level) {
    return std::max<GLsizei>(1, level < 31 ? size >> level : 0);
}

// The whole image map of a texture given storage; the levels that the image keys can hold.
void recordTextureStorage(GLenum target, GLsizei levels, GLenum internalformat, GLsizei width, GLsizei height,
                          GLsizei depth, bool depthHasLevels) {
    std::shared_ptr<VLGLMemoryTracker> tracker = VLGLMemoryTracker::currentTracker();
    if (!tracker)
        return;
    const BoundTexture texture = boundTexture(target);
    if (!texture.name)
        return;
    const uint32_t faces = target == GL_TEXTURE_CUBE_MAP ? 6 : 1;
    VLGLMemoryTracker::ImageMap images;
    for (GLsizei level = 0; level < std::min<GLsizei>(levels, VLGLMemoryTracker::kMipChainLevel); ++level) {
        const uint64_t bytes =
            VLGLImageBytes(internalformat, 0, 0, levelSize(width, level), levelSize(height, level),
                           depthHasLevels ? levelSize(depth, level) : depth);
        for (uint32_t face = 0; face < faces; ++face)
            images[VLGLMemoryTracker::imageKey(level, face)] = bytes;
    }
    tracker->setImagesOfTexture(std::move(images), texture.name);
}

void recordRenderbuffer(GLenum internalformat, GLsizei width, GLsizei height, GLsizei samples) {
    std::shared_ptr<VLGLMemoryTracker> tracker = VLGLMemoryTracker::currentTracker();
    if (!tracker)
        return;
    // Samples count as layers would: the bytes of one image times max(1, samples).
    if (const GLuint renderbuffer = boundName(GL_RENDERBUFFER_BINDING))
        tracker->setBytesOfRenderbuffer(VLGLImageBytes(internalformat, 0, 0, width, height, samples),
                                        renderbuffer);
}

} // namespace

void VLGLTexImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width, GLsizei height,
                    GLint border, GLenum format, GLenum type, const void* pixels) {
    glTexImage2D(target, level, internalformat, width, height, border, format, type, pixels);
    recordTextureImage(target, level, VLGLImageBytes(GLenum(internalformat), format, type, width, height, 1));
}

void VLGLTexImage3D(GLenum target, GLint level, GLint internalformat, GLsizei width, GLsizei height,
                    GLsizei depth, GLint border, GLenum format, GLenum type, const void* pixels) {
    glTexImage3D(target, level, internalformat, width, height, depth, border, format, type, pixels);
    recordTextureImage(target, level,
                       VLGLImageBytes(GLenum(internalformat), format, type, width, height, depth));
}

void VLGLTexStorage2D(GLenum target, GLsizei levels, GLenum internalformat, GLsizei width, GLsizei height) {
    glTexStorage2D(target, levels, internalformat, width, height);
    recordTextureStorage(target, levels, internalformat, width, height, 1, false);
}

void VLGLTexStorage3D(GLenum target, GLsizei levels, GLenum internalformat, GLsizei width, GLsizei height,
                      GLsizei depth) {
    glTexStorage3D(target, levels, internalformat, width, height, depth);
    recordTextureStorage(target, levels, internalformat, width, height, depth, target == GL_TEXTURE_3D);
}

void VLGLCompressedTexImage2D(GLenum target, GLint level, GLenum internalformat, GLsizei width,
                              GLsizei height, GLint border, GLsizei imageSize, const void* data) {
    glCompressedTexImage2D(target, level, internalformat, width, height, border, imageSize, data);
    recordTextureImage(target, level, uint64_t(std::max<GLsizei>(0, imageSize)));
}

void VLGLCompressedTexImage3D(GLenum target, GLint level, GLenum internalformat, GLsizei width,
                              GLsizei height, GLsizei depth, GLint border, GLsizei imageSize,
                              const void* data) {
    glCompressedTexImage3D(target, level, internalformat, width, height, depth, border, imageSize, data);
    recordTextureImage(target, level, uint64_t(std::max<GLsizei>(0, imageSize)));
}

void VLGLCopyTexImage2D(GLenum target, GLint level, GLenum internalformat, GLint x, GLint y, GLsizei width,
                        GLsizei height, GLint border) {
    glCopyTexImage2D(target, level, internalformat, x, y, width, height, border);
    recordTextureImage(target, level,
                       VLGLImageBytes(internalformat, internalformat, GL_UNSIGNED_BYTE, width, height, 1));
}

void VLGLGenerateMipmap(GLenum target) {
    glGenerateMipmap(target);
    std::shared_ptr<VLGLMemoryTracker> tracker = VLGLMemoryTracker::currentTracker();
    if (!tracker)
        return;
    if (const GLuint texture = boundTexture(target).name)
        tracker->addMipChainOfTexture(texture);
}

void VLGLBufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage) {
    glBufferData(target, size, data, usage);
    const GLenum binding = bufferBinding(target);
    std::shared_ptr<VLGLMemoryTracker> tracker = binding ? VLGLMemoryTracker::currentTracker() : nullptr;
    if (!tracker)
        return;
    if (const GLuint buffer = boundName(binding))
        tracker->setBytesOfBuffer(uint64_t(std::max<GLsizeiptr>(0, size)), buffer);
}

void VLGLRenderbufferStorage(GLenum target, GLenum internalformat, GLsizei width, GLsizei height) {
    glRenderbufferStorage(target, internalformat, width, height);
    recordRenderbuffer(internalformat, width, height, 1);
}

void VLGLRenderbufferStorageMultisample(GLenum target, GLsizei samples, GLenum internalformat, GLsizei width,
                                        GLsizei height) {
    glRenderbufferStorageMultisample(target, samples, internalformat, width, height);
    recordRenderbuffer(internalformat, width, height, samples);
}

void VLGLRenderbufferStorageMultisampleAPPLE(GLenum target, GLsizei samples, GLenum internalformat,
                                             GLsizei width, GLsizei height) {
    glRenderbufferStorageMultisampleANGLE(target, samples, internalformat, width, height);
    recordRenderbuffer(internalformat, width, height, samples);
}

void VLGLDeleteTextures(GLsizei n, const GLuint* textures) {
    glDeleteTextures(n, textures);
    if (std::shared_ptr<VLGLMemoryTracker> tracker = VLGLMemoryTracker::currentTracker())
        tracker->forgetTextures(textures, n);
}

void VLGLDeleteBuffers(GLsizei n, const GLuint* buffers) {
    glDeleteBuffers(n, buffers);
    if (std::shared_ptr<VLGLMemoryTracker> tracker = VLGLMemoryTracker::currentTracker())
        tracker->forgetBuffers(buffers, n);
}

void VLGLDeleteRenderbuffers(GLsizei n, const GLuint* renderbuffers) {
    glDeleteRenderbuffers(n, renderbuffers);
    if (std::shared_ptr<VLGLMemoryTracker> tracker = VLGLMemoryTracker::currentTracker())
        tracker->forgetRenderbuffers(renderbuffers, n);
}
