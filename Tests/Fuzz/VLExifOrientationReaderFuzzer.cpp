// libFuzzer target for the EXIF orientation reader: the bytes as each container and as EXIF data.
#include "Platform/Image/VLExifOrientationReader.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    auto inRange = [](VLImageOrientation orientation) {
        return orientation >= VLImageOrientation::TopLeft && orientation <= VLImageOrientation::LeftBottom;
    };
    for (VLImageFormat format : {VLImageFormat::JPEG, VLImageFormat::PNG, VLImageFormat::WebP}) {
        if (!inRange(VLExifOrientationReader::orientationOf(format, bytes)))
            abort();
    }
    if (!inRange(VLExifOrientationReader::orientationOfExif(bytes)))
        abort();
    return 0;
}
