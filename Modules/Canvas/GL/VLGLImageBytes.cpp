#include "Modules/Canvas/GL/VLGLImageBytes.h"

#include <limits>
#include <optional>

namespace {

struct CompressedBlock {
    uint32_t width;
    uint32_t height;
    uint32_t bytes;
};

// The footprints of the ASTC formats, in the order of their enum values.
constexpr CompressedBlock kASTCBlocks[] = {{4, 4, 16},  {5, 4, 16},   {5, 5, 16},   {6, 5, 16},  {6, 6, 16},
                                           {8, 5, 16},  {8, 6, 16},   {8, 8, 16},   {10, 5, 16}, {10, 6, 16},
                                           {10, 8, 16}, {10, 10, 16}, {12, 10, 16}, {12, 12, 16}};
constexpr GLenum kASTCFormatCount = sizeof(kASTCBlocks) / sizeof(kASTCBlocks[0]);

std::optional<CompressedBlock> compressedBlock(GLenum internalformat) {
    switch (internalformat) {
    case GL_COMPRESSED_RGB_S3TC_DXT1_EXT:
    case GL_COMPRESSED_RGBA_S3TC_DXT1_EXT:
    case GL_COMPRESSED_RED_RGTC1_EXT:
    case GL_COMPRESSED_SIGNED_RED_RGTC1_EXT:
    case GL_ETC1_RGB8_OES:
    case GL_COMPRESSED_R11_EAC:
    case GL_COMPRESSED_SIGNED_R11_EAC:
    case GL_COMPRESSED_RGB8_ETC2:
    case GL_COMPRESSED_SRGB8_ETC2:
    case GL_COMPRESSED_RGB8_PUNCHTHROUGH_ALPHA1_ETC2:
    case GL_COMPRESSED_SRGB8_PUNCHTHROUGH_ALPHA1_ETC2:
        return CompressedBlock{4, 4, 8};
    case GL_COMPRESSED_RGBA_S3TC_DXT3_EXT:
    case GL_COMPRESSED_RGBA_S3TC_DXT5_EXT:
    case GL_COMPRESSED_RED_GREEN_RGTC2_EXT:
    case GL_COMPRESSED_SIGNED_RED_GREEN_RGTC2_EXT:
    case GL_COMPRESSED_RGBA_BPTC_UNORM_EXT:
    case GL_COMPRESSED_SRGB_ALPHA_BPTC_UNORM_EXT:
    case GL_COMPRESSED_RGB_BPTC_SIGNED_FLOAT_EXT:
    case GL_COMPRESSED_RGB_BPTC_UNSIGNED_FLOAT_EXT:
    case GL_COMPRESSED_RG11_EAC:
    case GL_COMPRESSED_SIGNED_RG11_EAC:
    case GL_COMPRESSED_RGBA8_ETC2_EAC:
    case GL_COMPRESSED_SRGB8_ALPHA8_ETC2_EAC:
        return CompressedBlock{4, 4, 16};
    default:
        break;
    }
    if (internalformat >= GL_COMPRESSED_RGBA_ASTC_4x4 &&
        internalformat < GL_COMPRESSED_RGBA_ASTC_4x4 + kASTCFormatCount)
        return kASTCBlocks[internalformat - GL_COMPRESSED_RGBA_ASTC_4x4];
    if (internalformat >= GL_COMPRESSED_SRGB8_ALPHA8_ASTC_4x4 &&
        internalformat < GL_COMPRESSED_SRGB8_ALPHA8_ASTC_4x4 + kASTCFormatCount)
        return kASTCBlocks[internalformat - GL_COMPRESSED_SRGB8_ALPHA8_ASTC_4x4];
    return std::nullopt;
}

// Bytes a pixel of a sized internal format; 0 for any other format.
uint32_t sizedFormatBytes(GLenum internalformat) {
    switch (internalformat) {
    case GL_R8:
    case GL_R8I:
    case GL_R8UI:
    case GL_R8_SNORM:
    case GL_STENCIL_INDEX8:
        return 1;
    case GL_RG8:
    case GL_R16F:
    case GL_R16I:
    case GL_R16UI:
    case GL_RG8I:
    case GL_RG8UI:
    case GL_RG8_SNORM:
    case GL_RGBA4:
    case GL_RGB5_A1:
    case GL_RGB565:
    case GL_DEPTH_COMPONENT16:
        return 2;
    case GL_R32F:
    case GL_RG16F:
    case GL_R32I:
    case GL_R32UI:
    case GL_RG16I:
    case GL_RG16UI:
    case GL_RGB8:
    case GL_RGBA8:
    case GL_RGB10_A2:
    case GL_RGB10_A2UI:
    case GL_SRGB8:
    case GL_SRGB8_ALPHA8:
    case GL_R11F_G11F_B10F:
    case GL_RGB9_E5:
    case GL_RGB8_SNORM:
    case GL_RGBA8_SNORM:
    case GL_RGBA8UI:
    case GL_RGB8UI:
    case GL_RGBA8I:
    case GL_RGB8I:
    case GL_DEPTH_COMPONENT24:
    case GL_DEPTH_COMPONENT32F:
    case GL_DEPTH24_STENCIL8:
        return 4;
    case GL_RG32F:
    case GL_RG32I:
    case GL_RG32UI:
    case GL_RGBA16F:
    case GL_RGB16F:
    case GL_RGBA16UI:
    case GL_RGB16UI:
    case GL_RGBA16I:
    case GL_RGB16I:
    case GL_DEPTH32F_STENCIL8:
        return 8;
    case GL_RGBA32F:
    case GL_RGB32F:
    case GL_RGBA32UI:
    case GL_RGB32UI:
    case GL_RGBA32I:
    case GL_RGB32I:
        return 16;
    default:
        return 0;
    }
}

uint32_t componentBytes(GLenum type) {
    switch (type) {
    case GL_BYTE:
    case GL_UNSIGNED_BYTE:
        return 1;
    case GL_SHORT:
    case GL_UNSIGNED_SHORT:
    case GL_HALF_FLOAT:
    case GL_HALF_FLOAT_OES:
        return 2;
    case GL_INT:
    case GL_UNSIGNED_INT:
    case GL_FLOAT:
        return 4;
    default:
        return 0;
    }
}

uint32_t channelCount(GLenum format) {
    switch (format) {
    case GL_DEPTH_COMPONENT:
    case GL_RED:
    case GL_ALPHA:
    case GL_LUMINANCE:
    case GL_DEPTH_STENCIL:
    case GL_RED_INTEGER:
        return 1;
    case GL_LUMINANCE_ALPHA:
    case GL_RG:
    case GL_RG_INTEGER:
        return 2;
    case GL_RGB:
    case GL_RGB_INTEGER:
        return 3;
    case GL_RGBA:
    case GL_RGBA_INTEGER:
        return 4;
    default:
        return 0;
    }
}

// a × b, or UINT64_MAX when that does not fit.
uint64_t product(uint64_t a, uint64_t b) {
    uint64_t result = 0;
    return __builtin_mul_overflow(a, b, &result) ? std::numeric_limits<uint64_t>::max() : result;
}

uint64_t product(uint64_t a, uint64_t b, uint64_t c, uint64_t d) {
    return product(product(a, b), product(c, d));
}

uint64_t ceilingOfQuotient(uint64_t value, uint64_t divisor) {
    return (value + divisor - 1) / divisor;
}

} // namespace

