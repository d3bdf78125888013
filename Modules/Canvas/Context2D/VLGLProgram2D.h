#pragma once

#include "Platform/Graphics/VLGLFunctions.h"

#include <memory>

class VLEGLContext;

// Compiles one shader of the type from its text; 0 (nothing logged) when it does not compile.
GLuint VLGLCompileShader(const char* source, GLenum type);

// One of the 2D context's shader programs: the shared vertex stage ("pos", "uv" and "color" at
// locations 0, 1 and 2, and the uniforms "screen" and "offset") with a fragment stage of its own. A
// program that fails to compile or link is kept and used all the same; its draws then produce nothing.
// Kinds with uniforms of their own derive from it and read their locations in onParseUniforms().
//
// Made with the EGL context that it belongs to current, on the runtime's JavaScript thread; deleted in
// that context from whichever thread frees it.
class VLGLProgram2D {
public:
    // Compiles and links the program of the two texts in the current context.
    template <typename Program>
    static std::shared_ptr<Program> create(const char* vertexShader, const char* fragmentShader) {
        std::shared_ptr<Program> program(new Program());
        program->initWithVertexShader(vertexShader, fragmentShader);
        return program;
    }

    virtual ~VLGLProgram2D();
    VLGLProgram2D(const VLGLProgram2D&) = delete;
    VLGLProgram2D& operator=(const VLGLProgram2D&) = delete;

    GLuint program() const { return _program; }
    GLint screen() const { return _screen; }
    GLint offset() const { return _offset; }

protected:
    VLGLProgram2D() = default;

    virtual void onBindAttributeLocations();
    virtual void onParseUniforms();

private:
    void initWithVertexShader(const char* vertexShader, const char* fragmentShader);

    std::shared_ptr<VLEGLContext> _glContext;
    GLuint _program = 0;
    GLint _screen = -1;
    GLint _offset = -1;
};
