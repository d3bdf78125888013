#pragma once

#include "Platform/Graphics/VLGLFunctions.h"

#include <cstdint>

// The bytes of one pixel of the type and format, as client memory holds it; 0 when either is unknown.
// Packed types answer whatever the format.
uint32_t VLGLGetBytesPerPixel(GLenum type, GLenum format);

// The GPU bytes that an image of the internal format, format and type takes, as the memory tracker
// counts them: compressed formats by their blocks, sized formats by their size (three-channel ones at
// the size of their four-channel twin), unsized ones by format and type (RGB as RGBA, 4 bytes a pixel
// when unknown). A width or height below 1 counts as 0, a depth below 2 as 1; a size too large to
// count gives UINT64_MAX.
uint64_t VLGLImageBytes(GLenum internalformat, GLenum format, GLenum type, GLsizei width, GLsizei height,
                        GLsizei depth);
