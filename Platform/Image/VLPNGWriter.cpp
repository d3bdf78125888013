#include "Platform/Image/VLPNGWriter.h"

#include "Platform/Foundation/VLFileIO.h"
#include "Platform/Foundation/VLStringWithFormat.h"

#include <png.h>

#include <cerrno>
#include <cstring>

namespace {

// libpng's own limit on each side.
constexpr uint32_t kMaximumSide = 1000000;

// One row as straight RGBA.
void unpremultiply(const uint8_t* source, uint8_t* row, uint32_t width, VLBitmapByteOrder order) {
    const int red = order == VLBitmapByteOrder::RGBA ? 0 : 2, blue = 2 - red;
    for (uint32_t x = 0; x < width; ++x, source += 4, row += 4) {
        const unsigned alpha = source[3];
        const unsigned channels[3] = {source[red], source[1], source[blue]};
        for (int i = 0; i < 3; ++i)
            row[i] = alpha == 0 ? 0 : uint8_t(std::min(255u, (channels[i] * 255 + alpha / 2) / alpha));
        row[3] = uint8_t(alpha);
    }
}

} // namespace

std::optional<VLData> VLPNGWriter::dataWithPixels(const VLPixels& pixels) {
    if (!pixels.bytes || pixels.width == 0 || pixels.height == 0 || pixels.width > kMaximumSide ||
        pixels.height > kMaximumSide || pixels.rowBytes < size_t(pixels.width) * 4)
        return std::nullopt;
    const size_t rowLength = size_t(pixels.width) * 4;
    VLData straight(rowLength * pixels.height);
    for (uint32_t y = 0; y < pixels.height; ++y)
        unpremultiply(pixels.bytes + y * pixels.rowBytes, straight.data() + y * rowLength, pixels.width,
                      pixels.byteOrder);

    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = pixels.width;
    image.height = pixels.height;
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    // A first pass measures, the second writes.
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, straight.data(), 0, nullptr))
        return std::nullopt;
    VLData encoded(size);
    if (!png_image_write_to_memory(&image, encoded.data(), &size, 0, straight.data(), 0, nullptr))
        return std::nullopt;
    encoded.resize(size);
    return encoded;
}

std::optional<VLData> VLPNGWriter::dataWithSource(const VLPixelSource& source) {
    std::optional<VLData> data;
    source.lendPixels([&](const VLPixels& pixels) { data = dataWithPixels(pixels); });
    return data;
}

VLErrorRef VLPNGWriter::writeSource(const VLPixelSource& source, const std::string& path,
                                    VLSymbolicLinkWriting links) {
    const std::optional<VLData> data = dataWithSource(source);
    if (!data)
        return VLError::make(
            VLCocoaErrorDomain, 512,
            {{VLLocalizedDescriptionKey, VLStringWithFormat("Can't encode an image for %@", path)}});
    if (!VLWriteFileAtomically(path, *data, links)) {
        const int failure = errno;
        return VLError::make(VLPOSIXErrorDomain, failure,
                             {{VLLocalizedDescriptionKey,
                               VLStringWithFormat("Can't write %@: %s", path, std::strerror(failure))}});
    }
    return nullptr;
}
