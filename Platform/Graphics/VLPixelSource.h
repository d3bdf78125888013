#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

// Byte order of a pixel in memory, one byte per channel. On this little-endian platform RGBA is
// pixman's a8b8g8r8 and BGRA its a8r8g8b8; both composite without conversion. Decoded images are RGBA;
// surfaces are BGRA.
enum class VLBitmapByteOrder : uint8_t { RGBA, BGRA };

// Pixels lent for reading: rows top to bottom, `rowBytes` apart, four bytes a pixel, premultiplied.
struct VLPixels {
    const uint8_t* bytes = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;
    size_t rowBytes = 0;
    VLBitmapByteOrder byteOrder = VLBitmapByteOrder::BGRA;
};

// Pixels to write, laid out as VLPixels.
struct VLMutablePixels {
    uint8_t* bytes = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;
    size_t rowBytes = 0;
    VLBitmapByteOrder byteOrder = VLBitmapByteOrder::BGRA;
};

// Anything that lends premultiplied pixels for reading: what a layer shows as its contents.
class VLPixelSource {
public:
    using Reader = std::function<void(const VLPixels&)>;

    virtual ~VLPixelSource() = default;

    // Calls the reader with the pixels, which stay valid and unchanged until it returns; a source with
    // nothing to show does not call it. Any thread; the compositor calls it with the layer tree locked,
    // so a source touches no layer here.
    virtual void lendPixels(const Reader& reader) const = 0;
};
