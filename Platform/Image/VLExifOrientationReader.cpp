#include "Platform/Image/VLExifOrientationReader.h"

#include <cstring>

namespace {

constexpr uint8_t kExifHeader[] = {'E', 'x', 'i', 'f', 0, 0};
constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kShortType = 3;
constexpr uint16_t kLongType = 4;

uint16_t readBigEndian16(const uint8_t* p) {
    return uint16_t(p[0] << 8 | p[1]);
}

uint32_t readBigEndian32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

uint32_t readLittleEndian32(const uint8_t* p) {
    return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

bool startsWith(std::span<const uint8_t> bytes, const void* prefix, size_t length) {
    return bytes.size() >= length && std::memcmp(bytes.data(), prefix, length) == 0;
}

// Reads the TIFF's integers in its own byte order.
class TIFFReader {
public:
    TIFFReader(std::span<const uint8_t> tiff, bool bigEndian) : _tiff(tiff), _bigEndian(bigEndian) {}

    bool has(size_t offset, size_t length) const {
        return offset <= _tiff.size() && length <= _tiff.size() - offset;
    }
    uint16_t read16(size_t offset) const {
        const uint8_t* p = _tiff.data() + offset;
        return _bigEndian ? readBigEndian16(p) : uint16_t(p[1] << 8 | p[0]);
    }
    uint32_t read32(size_t offset) const {
        const uint8_t* p = _tiff.data() + offset;
        return _bigEndian ? readBigEndian32(p) : readLittleEndian32(p);
    }

private:
    std::span<const uint8_t> _tiff;
    bool _bigEndian;
};

} // namespace

VLImageOrientation VLExifOrientationReader::orientationOf(VLImageFormat format,
                                                          std::span<const uint8_t> bytes) {
    switch (format) {
    case VLImageFormat::JPEG:
        return orientationOfExif(exifOfJPEG(bytes));
    case VLImageFormat::PNG:
        return orientationOfExif(exifOfPNG(bytes));
    case VLImageFormat::WebP:
        return orientationOfExif(exifOfWebP(bytes));
    case VLImageFormat::GIF:
        break;
    }
    return VLImageOrientation::TopLeft;
}

VLImageOrientation VLExifOrientationReader::orientationOfExif(std::span<const uint8_t> exif) {
    if (startsWith(exif, kExifHeader, sizeof kExifHeader))
        exif = exif.subspan(sizeof kExifHeader);
    if (exif.size() < 8)
        return VLImageOrientation::TopLeft;
    const bool bigEndian = startsWith(exif, "MM\0*", 4);
    if (!bigEndian && !startsWith(exif, "II*\0", 4))
        return VLImageOrientation::TopLeft;
    const TIFFReader tiff(exif, bigEndian);
    const size_t directory = tiff.read32(4);
    if (!tiff.has(directory, 2))
        return VLImageOrientation::TopLeft;
    const uint16_t entryCount = tiff.read16(directory);
    for (size_t entry = directory + 2, i = 0; i < entryCount && tiff.has(entry, 12); ++i, entry += 12) {
        if (tiff.read16(entry) != kOrientationTag)
            continue;
        const uint16_t type = tiff.read16(entry + 2);
        if (tiff.read32(entry + 4) < 1 || (type != kShortType && type != kLongType))
            break;
        // A value that fits four bytes sits in the entry itself, at its start.
        const uint32_t value = type == kShortType ? tiff.read16(entry + 8) : tiff.read32(entry + 8);
        if (value >= 1 && value <= 8)
            return VLImageOrientation(value);
        break;
    }
    return VLImageOrientation::TopLeft;
}

std::span<const uint8_t> VLExifOrientationReader::exifOfJPEG(std::span<const uint8_t> bytes) {
    size_t position = 2; // after SOI
    while (position + 4 <= bytes.size()) {
        if (bytes[position] != 0xFF)
            break;
        const uint8_t marker = bytes[position + 1];
        if (marker == 0xFF) { // fill byte
            ++position;
            continue;
        }
        position += 2;
        if (marker == 0x01 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7))
            continue; // no length
        if (marker == 0xDA || marker == 0xD9)
            break; // the metadata segments all come before the first scan
        const size_t length = readBigEndian16(&bytes[position]);
        if (length < 2 || length > bytes.size() - position)
            break;
        auto payload = bytes.subspan(position + 2, length - 2);
        if (marker == 0xE1 && startsWith(payload, kExifHeader, sizeof kExifHeader))
            return payload;
        position += length;
    }
    return {};
}

std::span<const uint8_t> VLExifOrientationReader::exifOfPNG(std::span<const uint8_t> bytes) {
    // Chunks after the 8-byte signature: length, type, data, CRC. eXIf may follow the image data in
    // files written before it was required to precede it, so the walk goes to the end.
    size_t position = 8;
    while (position + 12 <= bytes.size()) {
        const size_t length = readBigEndian32(&bytes[position]);
        if (length > bytes.size() - position - 12)
            break;
        const uint8_t* type = &bytes[position + 4];
        if (std::memcmp(type, "eXIf", 4) == 0)
            return bytes.subspan(position + 8, length);
        if (std::memcmp(type, "IEND", 4) == 0)
            break;
        position += 12 + length;
    }
    return {};
}

std::span<const uint8_t> VLExifOrientationReader::exifOfWebP(std::span<const uint8_t> bytes) {
    // RIFF chunks after "RIFF", the file size and "WEBP": four-character code, little-endian length,
    // data padded to an even length.
    size_t position = 12;
    while (position + 8 <= bytes.size()) {
        const size_t length = readLittleEndian32(&bytes[position + 4]);
        if (length > bytes.size() - position - 8)
            break;
        if (std::memcmp(&bytes[position], "EXIF", 4) == 0)
            return bytes.subspan(position + 8, length);
        position += 8 + length + (length & 1);
    }
    return {};
}
