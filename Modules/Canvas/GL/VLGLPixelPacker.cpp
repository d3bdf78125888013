#include "Modules/Canvas/GL/VLGLPixelPacker.h"

#include "Platform/Graphics/VLBitmap.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <utility>

namespace {

// Which RGBA channels a format keeps, in order.
struct PackerChannels {
    std::array<uint8_t, 4> index{};
    size_t count = 0;
};

PackerChannels packerChannelsOf(GLenum format) {
    switch (format) {
    case GL_RGBA:
        return {{0, 1, 2, 3}, 4};
    case GL_RGB:
        return {{0, 1, 2}, 3};
    case GL_RG:
        return {{0, 1}, 2};
    case GL_RED:
    case GL_LUMINANCE:
        return {{0}, 1};
    case GL_LUMINANCE_ALPHA:
        return {{0, 3}, 2};
    case GL_ALPHA:
        return {{3}, 1};
    default:
        return {};
    }
}

// An 8-bit channel in `bits` bits, rounded to nearest.
uint16_t packerNarrow(uint8_t value, uint32_t bits) {
    const uint32_t maximum = (1u << bits) - 1;
    return uint16_t((value * maximum + 127) / 255);
}

// value ÷ 255 as an IEEE half float, rounded to nearest; every such value is 0 or a normal half.
uint16_t packerHalf(uint8_t value) {
    if (value == 0)
        return 0;
    const uint32_t bits = std::bit_cast<uint32_t>(float(value) / 255.0f);
    const uint32_t exponent = ((bits >> 23) & 0xFF) - 127 + 15;
    // The rounding carry may run into the exponent, which is what rounding up a mantissa of ones means.
    return uint16_t(((exponent << 10) | ((bits & 0x7FFFFF) >> 13)) + ((bits >> 12) & 1));
}

uint16_t packerPacked16(const uint8_t* p, GLenum type) {
    switch (type) {
    case GL_UNSIGNED_SHORT_4_4_4_4:
        return uint16_t(packerNarrow(p[0], 4) << 12 | packerNarrow(p[1], 4) << 8 |
                        packerNarrow(p[2], 4) << 4 | packerNarrow(p[3], 4));
    case GL_UNSIGNED_SHORT_5_5_5_1:
        return uint16_t(packerNarrow(p[0], 5) << 11 | packerNarrow(p[1], 5) << 6 |
                        packerNarrow(p[2], 5) << 1 | packerNarrow(p[3], 1));
    default: // GL_UNSIGNED_SHORT_5_6_5
        return uint16_t(packerNarrow(p[0], 5) << 11 | packerNarrow(p[1], 6) << 5 | packerNarrow(p[2], 5));
    }
}

// The packed type's format, or 0 for a type that is not packed.
GLenum packerFormatOfPackedType(GLenum type) {
    switch (type) {
    case GL_UNSIGNED_SHORT_4_4_4_4:
    case GL_UNSIGNED_SHORT_5_5_5_1:
        return GL_RGBA;
    case GL_UNSIGNED_SHORT_5_6_5:
        return GL_RGB;
    default:
        return 0;
    }
}

size_t packerComponentBytes(GLenum type) {
    switch (type) {
    case GL_UNSIGNED_BYTE:
        return 1;
    case GL_HALF_FLOAT:
    case GL_HALF_FLOAT_OES:
        return 2;
    case GL_FLOAT:
        return 4;
    default:
        return 0;
    }
}

// One row of the picture as straight RGBA8, with alpha applied as asked.
void packerReadRow(const uint8_t* row, uint32_t width, VLBitmapByteOrder order, bool premultiply,
                   bool unpremultiply, uint8_t* rgba) {
    std::memcpy(rgba, row, size_t(width) * 4);
    if (order == VLBitmapByteOrder::BGRA) {
        for (uint32_t x = 0; x < width; ++x)
            std::swap(rgba[x * 4], rgba[x * 4 + 2]);
    }
    if (premultiply && !unpremultiply)
        VLBitmapPremultiplyPixels(rgba, width);
    if (unpremultiply && !premultiply) {
        for (uint8_t* pixel = rgba; pixel < rgba + size_t(width) * 4; pixel += 4) {
            const uint32_t alpha = pixel[3];
            for (int c = 0; alpha && c < 3; ++c)
                pixel[c] = uint8_t(std::min<uint32_t>(255, (pixel[c] * 255 + alpha / 2) / alpha));
        }
    }
}

} // namespace

