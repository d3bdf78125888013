#include "Platform/Graphics/VLBitmap.h"

#include <cstring>
#include <utility>

VLBitmap::VLBitmap(uint32_t width, uint32_t height, VLBitmapByteOrder byteOrder, VLBitmapAlpha alpha,
                   Bytes bytes)
    : _width(width), _height(height), _byteOrder(byteOrder), _alpha(alpha), _bytes(std::move(bytes)) {}

std::shared_ptr<VLBitmap> VLBitmap::make(uint32_t width, uint32_t height, VLBitmapByteOrder byteOrder,
                                         VLBitmapAlpha alpha, VLBitmapContents contents) {
    size_t count = 0;
    if (__builtin_mul_overflow(size_t(width) * height, size_t(4), &count))
        return nullptr;
    // calloc: large blocks come zeroed from the kernel, with no pass over them.
    const size_t allocated = count ? count : 1;
    Bytes bytes(static_cast<uint8_t*>(contents == VLBitmapContents::Transparent ? std::calloc(allocated, 1)
                                                                                : std::malloc(allocated)));
    if (!bytes)
        return nullptr;
    return std::shared_ptr<VLBitmap>(new VLBitmap(width, height, byteOrder, alpha, std::move(bytes)));
}

void VLBitmapPremultiplyPixels(uint8_t* pixels, size_t count) {
    // A pixel at a time as one 32-bit word, alpha in its top byte in both byte orders: red and blue
    // share one multiplication in 16-bit lanes that cannot carry into each other, green takes another.
    // Each channel becomes round(value * alpha / 255), exactly, without a division.
    uint8_t* pixel = pixels;
    for (size_t i = 0; i < count; ++i, pixel += 4) {
        uint32_t word;
        std::memcpy(&word, pixel, 4);
        const uint32_t alpha = word >> 24;
        uint32_t outer = (word & 0x00FF00FF) * alpha + 0x00800080;
        outer = ((outer + ((outer >> 8) & 0x00FF00FF)) >> 8) & 0x00FF00FF;
        uint32_t green = ((word >> 8) & 0xFF) * alpha + 0x80;
        green = (green + (green >> 8)) >> 8;
        word = outer | green << 8 | alpha << 24;
        std::memcpy(pixel, &word, 4);
    }
}

void VLBitmap::lendPixels(const Reader& reader) const {
    if (_alpha == VLBitmapAlpha::Premultiplied)
        reader(pixels());
}
