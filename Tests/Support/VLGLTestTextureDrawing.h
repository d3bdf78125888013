#pragma once

#include "Platform/Graphics/VLGLFunctions.h"

#include <array>
#include <cstdint>
#include <vector>

// Draws the GL_TEXTURE_2D over a new framebuffer of the size, in the current context, and answers its
// RGBA pixels as glReadPixels gives them (row 0 at the bottom, which the texture's row 0 covers). The
// texture must be complete (nearest filters, no mipmaps asked for).
std::vector<std::array<uint8_t, 4>> VLGLTestDrawTexture(GLuint texture, GLsizei width, GLsizei height);
