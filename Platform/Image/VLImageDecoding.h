#pragma once

#include "Platform/Foundation/VLError.h"
#include "Platform/Graphics/VLBitmap.h"

#include <cstdint>
#include <memory>
#include <string_view>

// The vocabulary that the image decoder and its per-format readers share.

enum class VLImageFormat : uint8_t { PNG, JPEG, GIF, WebP };

// EXIF orientation: where the stored first row and first column belong when the image is shown.
enum class VLImageOrientation : uint8_t {
    TopLeft = 1,     // as stored
    TopRight = 2,    // mirrored left to right
    BottomRight = 3, // turned half a turn
    BottomLeft = 4,  // mirrored top to bottom
    LeftTop = 5,     // mirrored across the main diagonal
    RightTop = 6,    // to be turned a quarter clockwise
    RightBottom = 7, // mirrored across the other diagonal
    LeftBottom = 8,  // to be turned a quarter anticlockwise
};

// Whether showing the orientation swaps width and height.
inline bool VLImageOrientationSwapsSides(VLImageOrientation orientation) {
    return orientation >= VLImageOrientation::LeftTop;
}

struct VLImagePixelSize {
    uint32_t width = 0;
    uint32_t height = 0;
};

// Decoding failures.
inline constexpr const char* VLImageDecoderErrorDomain = "VLImageDecoderErrorDomain";
enum VLImageDecoderErrorCode : int64_t {
    VLImageDecoderErrorUnknownFormat = 1,
    VLImageDecoderErrorTruncatedData = 2,
    VLImageDecoderErrorTooLarge = 3,
    // A known format whose bytes break its rules; the failure reason holds the reader's own words.
    VLImageDecoderErrorCorruptData = 4,
};

// Sets *error (when given) to a decoder error of that code; the reason, when given, is the failure
// reason and ends the description.
void VLImageDecoderSetError(VLErrorRef* error, VLImageDecoderErrorCode code, std::string_view reason = {});

// The most pixels a picture may have: 8192 by 8192, 256 MiB of RGBA. A file of a few bytes can claim any
// size, so this bounds what one picture may cost, and every decoder of pictures shares it.
inline constexpr uint64_t VLImageMaximumPixelCount = uint64_t(1) << 26;

// The largest image decoded; larger ones are refused before any pixel memory is taken.
struct VLImageSizeLimit {
    uint32_t maximumSide = 16384;
    uint64_t maximumPixels = VLImageMaximumPixelCount;

    bool allows(uint32_t width, uint32_t height) const {
        return width <= maximumSide && height <= maximumSide && uint64_t(width) * height <= maximumPixels;
    }
};

// An RGBA bitmap for an image of that size, or null with a too-large error when the limit refuses it or
// the memory cannot be had.
std::shared_ptr<VLBitmap> VLImageMakeBitmap(uint32_t width, uint32_t height, const VLImageSizeLimit& limit,
                                            VLBitmapAlpha alpha, VLBitmapContents contents,
                                            VLErrorRef* error);
