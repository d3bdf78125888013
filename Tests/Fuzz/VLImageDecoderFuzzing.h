#pragma once

// The body shared by the per-format decoder fuzz targets: whatever the bytes, a reader answers with a
// size or an error, decodes within the limit or fails with an error, and a decoded image has the size
// that was read.

#include "Platform/Image/VLImageDecoding.h"

#include <cstdlib>
#include <span>

template <typename Decoder>
int VLFuzzImageDecoder(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    VLErrorRef error;
    const auto pixelSize = Decoder::readSize(bytes, &error);
    if (!pixelSize && !error)
        abort();
    // Small enough for the fuzzer's memory limit.
    const VLImageSizeLimit limit{4096, uint64_t(1) << 22};
    for (VLBitmapAlpha alpha : {VLBitmapAlpha::Premultiplied, VLBitmapAlpha::Straight}) {
        error = nullptr;
        auto bitmap = Decoder::decode(bytes, limit, alpha, &error);
        if (!bitmap) {
            if (!error || error->domain() != VLImageDecoderErrorDomain)
                abort();
            continue;
        }
        if (!pixelSize || bitmap->width() != pixelSize->width || bitmap->height() != pixelSize->height ||
            bitmap->alpha() != alpha)
            abort();
    }
    return 0;
}
