#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The bytes of a file in Tests/Fixtures/images.
std::vector<uint8_t> VLImageFixture(const std::string& name);

// EXIF data as cameras write it: a TIFF structure whose first directory holds one orientation entry.
std::vector<uint8_t> VLExifWithOrientation(uint16_t orientation, bool bigEndian = false);

// The image with the EXIF data added where its format keeps it: an APP1 segment after a JPEG's start
// marker, an eXIf chunk after a PNG's header chunk, an EXIF chunk in a WebP made extended.
std::vector<uint8_t> VLJPEGWithExif(std::vector<uint8_t> jpeg, const std::vector<uint8_t>& exif);
std::vector<uint8_t> VLPNGWithExif(std::vector<uint8_t> png, const std::vector<uint8_t>& exif);
std::vector<uint8_t> VLWebPWithExif(const std::vector<uint8_t>& webp, uint32_t width, uint32_t height,
                                    const std::vector<uint8_t>& exif);
