#include "Tests/Support/VLTestBitmap.h"

#include <cstdlib>
#include <cstring>

bool VLTestRGBA::near(const VLTestRGBA& other, int tolerance) const {
    return std::abs(red - other.red) <= tolerance && std::abs(green - other.green) <= tolerance &&
           std::abs(blue - other.blue) <= tolerance && std::abs(alpha - other.alpha) <= tolerance;
}

void PrintTo(const VLTestRGBA& pixel, std::ostream* out) {
    *out << "rgba(" << pixel.red << ", " << pixel.green << ", " << pixel.blue << ", " << pixel.alpha << ")";
}

VLTestBitmap::VLTestBitmap(uint32_t width, uint32_t height, VLBitmapByteOrder order)
    : _width(width), _height(height), _rowBytes(size_t(width) * 4 + 4), _order(order),
      _words(_rowBytes / 4 * height) {}

std::shared_ptr<VLTestBitmap> VLTestBitmap::make(uint32_t width, uint32_t height,
                                                 const std::vector<VLTestRGBA>& straight,
                                                 VLBitmapByteOrder order) {
    auto bitmap = std::make_shared<VLTestBitmap>(width, height, order);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const VLTestRGBA& c = straight[y * width + x];
            auto times = [&](int value) { return (value * c.alpha + 127) / 255; };
            bitmap->setPixel(x, y, {times(c.red), times(c.green), times(c.blue), c.alpha});
        }
    return bitmap;
}

VLTestRGBA VLTestBitmap::pixel(uint32_t x, uint32_t y) const {
    const auto* bytes = reinterpret_cast<const uint8_t*>(_words.data()) + y * _rowBytes + x * 4;
    if (_order == VLBitmapByteOrder::BGRA)
        return {bytes[2], bytes[1], bytes[0], bytes[3]};
    return {bytes[0], bytes[1], bytes[2], bytes[3]};
}

void VLTestBitmap::setPixel(uint32_t x, uint32_t y, VLTestRGBA c) {
    auto* bytes = reinterpret_cast<uint8_t*>(_words.data()) + y * _rowBytes + x * 4;
    const uint8_t ordered[4] = {uint8_t(_order == VLBitmapByteOrder::BGRA ? c.blue : c.red), uint8_t(c.green),
                                uint8_t(_order == VLBitmapByteOrder::BGRA ? c.red : c.blue),
                                uint8_t(c.alpha)};
    std::memcpy(bytes, ordered, 4);
}

VLMutablePixels VLTestBitmap::mutablePixels() {
    return {reinterpret_cast<uint8_t*>(_words.data()), _width, _height, _rowBytes, _order};
}

VLPixels VLTestBitmap::pixels() const {
    return {reinterpret_cast<const uint8_t*>(_words.data()), _width, _height, _rowBytes, _order};
}
