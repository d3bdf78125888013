#include "Platform/Image/VLExifOrientationReader.h"
#include "Tests/Platform/Image/VLImageTestFixtures.h"
#include "Tests/Support/VLTestBytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(VLExifOrientationReaderTests, ReadsTheTagAndFallsBackToTopLeftOnAnythingAmiss) {
    auto withValue = [](uint16_t value, bool bigEndian) { return VLExifWithOrientation(value, bigEndian); };
    auto edited = [](std::vector<uint8_t> exif, size_t at, uint8_t value) {
        exif[at] = value;
        return exif;
    };
    auto exifHeaded = VLTestBytes(std::string("Exif\0\0", 6));
    const auto six = withValue(6, false);
    exifHeaded.insert(exifHeaded.end(), six.begin(), six.end());
    const struct {
        const char* label;
        std::vector<uint8_t> exif;
        VLImageOrientation expected;
    } cases[] = {
        {"little-endian", withValue(8, false), VLImageOrientation::LeftBottom},
        {"big-endian", withValue(3, true), VLImageOrientation::BottomRight},
        {"after the Exif header", exifHeaded, VLImageOrientation::RightTop},
        {"value 0", withValue(0, false), VLImageOrientation::TopLeft},
        {"value 9", withValue(9, false), VLImageOrientation::TopLeft},
        {"another tag", edited(withValue(6, false), 10, 0x13), VLImageOrientation::TopLeft},
        {"a text instead of a number", edited(withValue(6, false), 12, 2), VLImageOrientation::TopLeft},
        {"directory beyond the end", edited(withValue(6, false), 4, 200), VLImageOrientation::TopLeft},
        // The entries that are there are read; the walk stops at the end.
        {"more entries than bytes", edited(withValue(6, false), 8, 0xFF), VLImageOrientation::RightTop},
        {"more entries than bytes, none the tag", edited(edited(withValue(6, false), 8, 0xFF), 10, 0x13),
         VLImageOrientation::TopLeft},
        {"no byte order", edited(withValue(6, false), 0, 'X'), VLImageOrientation::TopLeft},
        {"cut short", std::vector<uint8_t>(six.begin(), six.begin() + 19), VLImageOrientation::TopLeft},
        {"empty", {}, VLImageOrientation::TopLeft},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VLExifOrientationReader::orientationOfExif(c.exif), c.expected) << c.label;
}

TEST(VLExifOrientationReaderTests, FindsTheExifSegmentAmongOtherJPEGSegments) {
    const auto jpeg = VLImageFixture("baseline.jpg");
    // An XMP packet, also in APP1, before the EXIF data.
    auto xmp = VLTestBytes("http://ns.adobe.com/xap/1.0/");
    xmp.push_back(0);
    std::vector<uint8_t> segment = {0xFF, 0xE1, 0, uint8_t(xmp.size() + 2)};
    segment.insert(segment.end(), xmp.begin(), xmp.end());
    auto both = VLJPEGWithExif(jpeg, VLExifWithOrientation(6));
    both.insert(both.begin() + 2, segment.begin(), segment.end());
    EXPECT_EQ(VLExifOrientationReader::orientationOf(VLImageFormat::JPEG, both),
              VLImageOrientation::RightTop);

    // EXIF data after the first scan is not the image's.
    auto late = jpeg;
    const auto exif = VLJPEGWithExif({0xFF, 0xD8}, VLExifWithOrientation(6));
    late.insert(late.end() - 2, exif.begin() + 2, exif.end());
    EXPECT_EQ(VLExifOrientationReader::orientationOf(VLImageFormat::JPEG, late), VLImageOrientation::TopLeft);

    // A segment length running past the end stops the walk.
    auto broken = VLJPEGWithExif(jpeg, VLExifWithOrientation(6));
    broken[4] = 0xFF;
    broken.resize(40);
    EXPECT_EQ(VLExifOrientationReader::orientationOf(VLImageFormat::JPEG, broken),
              VLImageOrientation::TopLeft);
}

} // namespace
