#pragma once

#include "Platform/Image/VLImageDecoding.h"

#include <optional>
#include <span>

// WebP through libwebp: lossy, lossless and with alpha; of an animation, the first frame placed on the
// canvas, around it transparent black. Stateless: callable from any thread.
class VLWebPDecoder {
public:
    // The canvas size.
    static std::optional<VLImagePixelSize> readSize(std::span<const uint8_t> bytes, VLErrorRef* error);
    static std::shared_ptr<VLBitmap> decode(std::span<const uint8_t> bytes, const VLImageSizeLimit& limit,
                                            VLBitmapAlpha alpha, VLErrorRef* error);
};
