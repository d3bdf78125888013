#pragma once

// The engine's EGL and OpenGL ES names. Each entry point is a function pointer that VLGLLoader binds
// once per process from the libraries it opens, so nothing links against them and a machine without
// them still runs (without canvases). Include this header instead of the Khronos ones; its names are
// called as the Khronos names are (glBindTexture(...)). A pointer is null until VLGLLoader::load()
// succeeded: only code behind a successful load calls them. Tests may swap a pointer to watch calls.
#if defined(GL_GLES_PROTOTYPES) || defined(EGL_EGL_PROTOTYPES)
#error "Include Platform/Graphics/VLGLFunctions.h instead of the EGL and GLES headers"
#endif
#define EGL_EGL_PROTOTYPES 0
#define GL_GLES_PROTOTYPES 0
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GLES3/gl32.h>
// After the core header, whose types it uses.
#include <GLES2/gl2ext.h>

#include "Platform/Graphics/VLGLFunctionList.h"

// In a namespace, so that no symbol of ours is named like the libraries' own.
namespace VLGLEntryPoints {

#define VL_GL_DECLARE_ENTRY_POINT(name, type) extern type name;
VL_EGL_CORE_FUNCTIONS(VL_GL_DECLARE_ENTRY_POINT)
VL_GLES_CORE_FUNCTIONS(VL_GL_DECLARE_ENTRY_POINT)
#undef VL_GL_DECLARE_ENTRY_POINT

// Extension entry points, bound through eglGetProcAddress. Mesa hands out a stub for any name, so one
// is called only where its extension's name is in the extension string (VLGLExtensionListContains).
extern PFNGLGETGRAPHICSRESETSTATUSEXTPROC glGetGraphicsResetStatusEXT; // GL_EXT_robustness

// OpenGL ES 2 extensions that ES 3 made core, under their extension names; every context that Mesa
// makes is an ES 3 one.
inline void glBlitFramebufferNV(GLint srcX0, GLint srcY0, GLint srcX1, GLint srcY1, GLint dstX0, GLint dstY0,
                                GLint dstX1, GLint dstY1, GLbitfield mask, GLenum filter) {
    glBlitFramebuffer(srcX0, srcY0, srcX1, srcY1, dstX0, dstY0, dstX1, dstY1, mask, filter);
}
inline void glBlitFramebufferANGLE(GLint srcX0, GLint srcY0, GLint srcX1, GLint srcY1, GLint dstX0,
                                   GLint dstY0, GLint dstX1, GLint dstY1, GLbitfield mask, GLenum filter) {
    glBlitFramebuffer(srcX0, srcY0, srcX1, srcY1, dstX0, dstY0, dstX1, dstY1, mask, filter);
}
inline void glRenderbufferStorageMultisampleANGLE(GLenum target, GLsizei samples, GLenum internalformat,
                                                  GLsizei width, GLsizei height) {
    glRenderbufferStorageMultisample(target, samples, internalformat, width, height);
}

} // namespace VLGLEntryPoints

using namespace VLGLEntryPoints;
