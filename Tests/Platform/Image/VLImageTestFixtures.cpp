#include "Tests/Platform/Image/VLImageTestFixtures.h"

#include <zlib.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

void appendBigEndian(std::vector<uint8_t>& bytes, uint32_t value, int length) {
    for (int shift = (length - 1) * 8; shift >= 0; shift -= 8)
        bytes.push_back(uint8_t(value >> shift));
}

void appendLittleEndian(std::vector<uint8_t>& bytes, uint32_t value, int length) {
    for (int i = 0; i < length; ++i)
        bytes.push_back(uint8_t(value >> (8 * i)));
}

void append(std::vector<uint8_t>& bytes, const std::string& text) {
    bytes.insert(bytes.end(), text.begin(), text.end());
}

} // namespace

std::vector<uint8_t> VLImageFixture(const std::string& name) {
    std::ifstream file(std::string(VELTO_IMAGE_FIXTURES) + "/" + name, std::ios::binary);
    if (!file)
        throw std::runtime_error("no fixture " + name);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> VLExifWithOrientation(uint16_t orientation, bool bigEndian) {
    std::vector<uint8_t> tiff;
    auto put = [&](uint32_t value, int length) {
        bigEndian ? appendBigEndian(tiff, value, length) : appendLittleEndian(tiff, value, length);
    };
    append(tiff, bigEndian ? std::string("MM\0*", 4) : std::string("II*\0", 4));
    put(8, 4); // first directory
    put(1, 2); // one entry
    put(0x0112, 2);
    put(3, 2); // SHORT
    put(1, 4);
    put(orientation, 2);
    put(0, 2);
    put(0, 4); // no next directory
    return tiff;
}

std::vector<uint8_t> VLJPEGWithExif(std::vector<uint8_t> jpeg, const std::vector<uint8_t>& exif) {
    std::vector<uint8_t> segment = {0xFF, 0xE1};
    appendBigEndian(segment, uint32_t(2 + 6 + exif.size()), 2);
    append(segment, std::string("Exif\0\0", 6));
    segment.insert(segment.end(), exif.begin(), exif.end());
    jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
    return jpeg;
}

std::vector<uint8_t> VLPNGWithExif(std::vector<uint8_t> png, const std::vector<uint8_t>& exif) {
    std::vector<uint8_t> chunk;
    appendBigEndian(chunk, uint32_t(exif.size()), 4);
    append(chunk, "eXIf");
    chunk.insert(chunk.end(), exif.begin(), exif.end());
    appendBigEndian(chunk, uint32_t(crc32(0, chunk.data() + 4, uInt(chunk.size() - 4))), 4);
    constexpr size_t kAfterHeader = 8 + 8 + 13 + 4;
    png.insert(png.begin() + kAfterHeader, chunk.begin(), chunk.end());
    return png;
}

std::vector<uint8_t> VLWebPWithExif(const std::vector<uint8_t>& webp, uint32_t width, uint32_t height,
                                    const std::vector<uint8_t>& exif) {
    std::vector<uint8_t> chunks;
    append(chunks, "VP8X");
    appendLittleEndian(chunks, 10, 4);
    appendLittleEndian(chunks, 0x08, 4); // EXIF flag, then three reserved bytes
    appendLittleEndian(chunks, width - 1, 3);
    appendLittleEndian(chunks, height - 1, 3);
    chunks.insert(chunks.end(), webp.begin() + 12, webp.end());
    append(chunks, "EXIF");
    appendLittleEndian(chunks, uint32_t(exif.size()), 4);
    chunks.insert(chunks.end(), exif.begin(), exif.end());
    if (exif.size() % 2)
        chunks.push_back(0);
    std::vector<uint8_t> file;
    append(file, "RIFF");
    appendLittleEndian(file, uint32_t(4 + chunks.size()), 4);
    append(file, "WEBP");
    file.insert(file.end(), chunks.begin(), chunks.end());
    return file;
}
