#pragma once

#include <cstdint>
#include <string_view>

// A canvas colour: red, green, blue and alpha bytes in that memory order (red is the low byte of the
// packed 32-bit value), not premultiplied. A plain value; any thread.
struct VLColorRGBA {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t alpha = 0;

    constexpr VLColorRGBA() = default;
    constexpr VLColorRGBA(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha)
        : red(red), green(green), blue(blue), alpha(alpha) {}

    // Red in the low byte, alpha in the high one.
    constexpr uint32_t packed() const {
        return uint32_t(red) | uint32_t(green) << 8 | uint32_t(blue) << 16 | uint32_t(alpha) << 24;
    }
    // An opaque colour from 0xRRGGBB, as colour tables write them.
    static constexpr VLColorRGBA opaqueHex(uint32_t rgb) {
        return {uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb), 255};
    }

    friend bool operator==(const VLColorRGBA&, const VLColorRGBA&) = default;
};

// Reads a CSS colour text: hexadecimal forms, rgb()/rgba() and hsl()/hsla() in comma or space syntax,
// and the named colours, in any case. True with the colour written; false, the output untouched, for
// anything else (bytes that are no UTF-8 included) and for a null output. Allocates nothing; any thread.
bool VLUTF8StringGetColorRGBA(std::string_view string, VLColorRGBA* color);

// One channel of the HSL conversion: hue t (in turns, shifted into 0...1 once), between p and q.
double VLHueToRGB(double p, double q, double t);
