#pragma once

#include "Platform/Image/VLImageDecoding.h"

#include <optional>
#include <span>

// PNG through libpng: every colour type and bit depth to 8-bit RGBA (16-bit samples rounded, palettes
// and transparency chunks expanded, Adam7 de-interlaced). Of an animated PNG, the default image.
// Stateless: callable from any thread.
class VLPNGDecoder {
public:
    static std::optional<VLImagePixelSize> readSize(std::span<const uint8_t> bytes, VLErrorRef* error);
    static std::shared_ptr<VLBitmap> decode(std::span<const uint8_t> bytes, const VLImageSizeLimit& limit,
                                            VLBitmapAlpha alpha, VLErrorRef* error);
};
