#pragma once

#include "Platform/Graphics/VLBitmap.h"
#include "Platform/Image/VLImageDecoding.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

// What an image says of itself before its pixels are decoded.
struct VLImageProperties {
    VLImageFormat format = VLImageFormat::PNG;
    // As stored, before the orientation is applied.
    uint32_t pixelWidth = 0;
    uint32_t pixelHeight = 0;
    VLImageOrientation orientation = VLImageOrientation::TopLeft;

    // The size shown once the orientation is applied.
    uint32_t orientedWidth() const {
        return VLImageOrientationSwapsSides(orientation) ? pixelHeight : pixelWidth;
    }
    uint32_t orientedHeight() const {
        return VLImageOrientationSwapsSides(orientation) ? pixelWidth : pixelHeight;
    }
};

struct VLImageDecodeOptions {
    VLBitmapAlpha alpha = VLBitmapAlpha::Premultiplied;
    // Turn and mirror the pixels as the EXIF orientation says.
    bool appliesOrientation = true;
    VLImageSizeLimit sizeLimit;
};

// The platform's image decoder: PNG, JPEG, GIF and WebP, told apart by their first bytes, to RGBA
// bitmaps with rows top to bottom. Of animated images, the first frame. No colour management: pixels
// are taken as sRGB. Hostile bytes give an error, never a crash, and an image beyond the size limit is
// refused before its pixels take memory.
//
// Failures return nothing and set *error (when given) to an error of VLImageDecoderErrorDomain whose
// code names the reason. Stateless: callable from any thread, also at once from several.
class VLImageDecoder {
public:
    static std::optional<VLImageProperties> probe(std::span<const uint8_t> bytes,
                                                  VLErrorRef* error = nullptr);

    static std::shared_ptr<VLBitmap> decode(std::span<const uint8_t> bytes,
                                            const VLImageDecodeOptions& options = {},
                                            VLErrorRef* error = nullptr);
};
