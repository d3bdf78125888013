#include "Tests/Support/VLGLTestTextureDrawing.h"

#include "Tests/Support/VLGLTestFramebuffer.h"

#include <gtest/gtest.h>

namespace {

GLuint compileTestShader(GLenum type, const char* source) {
    GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint compiled = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    EXPECT_TRUE(compiled);
    return shader;
}

} // namespace

std::vector<std::array<uint8_t, 4>> VLGLTestDrawTexture(GLuint texture, GLsizei width, GLsizei height) {
    const VLGLTestFramebuffer target(width, height);
    GLuint program = glCreateProgram();
    GLuint vertexShader = compileTestShader(GL_VERTEX_SHADER, "attribute vec2 position;"
                                                              "varying vec2 uv;"
                                                              "void main() {"
                                                              "  uv = position * 0.5 + 0.5;"
                                                              "  gl_Position = vec4(position, 0.0, 1.0);"
                                                              "}");
    GLuint fragmentShader =
        compileTestShader(GL_FRAGMENT_SHADER, "precision mediump float;"
                                              "varying vec2 uv;"
                                              "uniform sampler2D image;"
                                              "void main() { gl_FragColor = texture2D(image, uv); }");
    glAttachShader(program, vertexShader);
    glAttachShader(program, fragmentShader);
    glBindAttribLocation(program, 0, "position");
    glLinkProgram(program);
    glUseProgram(program);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
    glUniform1i(glGetUniformLocation(program, "image"), 0);
    const float strip[] = {-1, -1, 1, -1, -1, 1, 1, 1};
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, strip);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    std::vector<std::array<uint8_t, 4>> pixels;
    for (GLint y = 0; y < height; ++y) {
        for (GLint x = 0; x < width; ++x)
            pixels.push_back(target.pixel(x, y));
    }
    glDisableVertexAttribArray(0);
    glUseProgram(0);
    glDeleteProgram(program);
    glDeleteShader(vertexShader);
    glDeleteShader(fragmentShader);
    return pixels;
}