uint32_t VLGLGetBytesPerPixel(GLenum type, GLenum format) {
    switch (type) {
    case GL_UNSIGNED_SHORT_4_4_4_4:
    case GL_UNSIGNED_SHORT_5_5_5_1:
    case GL_UNSIGNED_SHORT_5_6_5:
        return 2;
    case GL_UNSIGNED_INT_2_10_10_10_REV:
    case GL_UNSIGNED_INT_24_8:
    case GL_UNSIGNED_INT_10F_11F_11F_REV:
    case GL_UNSIGNED_INT_5_9_9_9_REV:
        return 4;
    case GL_FLOAT_32_UNSIGNED_INT_24_8_REV:
        return 8;
    default:
        return componentBytes(type) * channelCount(format);
    }
}

uint64_t VLGLImageBytes(GLenum internalformat, GLenum format, GLenum type, GLsizei width, GLsizei height,
                        GLsizei depth) {
    const uint64_t w = width < 1 ? 0 : uint64_t(width);
    const uint64_t h = height < 1 ? 0 : uint64_t(height);
    const uint64_t d = depth < 2 ? 1 : uint64_t(depth);
    if (std::optional<CompressedBlock> block = compressedBlock(internalformat))
        return product(block->bytes, d, ceilingOfQuotient(h, block->height),
                       ceilingOfQuotient(w, block->width));
    uint32_t bytesPerPixel = sizedFormatBytes(internalformat);
    if (bytesPerPixel == 0 && format != 0)
        bytesPerPixel = VLGLGetBytesPerPixel(type, format == GL_RGB ? GL_RGBA : format);
    if (bytesPerPixel == 0)
        bytesPerPixel = 4;
    return product(bytesPerPixel, w, h, d);
}
