#include "Modules/Canvas/GL/VLGLImageBytes.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(VLGLImageBytesTests, BytesPerPixelOfEveryPackedTypeAndFormat) {
    struct Row {
        GLenum type;
        GLenum format;
        uint32_t bytes;
    };
    const Row rows[] = {
        // Packed types, whatever the format.
        {GL_UNSIGNED_SHORT_4_4_4_4, GL_RGBA, 2},
        {GL_UNSIGNED_SHORT_5_5_5_1, 0, 2},
        {GL_UNSIGNED_SHORT_5_6_5, GL_RGB, 2},
        {GL_UNSIGNED_INT_2_10_10_10_REV, GL_RGBA, 4},
        {GL_UNSIGNED_INT_24_8, GL_DEPTH_STENCIL, 4},
        {GL_UNSIGNED_INT_10F_11F_11F_REV, GL_RGB, 4},
        {GL_UNSIGNED_INT_5_9_9_9_REV, GL_RGB, 4},
        {GL_FLOAT_32_UNSIGNED_INT_24_8_REV, GL_DEPTH_STENCIL, 8},
        // Component sizes times channels.
        {GL_UNSIGNED_BYTE, GL_DEPTH_COMPONENT, 1},
        {GL_BYTE, GL_RED, 1},
        {GL_UNSIGNED_BYTE, GL_ALPHA, 1},
        {GL_UNSIGNED_BYTE, GL_LUMINANCE, 1},
        {GL_UNSIGNED_BYTE, GL_DEPTH_STENCIL, 1},
        {GL_UNSIGNED_BYTE, GL_RED_INTEGER, 1},
        {GL_UNSIGNED_BYTE, GL_LUMINANCE_ALPHA, 2},
        {GL_SHORT, GL_RG, 4},
        {GL_UNSIGNED_SHORT, GL_RG_INTEGER, 4},
        {GL_HALF_FLOAT, GL_RGB, 6},
        {GL_HALF_FLOAT_OES, GL_RGB_INTEGER, 6},
        {GL_INT, GL_RGBA, 16},
        {GL_UNSIGNED_INT, GL_RGBA_INTEGER, 16},
        {GL_FLOAT, GL_RED, 4},
        // Unknown types and formats.
        {GL_UNSIGNED_BYTE, GL_BGRA_EXT, 0},
        {0x1234, GL_RGBA, 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(VLGLGetBytesPerPixel(row.type, row.format), row.bytes)
            << std::hex << row.type << " " << row.format;
}

TEST(VLGLImageBytesTests, ImagesCountByBlocksSizesAndFormats) {
    struct Row {
        GLenum internalformat, format, type;
        GLsizei width, height, depth;
        uint64_t bytes;
    };
    const Row rows[] = {
        {GL_COMPRESSED_RGB_S3TC_DXT1_EXT, 0, 0, 5, 5, 1, 32},
        {GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 0, 0, 5, 5, 2, 2 * 64},
        {GL_ETC1_RGB8_OES, 0, 0, 4, 4, 1, 8},
        {GL_COMPRESSED_RGBA_ASTC_10x10, 0, 0, 20, 20, 1, 64},
        {GL_COMPRESSED_SRGB8_ALPHA8_ASTC_12x12, 0, 0, 13, 12, 1, 32},
        {GL_COMPRESSED_RGBA_ASTC_5x4, 0, 0, 5, 5, 1, 32},
        {GL_RGB8, GL_RGB, GL_UNSIGNED_BYTE, 10, 10, 1, 400},
        {GL_RGB16F, 0, 0, 1, 1, 1, 8},
        {GL_RGB32F, 0, 0, 1, 1, 1, 16},
        {GL_STENCIL_INDEX8, 0, 0, 2, 2, 2, 8},
        {GL_RGB, GL_RGB, GL_UNSIGNED_BYTE, 10, 10, 1, 400},
        {GL_RGBA, GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4, 2, 2, 1, 8},
        {GL_LUMINANCE, GL_LUMINANCE, GL_UNSIGNED_BYTE, 3, 3, 1, 9},
        {GL_RGBA, 0, 0, 2, 2, 1, 16},
        {GL_RGBA, GL_BGRA_EXT, GL_UNSIGNED_BYTE, 2, 2, 1, 16},
        // Sizes below 1 count as 0, depths below 2 as 1.
        {GL_RGBA8, 0, 0, -4, 4, 1, 0},
        {GL_RGBA8, 0, 0, 4, 0, 1, 0},
        {GL_RGBA8, 0, 0, 2, 2, -3, 16},
        // Too large to count.
        {GL_RGBA32F, 0, 0, INT32_MAX, INT32_MAX, INT32_MAX, UINT64_MAX},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(VLGLImageBytes(row.internalformat, row.format, row.type, row.width, row.height, row.depth),
                  row.bytes)
            << std::hex << row.internalformat << std::dec << " " << row.width << " × " << row.height;
    }
}

} // namespace
