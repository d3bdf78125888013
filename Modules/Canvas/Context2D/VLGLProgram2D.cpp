#include "Modules/Canvas/Context2D/VLGLProgram2D.h"

#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Modules/Canvas/GL/VLEGLContextScope.h"

GLuint VLGLCompileShader(const char* source, GLenum type) {
    GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (!compiled) {
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

void VLGLProgram2D::initWithVertexShader(const char* vertexShader, const char* fragmentShader) {
    _glContext = VLEGLContext::currentContext();
    _program = glCreateProgram();
    const GLuint vertex = VLGLCompileShader(vertexShader, GL_VERTEX_SHADER);
    const GLuint fragment = VLGLCompileShader(fragmentShader, GL_FRAGMENT_SHADER);
    glAttachShader(_program, vertex);
    glAttachShader(_program, fragment);
    onBindAttributeLocations();
    glLinkProgram(_program);
    onParseUniforms();
    glDetachShader(_program, vertex);
    glDetachShader(_program, fragment);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
}

VLGLProgram2D::~VLGLProgram2D() {
    if (_program && _glContext)
        VLEGLEnterContextWithBlockScope(_glContext, [program = _program] { glDeleteProgram(program); });
}

void VLGLProgram2D::onBindAttributeLocations() {
    glBindAttribLocation(_program, 0, "pos");
    glBindAttribLocation(_program, 1, "uv");
    glBindAttribLocation(_program, 2, "color");
}

void VLGLProgram2D::onParseUniforms() {
    _screen = glGetUniformLocation(_program, "screen");
    _offset = glGetUniformLocation(_program, "offset");
}
