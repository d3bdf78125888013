#include "Modules/Canvas/GL/VLGLPVRHeader.h"

#include <algorithm>

namespace {

uint32_t wordAt(std::span<const uint8_t> bytes, size_t offset) {
    return uint32_t(bytes[offset]) | uint32_t(bytes[offset + 1]) << 8 | uint32_t(bytes[offset + 2]) << 16 |
           uint32_t(bytes[offset + 3]) << 24;
}

} // namespace

std::optional<VLGLPVRHeader> VLGLPVRHeader::read(std::span<const uint8_t> bytes) {
    if (bytes.size() < kLength)
        return std::nullopt;
    VLGLPVRHeader header;
    header.headerSize = wordAt(bytes, 0);
    header.height = wordAt(bytes, 4);
    header.width = wordAt(bytes, 8);
    header.mipmapCount = wordAt(bytes, 12);
    header.pixelType = bytes[16];
    if (header.headerSize < kLength || header.headerSize > bytes.size())
        return std::nullopt;
    return header;
}

uint64_t VLGLPVRHeader::levelLength(uint32_t width, uint32_t height, bool twoBitsPerPixel) {
    const uint64_t columns = std::max<uint64_t>(2, width / (twoBitsPerPixel ? 8 : 4));
    const uint64_t rows = std::max<uint64_t>(2, height / 4);
    return columns * rows * 8;
}
