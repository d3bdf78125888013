#pragma once

#include "Platform/Image/VLImageDecoding.h"

#include <cstdint>
#include <span>

// Finds the EXIF orientation of an encoded image without decoding it: the APP1 "Exif" segment of a
// JPEG, the eXIf chunk of a PNG, the EXIF chunk of a WebP, then the orientation tag of the first image
// directory of the TIFF structure inside. Anything missing, out of bounds or out of range reads as
// TopLeft. Stateless: callable from any thread.
class VLExifOrientationReader {
public:
    static VLImageOrientation orientationOf(VLImageFormat format, std::span<const uint8_t> bytes);

    // Of EXIF data itself, a TIFF structure, optionally after the "Exif\0\0" header.
    static VLImageOrientation orientationOfExif(std::span<const uint8_t> exif);

private:
    static std::span<const uint8_t> exifOfJPEG(std::span<const uint8_t> bytes);
    static std::span<const uint8_t> exifOfPNG(std::span<const uint8_t> bytes);
    static std::span<const uint8_t> exifOfWebP(std::span<const uint8_t> bytes);
};
