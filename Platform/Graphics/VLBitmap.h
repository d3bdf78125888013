#pragma once

#include "Platform/Graphics/VLPixelSource.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <utility>

// Whether colour channels are multiplied by alpha. Drawing takes premultiplied pixels only; straight
// ones are for callers that hand pixels on as they are (texture uploads that premultiply themselves).
enum class VLBitmapAlpha : uint8_t { Premultiplied, Straight };

// What a new bitmap holds: transparent black, or whatever the memory held, for a writer that is about
// to set every pixel.
enum class VLBitmapContents : uint8_t { Transparent, Unset };

// An owned block of 8-bit, four-channel pixels, rows top to bottom without padding. Not synchronised:
// whoever shares one between threads stops writing before handing it over. Premultiplied bitmaps lend
// their pixels as layer contents; straight ones lend nothing.
class VLBitmap final : public VLPixelSource {
public:
    // Null when the memory cannot be had or its size is not a size_t.
    static std::shared_ptr<VLBitmap> make(uint32_t width, uint32_t height,
                                          VLBitmapByteOrder byteOrder = VLBitmapByteOrder::RGBA,
                                          VLBitmapAlpha alpha = VLBitmapAlpha::Premultiplied,
                                          VLBitmapContents contents = VLBitmapContents::Transparent);

    uint32_t width() const { return _width; }
    uint32_t height() const { return _height; }
    size_t rowBytes() const { return size_t(_width) * 4; }
    size_t byteCount() const { return rowBytes() * _height; }
    VLBitmapByteOrder byteOrder() const { return _byteOrder; }
    VLBitmapAlpha alpha() const { return _alpha; }

    const uint8_t* bytes() const { return _bytes.get(); }
    uint8_t* mutableBytes() { return _bytes.get(); }
    const uint8_t* row(uint32_t y) const { return bytes() + y * rowBytes(); }
    uint8_t* mutableRow(uint32_t y) { return mutableBytes() + y * rowBytes(); }
    VLPixels pixels() const { return {bytes(), _width, _height, rowBytes(), _byteOrder}; }
    VLMutablePixels mutablePixels() { return {mutableBytes(), _width, _height, rowBytes(), _byteOrder}; }

    void lendPixels(const Reader& reader) const override;

    // Takes the pixels as a bitmap of height by width from now on: for a writer that has just moved
    // them so in place (a picture turned a quarter), sparing a second bitmap.
    void swapWidthAndHeight() { std::swap(_width, _height); }

private:
    struct FreeBytes {
        void operator()(uint8_t* bytes) const { std::free(bytes); }
    };

    using Bytes = std::unique_ptr<uint8_t[], FreeBytes>;

    VLBitmap(uint32_t width, uint32_t height, VLBitmapByteOrder byteOrder, VLBitmapAlpha alpha, Bytes bytes);

    uint32_t _width;
    uint32_t _height;
    VLBitmapByteOrder _byteOrder;
    VLBitmapAlpha _alpha;
    Bytes _bytes;
};

// Multiplies the colour channels of count four-byte pixels by their alpha, the fourth byte, in place,
// rounding to nearest.
void VLBitmapPremultiplyPixels(uint8_t* pixels, size_t count);
