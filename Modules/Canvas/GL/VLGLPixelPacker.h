#pragma once

#include "Platform/Graphics/VLGLFunctions.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Packs RGBA8 pixels into the client format and type of a texture upload, for uploads that convert on
// the CPU: every 8-bit format (RGBA, RGB, RG, RED, LUMINANCE_ALPHA, LUMINANCE, ALPHA), the packed 16-bit
// types 4444, 5551 and 565, half float and float (channels as value ÷ 255).

// The bytes of one packed pixel, or 0 for a format and type the packer does not write.
size_t VLGLPixelPackerBytesPerPixel(GLenum format, GLenum type);
// Writes `count` pixels; false, with nothing written, for a format and type it does not write.
bool VLGLPackPixels(const uint8_t* rgba, size_t count, GLenum format, GLenum type, void* destination);
// The client format of an internal format: an unsized format is its own; 0 for one it does not know.
GLenum VLGLPixelPackerFormatOfInternalFormat(GLint internalFormat);

struct VLPixels;

// A picture's pixels packed for an upload as format and type: rows bottom first when flipped (GL's row
// 0 is the bottom), colour multiplied by alpha or divided by it as asked, tightly packed. Empty for a
// format and type the packer does not write, or a picture without pixels.
std::vector<uint8_t> VLGLPackPicture(const VLPixels& picture, GLenum format, GLenum type, bool flipY,
                                     bool premultiply, bool unpremultiply);
