#pragma once

#include "Platform/Graphics/VLGLFunctions.h"

// The engine's GL calls that allocate or free GPU memory. Each makes the GL call unchanged, then records
// what it asked for in the memory tracker of the share group of the calling thread's current context
// (VLGLMemoryTracker), even when GL refused it: GL errors stay in GL. Without a current context, or
// without an object bound to the target, only the GL call is made.

void VLGLTexImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width, GLsizei height,
                    GLint border, GLenum format, GLenum type, const void* pixels);
void VLGLTexImage3D(GLenum target, GLint level, GLint internalformat, GLsizei width, GLsizei height,
                    GLsizei depth, GLint border, GLenum format, GLenum type, const void* pixels);
// Replaces the texture's images: every level, under all six faces for a cube map.
void VLGLTexStorage2D(GLenum target, GLsizei levels, GLenum internalformat, GLsizei width, GLsizei height);
void VLGLTexStorage3D(GLenum target, GLsizei levels, GLenum internalformat, GLsizei width, GLsizei height,
                      GLsizei depth);
void VLGLCompressedTexImage2D(GLenum target, GLint level, GLenum internalformat, GLsizei width,
                              GLsizei height, GLint border, GLsizei imageSize, const void* data);
void VLGLCompressedTexImage3D(GLenum target, GLint level, GLenum internalformat, GLsizei width,
                              GLsizei height, GLsizei depth, GLint border, GLsizei imageSize,
                              const void* data);
void VLGLCopyTexImage2D(GLenum target, GLint level, GLenum internalformat, GLint x, GLint y, GLsizei width,
                        GLsizei height, GLint border);
// Counts the levels below 0 of each face as a third of its level 0.
void VLGLGenerateMipmap(GLenum target);
void VLGLBufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage);
void VLGLRenderbufferStorage(GLenum target, GLenum internalformat, GLsizei width, GLsizei height);
void VLGLRenderbufferStorageMultisample(GLenum target, GLsizei samples, GLenum internalformat, GLsizei width,
                                        GLsizei height);
void VLGLRenderbufferStorageMultisampleAPPLE(GLenum target, GLsizei samples, GLenum internalformat,
                                             GLsizei width, GLsizei height);
void VLGLDeleteTextures(GLsizei n, const GLuint* textures);
void VLGLDeleteBuffers(GLsizei n, const GLuint* buffers);
void VLGLDeleteRenderbuffers(GLsizei n, const GLuint* renderbuffers);

struct VLPixels;

// Texture copies from a picture in client memory, converted on the CPU (this GL has no texture-copy
// extension): the pixels are flipped and their alpha applied as asked, packed into the destination's
// format and type (VLGLPixelPacker.h) and uploaded into the destination, a GL_TEXTURE_2D or a cube face,
// whose binding is kept. Nothing without a current context, for destination 0, or for a format and type
// the packer does not write.
//
// The whole level, replaced by the picture's size, and recorded.
void VLGLCopyTextureCHROMIUM(const VLPixels& source, GLenum destTarget, GLuint destId, GLint destLevel,
                             GLint internalFormat, GLenum type, bool flipY, bool premultiply,
                             bool unpremultiply);
// Into the existing level at (x, y), in the level's own format; nothing is recorded.
void VLGLCopySubTextureCHROMIUM(const VLPixels& source, GLenum destTarget, GLuint destId, GLint destLevel,
                                GLint x, GLint y, bool flipY, bool premultiply, bool unpremultiply);
