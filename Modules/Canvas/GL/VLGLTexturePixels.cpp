#include "Modules/Canvas/GL/VLGLTexturePixels.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// 256 × 256 results indexed by alpha × 256 + value, built once on first use.
using Table = std::array<uint8_t, 65536>;

const Table& premultiplyTable() {
    static const Table table = [] {
        Table built{};
        for (unsigned alpha = 0; alpha < 256; ++alpha) {
            for (unsigned value = 0; value < 256; ++value)
                built[alpha * 256 + value] = uint8_t((value * alpha + 254) / 255);
        }
        return built;
    }();
    return table;
}

const Table& unPremultiplyTable() {
    static const Table table = [] {
        Table built{};
        for (unsigned value = 0; value < 256; ++value)
            built[value] = uint8_t(value);
        for (unsigned alpha = 1; alpha < 256; ++alpha) {
            for (unsigned value = 0; value < 256; ++value)
                built[alpha * 256 + value] = uint8_t(std::min(value * 255 / alpha, 255u));
        }
        return built;
    }();
    return table;
}

// The colour bytes of each pixel through the alpha's row of the table; alpha is the pixel's last byte.
template <size_t bytesPerPixel>
void convertPixels(const Table& table, const uint8_t* source, size_t length, uint8_t* destination) {
    for (size_t offset = 0; offset + bytesPerPixel <= length; offset += bytesPerPixel) {
        const uint8_t alpha = source[offset + bytesPerPixel - 1];
        const uint8_t* row = table.data() + size_t(alpha) * 256;
        for (size_t channel = 0; channel + 1 < bytesPerPixel; ++channel)
            destination[offset + channel] = row[source[offset + channel]];
        destination[offset + bytesPerPixel - 1] = alpha;
    }
}

void convertPixels(const Table& table, const uint8_t* source, size_t length, GLenum format,
                   uint8_t* destination) {
    if (!source || !destination)
        return;
    if (format == GL_RGBA)
        convertPixels<4>(table, source, length, destination);
    else if (format == GL_LUMINANCE_ALPHA)
        convertPixels<2>(table, source, length, destination);
}

} // namespace

void VLGLTexturePremultiplyPixels(const uint8_t* source, size_t length, GLenum format, uint8_t* destination) {
    convertPixels(premultiplyTable(), source, length, format, destination);
}

void VLGLTextureUnPremultiplyPixels(const uint8_t* source, size_t length, GLenum format,
                                    uint8_t* destination) {
    convertPixels(unPremultiplyTable(), source, length, format, destination);
}

void VLGLTextureFlipPixelsY(uint8_t* pixels, size_t bytesPerRow, size_t rowCount) {
    if (!pixels || bytesPerRow == 0 || rowCount < 2)
        return;
    uint8_t scratch[1024];
    for (size_t top = 0, bottom = rowCount - 1; top < bottom; ++top, --bottom) {
        uint8_t* upper = pixels + top * bytesPerRow;
        uint8_t* lower = pixels + bottom * bytesPerRow;
        for (size_t done = 0; done < bytesPerRow; done += sizeof(scratch)) {
            const size_t piece = std::min(sizeof(scratch), bytesPerRow - done);
            std::memcpy(scratch, upper + done, piece);
            std::memcpy(upper + done, lower + done, piece);
            std::memcpy(lower + done, scratch, piece);
        }
    }
}

std::shared_ptr<VLBitmap> VLGLTextureGetImageWithPixels(std::span<const uint8_t> data, int32_t width,
                                                        int32_t height) {
    const bool fits = width > 0 && height > 0 && uint64_t(width) * uint64_t(height) * 4 <= data.size();
    std::shared_ptr<VLBitmap> image =
        fits ? VLBitmap::make(uint32_t(width), uint32_t(height), VLBitmapByteOrder::RGBA,
                              VLBitmapAlpha::Premultiplied, VLBitmapContents::Unset)
             : nullptr;
    if (!image)
        return VLBitmap::make(0, 0);
    std::memcpy(image->mutableBytes(), data.data(), image->byteCount());
    return image;
}
