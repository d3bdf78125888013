#pragma once

#include "Platform/Image/VLImageDecoding.h"

#include <optional>
#include <span>

// GIF through giflib: the first frame, placed on the logical screen (grown to hold the frame when it is
// smaller), with its transparent colour and everything around the frame transparent black.
// Stateless: callable from any thread.
class VLGIFDecoder {
public:
    // The logical screen's size, grown to hold the first frame.
    static std::optional<VLImagePixelSize> readSize(std::span<const uint8_t> bytes, VLErrorRef* error);
    static std::shared_ptr<VLBitmap> decode(std::span<const uint8_t> bytes, const VLImageSizeLimit& limit,
                                            VLBitmapAlpha alpha, VLErrorRef* error);
};
