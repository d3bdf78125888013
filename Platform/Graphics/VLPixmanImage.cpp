#include "Platform/Graphics/VLPixmanImage.h"

#include <algorithm>
#include <climits>
#include <utility>

namespace {

pixman_format_code_t formatOf(VLBitmapByteOrder order) {
    return order == VLBitmapByteOrder::BGRA ? PIXMAN_a8r8g8b8 : PIXMAN_a8b8g8r8;
}

// pixman takes int sizes and aligned rows of whole 32-bit words.
bool fits(const VLMutablePixels& pixels) {
    return pixels.bytes && reinterpret_cast<uintptr_t>(pixels.bytes) % 4 == 0 && pixels.width > 0 &&
           pixels.height > 0 && pixels.width <= INT_MAX / 4 && pixels.height <= INT_MAX &&
           pixels.rowBytes <= INT_MAX && pixels.rowBytes % 4 == 0 &&
           pixels.rowBytes >= size_t(pixels.width) * 4;
}

uint16_t channel(double value) {
    return uint16_t(std::clamp(value, 0.0, 1.0) * 65535 + 0.5);
}

} // namespace

VLPixmanImage::~VLPixmanImage() {
    if (_image)
        pixman_image_unref(_image);
}

VLPixmanImage::VLPixmanImage(VLPixmanImage&& other) noexcept : _image(std::exchange(other._image, nullptr)) {}

VLPixmanImage& VLPixmanImage::operator=(VLPixmanImage&& other) noexcept {
    std::swap(_image, other._image);
    return *this;
}

VLPixmanImage VLPixmanImage::make(pixman_format_code_t format, int width, int height) {
    if (width <= 0 || height <= 0)
        return {};
    return VLPixmanImage(pixman_image_create_bits(format, width, height, nullptr, 0));
}

VLPixmanImage VLPixmanImage::wrap(const VLMutablePixels& pixels) {
    if (!fits(pixels))
        return {};
    return VLPixmanImage(
        pixman_image_create_bits(formatOf(pixels.byteOrder), int(pixels.width), int(pixels.height),
                                 reinterpret_cast<uint32_t*>(pixels.bytes), int(pixels.rowBytes)));
}

VLPixmanImage VLPixmanImage::wrap(const VLPixels& pixels) {
    // pixman only reads a source; it takes the pointer without const.
    return wrap(VLMutablePixels{const_cast<uint8_t*>(pixels.bytes), pixels.width, pixels.height,
                                pixels.rowBytes, pixels.byteOrder});
}

VLPixmanImage VLPixmanImage::solid(VLColor value, double alpha) {
    const pixman_color_t premultiplied = color(value, alpha);
    return VLPixmanImage(pixman_image_create_solid_fill(&premultiplied));
}

pixman_color_t VLPixmanImage::color(VLColor color, double alpha) {
    const double a = std::clamp(color.alpha, 0.0, 1.0) * std::clamp(alpha, 0.0, 1.0);
    return {channel(color.red * a), channel(color.green * a), channel(color.blue * a), channel(a)};
}
