#pragma once

#include "Platform/Graphics/VLBitmap.h"
#include "Platform/Graphics/VLGLFunctions.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

// Pixel conversions of textures. Any thread.

// Multiply or divide the colour bytes of GL_RGBA (4 bytes a pixel) or GL_LUMINANCE_ALPHA (2 bytes)
// pixels by their alpha, copying alpha; other formats, or a null buffer, are left alone. The source
// and destination may be the same buffer. Premultiplying rounds up; un-premultiplying truncates, leaves
// a value under alpha 0 as it is and takes a value above its alpha to 255.
void VLGLTexturePremultiplyPixels(const uint8_t* source, size_t length, GLenum format, uint8_t* destination);
void VLGLTextureUnPremultiplyPixels(const uint8_t* source, size_t length, GLenum format,
                                    uint8_t* destination);

// Turns the rows upside down in place; nothing with fewer than 2 rows, no bytes per row or no pixels.
void VLGLTextureFlipPixelsY(uint8_t* pixels, size_t bytesPerRow, size_t rowCount);

// A premultiplied RGBA bitmap of the pixels (width × 4 bytes a row); an empty one when there are none
// or too few of them.
std::shared_ptr<VLBitmap> VLGLTextureGetImageWithPixels(std::span<const uint8_t> data, int32_t width,
                                                        int32_t height);
