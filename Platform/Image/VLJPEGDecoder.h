#pragma once

#include "Platform/Image/VLImageDecoding.h"

#include <optional>
#include <span>

// JPEG through libjpeg-turbo: baseline and progressive, grey, YCbCr, RGB and CMYK to opaque RGBA. No
// colour management. Data that ends before the last row fails instead of being filled in.
// Stateless: callable from any thread.
class VLJPEGDecoder {
public:
    static std::optional<VLImagePixelSize> readSize(std::span<const uint8_t> bytes, VLErrorRef* error);
    static std::shared_ptr<VLBitmap> decode(std::span<const uint8_t> bytes, const VLImageSizeLimit& limit,
                                            VLBitmapAlpha alpha, VLErrorRef* error);
};
