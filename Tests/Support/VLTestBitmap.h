#pragma once

#include "Platform/Graphics/VLPixelSource.h"

#include <cstdint>
#include <memory>
#include <ostream>
#include <vector>

// One pixel as bytes, red, green, blue and alpha, premultiplied.
struct VLTestRGBA {
    int red = 0;
    int green = 0;
    int blue = 0;
    int alpha = 0;

    // Each channel within `tolerance` of the other's.
    bool near(const VLTestRGBA& other, int tolerance = 1) const;

    friend bool operator==(const VLTestRGBA&, const VLTestRGBA&) = default;
};

void PrintTo(const VLTestRGBA& pixel, std::ostream* out);

constexpr VLTestRGBA kVLTestClear{0, 0, 0, 0};
constexpr VLTestRGBA kVLTestRed{255, 0, 0, 255};
constexpr VLTestRGBA kVLTestGreen{0, 255, 0, 255};
constexpr VLTestRGBA kVLTestBlue{0, 0, 255, 255};

// Pixels owned by a test, to render into and read back, or to hand to layers as contents. Rows are
// padded by 4 bytes, so that code that takes rows to be packed is caught.
class VLTestBitmap final : public VLPixelSource {
public:
    VLTestBitmap(uint32_t width, uint32_t height, VLBitmapByteOrder order = VLBitmapByteOrder::BGRA);
    // Filled from straight-alpha colours given row by row, top first.
    static std::shared_ptr<VLTestBitmap> make(uint32_t width, uint32_t height,
                                              const std::vector<VLTestRGBA>& rows,
                                              VLBitmapByteOrder order = VLBitmapByteOrder::BGRA);

    uint32_t width() const { return _width; }
    uint32_t height() const { return _height; }
    VLTestRGBA pixel(uint32_t x, uint32_t y) const;
    void setPixel(uint32_t x, uint32_t y, VLTestRGBA premultiplied);
    VLMutablePixels mutablePixels();
    VLPixels pixels() const;

    void lendPixels(const Reader& reader) const override { reader(pixels()); }

private:
    uint32_t _width;
    uint32_t _height;
    size_t _rowBytes;
    VLBitmapByteOrder _order;
    std::vector<uint32_t> _words;
};