std::vector<uint8_t> VLGLPackPicture(const VLPixels& picture, GLenum format, GLenum type, bool flipY,
                                     bool premultiply, bool unpremultiply) {
    const size_t bytesPerPixel = VLGLPixelPackerBytesPerPixel(format, type);
    if (bytesPerPixel == 0 || !picture.bytes || picture.width == 0 || picture.height == 0)
        return {};
    const size_t rowBytes = size_t(picture.width) * bytesPerPixel;
    std::vector<uint8_t> packed(rowBytes * picture.height);
    std::vector<uint8_t> rgba(size_t(picture.width) * 4);
    for (uint32_t y = 0; y < picture.height; ++y) {
        const uint32_t sourceRow = flipY ? picture.height - 1 - y : y;
        packerReadRow(picture.bytes + sourceRow * picture.rowBytes, picture.width, picture.byteOrder,
                      premultiply, unpremultiply, rgba.data());
        VLGLPackPixels(rgba.data(), picture.width, format, type, packed.data() + y * rowBytes);
    }
    return packed;
}

size_t VLGLPixelPackerBytesPerPixel(GLenum format, GLenum type) {
    if (const GLenum packedFormat = packerFormatOfPackedType(type))
        return packedFormat == format ? 2 : 0;
    return packerChannelsOf(format).count * packerComponentBytes(type);
}

bool VLGLPackPixels(const uint8_t* rgba, size_t count, GLenum format, GLenum type, void* destination) {
    const size_t bytesPerPixel = VLGLPixelPackerBytesPerPixel(format, type);
    if (bytesPerPixel == 0)
        return false;
    auto* out = static_cast<uint8_t*>(destination);
    const PackerChannels channels = packerChannelsOf(format);
    for (size_t i = 0; i < count; ++i, rgba += 4, out += bytesPerPixel) {
        if (packerFormatOfPackedType(type)) {
            const uint16_t packed = packerPacked16(rgba, type);
            std::memcpy(out, &packed, 2);
            continue;
        }
        for (size_t c = 0; c < channels.count; ++c) {
            const uint8_t value = rgba[channels.index[c]];
            if (type == GL_UNSIGNED_BYTE) {
                out[c] = value;
            } else if (type == GL_FLOAT) {
                const float component = float(value) / 255.0f;
                std::memcpy(out + c * 4, &component, 4);
            } else {
                const uint16_t half = packerHalf(value);
                std::memcpy(out + c * 2, &half, 2);
            }
        }
    }
    return true;
}

GLenum VLGLPixelPackerFormatOfInternalFormat(GLint internalFormat) {
    switch (internalFormat) {
    case GL_RGBA:
    case GL_RGB:
    case GL_RG:
    case GL_RED:
    case GL_LUMINANCE_ALPHA:
    case GL_LUMINANCE:
    case GL_ALPHA:
        return GLenum(internalFormat);
    case GL_RGBA8:
    case GL_SRGB8_ALPHA8:
    case GL_RGBA4:
    case GL_RGB5_A1:
    case GL_RGBA16F:
    case GL_RGBA32F:
        return GL_RGBA;
    case GL_RGB8:
    case GL_SRGB8:
    case GL_RGB565:
    case GL_RGB16F:
    case GL_RGB32F:
    case GL_R11F_G11F_B10F:
        return GL_RGB;
    case GL_RG8:
    case GL_RG16F:
    case GL_RG32F:
        return GL_RG;
    case GL_R8:
    case GL_R16F:
    case GL_R32F:
        return GL_RED;
    default:
        return 0;
    }
}
