#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// The header of a PVRTC image in the legacy PVR layout: 52 bytes of 32-bit little-endian words (header
// size, height, width, mipmap count, then the pixel type in the byte at 16), the levels right after
// the header. Any thread.
struct VLGLPVRHeader {
    static constexpr size_t kLength = 52;
    static constexpr uint8_t kPixelType2BPP = 24;
    static constexpr uint8_t kPixelType4BPP = 25;

    uint32_t headerSize = 0;
    uint32_t height = 0;
    uint32_t width = 0;
    uint32_t mipmapCount = 0;
    uint8_t pixelType = 0;

    // Nothing for bytes shorter than 52, or than the header size the header gives, or a header size
    // below 52.
    static std::optional<VLGLPVRHeader> read(std::span<const uint8_t> bytes);
    // The bytes of a level of those sides: blocks of 8 bytes, 8 × 4 pixels at 2 bits a pixel or 4 × 4
    // at 4, at least 2 × 2 blocks.
    static uint64_t levelLength(uint32_t width, uint32_t height, bool twoBitsPerPixel);
};
