#include "Platform/Image/VLGIFDecoder.h"
#include "Platform/Image/VLImageDecoder.h"
#include "Platform/Image/VLJPEGDecoder.h"
#include "Platform/Image/VLPNGDecoder.h"
#include "Platform/Image/VLWebPDecoder.h"
#include "Tests/Platform/Image/VLImageTestFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace {

using RGBA = std::array<int, 4>;

constexpr RGBA kRed = {255, 0, 0, 255};
constexpr RGBA kGreen = {0, 255, 0, 255};
constexpr RGBA kBlue = {0, 0, 255, 255};
constexpr RGBA kWhite = {255, 255, 255, 255};
constexpr RGBA kClear = {0, 0, 0, 0};

RGBA pixelAt(const VLBitmap& bitmap, uint32_t x, uint32_t y) {
    const uint8_t* pixel = bitmap.row(y) + x * 4;
    return {pixel[0], pixel[1], pixel[2], pixel[3]};
}

bool near(const RGBA& a, const RGBA& b, int tolerance) {
    for (size_t i = 0; i < 4; ++i) {
        if (std::abs(a[i] - b[i]) > tolerance)
            return false;
    }
    return true;
}

std::string describe(const RGBA& p) {
    return "(" + std::to_string(p[0]) + ", " + std::to_string(p[1]) + ", " + std::to_string(p[2]) + ", " +
           std::to_string(p[3]) + ")";
}

std::shared_ptr<VLBitmap> decodeOrFail(const std::vector<uint8_t>& bytes,
                                       const VLImageDecodeOptions& options = {}) {
    VLErrorRef error;
    auto bitmap = VLImageDecoder::decode(bytes, options, &error);
    EXPECT_TRUE(bitmap) << (error ? error->localizedDescription() : "no error");
    return bitmap;
}

int64_t errorCodeOfDecoding(const std::vector<uint8_t>& bytes, const VLImageDecodeOptions& options = {}) {
    VLErrorRef error;
    if (VLImageDecoder::decode(bytes, options, &error))
        return 0;
    EXPECT_TRUE(error);
    if (!error)
        return -1;
    EXPECT_EQ(error->domain(), VLImageDecoderErrorDomain);
    return error->code();
}

struct Point {
    uint32_t x, y;
    RGBA premultiplied;
};

struct FixtureCase {
    const char* name;
    VLImageFormat format;
    uint32_t width, height;
    int tolerance; // for lossy formats
    std::vector<Point> points;
};

// The quadrants' centres of the 32 by 32 fixtures.
std::vector<Point> quadrants(RGBA topLeft, RGBA topRight, RGBA bottomLeft, RGBA bottomRight) {
    return {{8, 8, topLeft}, {24, 8, topRight}, {8, 24, bottomLeft}, {24, 24, bottomRight}};
}

const std::vector<FixtureCase>& fixtureCases() {
    // Half-transparent green premultiplied; transparent blue becomes transparent black.
    const RGBA halfGreen = {0, 128, 0, 128};
    static const std::vector<FixtureCase> cases = {
        {"palette.png", VLImageFormat::PNG, 32, 32, 0, quadrants(kRed, kGreen, kBlue, kWhite)},
        {"grey.png", VLImageFormat::PNG, 32, 32, 0,
         quadrants({0, 0, 0, 255}, {85, 85, 85, 255}, {170, 170, 170, 255}, kWhite)},
        // 16-bit samples round: 0x01FF is 2, 0x8080 is 128.
        {"grey16.png", VLImageFormat::PNG, 32, 32, 0,
         quadrants({0, 0, 0, 255}, {2, 2, 2, 255}, {128, 128, 128, 255}, kWhite)},
        {"alpha.png", VLImageFormat::PNG, 32, 32, 0, quadrants(kRed, halfGreen, kClear, kWhite)},
        {"interlaced.png",
         VLImageFormat::PNG,
         32,
         32,
         0,
         {{0, 0, kRed},
          {31, 0, halfGreen},
          {1, 31, kClear},
          {31, 31, kWhite},
          {15, 15, kRed},
          {16, 16, kWhite}}},
        {"baseline.jpg", VLImageFormat::JPEG, 32, 32, 8, quadrants(kRed, kGreen, kBlue, kWhite)},
        {"progressive.jpg", VLImageFormat::JPEG, 32, 32, 8, quadrants(kRed, kGreen, kBlue, kWhite)},
        {"cmyk.jpg", VLImageFormat::JPEG, 32, 32, 8, quadrants(kRed, kGreen, kBlue, kWhite)},
        // The transparent colour is the bottom-right quadrant's; the rows are interlaced.
        {"transparent.gif",
         VLImageFormat::GIF,
         16,
         16,
         0,
         {{0, 0, kRed},
          {15, 0, kGreen},
          {0, 7, kRed},
          {0, 8, kBlue},
          {7, 15, kBlue},
          {8, 8, kClear},
          {15, 15, kClear}}},
        // The first frame is green, 8 by 8 at (4, 4); the second, blue over everything, is not shown.
        {"animated.gif",
         VLImageFormat::GIF,
         16,
         16,
         0,
         {{3, 3, kClear}, {4, 4, kGreen}, {11, 11, kGreen}, {12, 12, kClear}, {15, 0, kClear}}},
        {"lossy.webp", VLImageFormat::WebP, 32, 32, 8, quadrants(kRed, kGreen, kBlue, kWhite)},
        {"lossless.webp", VLImageFormat::WebP, 32, 32, 0, quadrants(kRed, halfGreen, kClear, kWhite)},
        {"animated.webp", VLImageFormat::WebP, 32, 32, 0, {{0, 0, kGreen}, {31, 31, kGreen}}},
    };
    return cases;
}

TEST(VLImageDecoderTests, FixturesGiveTheirSizeAndPixels) {
    for (const FixtureCase& c : fixtureCases()) {
        SCOPED_TRACE(c.name);
        const auto bytes = VLImageFixture(c.name);
        auto properties = VLImageDecoder::probe(bytes);
        ASSERT_TRUE(properties);
        EXPECT_EQ(properties->format, c.format);
        EXPECT_EQ(properties->pixelWidth, c.width);
        EXPECT_EQ(properties->pixelHeight, c.height);
        EXPECT_EQ(properties->orientation, VLImageOrientation::TopLeft);

        auto bitmap = decodeOrFail(bytes);
        ASSERT_TRUE(bitmap);
        EXPECT_EQ(bitmap->width(), c.width);
        EXPECT_EQ(bitmap->height(), c.height);
        EXPECT_EQ(bitmap->rowBytes(), c.width * 4);
        EXPECT_EQ(bitmap->byteOrder(), VLBitmapByteOrder::RGBA);
        EXPECT_EQ(bitmap->alpha(), VLBitmapAlpha::Premultiplied);
        for (const Point& point : c.points) {
            const RGBA actual = pixelAt(*bitmap, point.x, point.y);
            EXPECT_TRUE(near(actual, point.premultiplied, c.tolerance))
                << "at (" << point.x << ", " << point.y << "): " << describe(actual) << ", expected "
                << describe(point.premultiplied);
        }
    }
}

TEST(VLImageDecoderTests, StraightAlphaKeepsTheColoursUnderTransparency) {
    VLImageDecodeOptions options;
    options.alpha = VLBitmapAlpha::Straight;
    for (const char* name : {"alpha.png", "lossless.webp"}) {
        SCOPED_TRACE(name);
        auto bitmap = decodeOrFail(VLImageFixture(name), options);
        ASSERT_TRUE(bitmap);
        EXPECT_EQ(bitmap->alpha(), VLBitmapAlpha::Straight);
        EXPECT_EQ(pixelAt(*bitmap, 8, 8), kRed);
        EXPECT_EQ(pixelAt(*bitmap, 24, 8), (RGBA{0, 255, 0, 128}));
        EXPECT_EQ(pixelAt(*bitmap, 8, 24), (RGBA{0, 0, 255, 0}));
    }
}

// The "wide" fixtures are 48 by 32: red, green over blue, white. Each orientation shows a known colour
// at each corner.
TEST(VLImageDecoderTests, EXIFOrientationsTurnAndMirrorInEachContainer) {
    const struct {
        uint16_t orientation;
        uint32_t width, height;
        RGBA topLeft, topRight, bottomLeft, bottomRight;
    } orientations[] = {
        {1, 48, 32, kRed, kGreen, kBlue, kWhite}, {2, 48, 32, kGreen, kRed, kWhite, kBlue},
        {3, 48, 32, kWhite, kBlue, kGreen, kRed}, {4, 48, 32, kBlue, kWhite, kRed, kGreen},
        {5, 32, 48, kRed, kBlue, kGreen, kWhite}, {6, 32, 48, kBlue, kRed, kWhite, kGreen},
        {7, 32, 48, kWhite, kGreen, kBlue, kRed}, {8, 32, 48, kGreen, kWhite, kRed, kBlue},
    };
    const struct {
        const char* name;
        std::vector<uint8_t> (*withExif)(const std::vector<uint8_t>&, const std::vector<uint8_t>&);
        int tolerance;
    } containers[] = {
        {"wide.jpg",
         [](const std::vector<uint8_t>& image, const std::vector<uint8_t>& exif) {
             return VLJPEGWithExif(image, exif);
         },
         8},
        {"wide.png",
         [](const std::vector<uint8_t>& image, const std::vector<uint8_t>& exif) {
             return VLPNGWithExif(image, exif);
         },
         0},
        {"wide.webp",
         [](const std::vector<uint8_t>& image, const std::vector<uint8_t>& exif) {
             return VLWebPWithExif(image, 48, 32, exif);
         },
         0},
    };
    for (const auto& container : containers) {
        const auto image = VLImageFixture(container.name);
        for (const auto& o : orientations) {
            SCOPED_TRACE(std::string(container.name) + " orientation " + std::to_string(o.orientation));
            const auto bytes =
                container.withExif(image, VLExifWithOrientation(o.orientation, o.orientation % 2));
            auto properties = VLImageDecoder::probe(bytes);
            ASSERT_TRUE(properties);
            EXPECT_EQ(properties->orientation, VLImageOrientation(o.orientation));
            EXPECT_EQ(properties->pixelWidth, 48u);
            EXPECT_EQ(properties->orientedWidth(), o.width);
            EXPECT_EQ(properties->orientedHeight(), o.height);

            auto bitmap = decodeOrFail(bytes);
            ASSERT_TRUE(bitmap);
            ASSERT_EQ(bitmap->width(), o.width);
            ASSERT_EQ(bitmap->height(), o.height);
            const uint32_t right = o.width - 1, bottom = o.height - 1;
            EXPECT_TRUE(near(pixelAt(*bitmap, 0, 0), o.topLeft, container.tolerance));
            EXPECT_TRUE(near(pixelAt(*bitmap, right, 0), o.topRight, container.tolerance));
            EXPECT_TRUE(near(pixelAt(*bitmap, 0, bottom), o.bottomLeft, container.tolerance));
            EXPECT_TRUE(near(pixelAt(*bitmap, right, bottom), o.bottomRight, container.tolerance));

            VLImageDecodeOptions asStored;
            asStored.appliesOrientation = false;
            auto stored = decodeOrFail(bytes, asStored);
            ASSERT_TRUE(stored);
            EXPECT_EQ(stored->width(), 48u);
            EXPECT_TRUE(near(pixelAt(*stored, 47, 0), kGreen, container.tolerance));
        }
    }
}

// Every prefix of every fixture either fails as truncated or, when all that the pixels need is there,
// gives the whole file's pixels: never a picture filled in with made-up rows.
TEST(VLImageDecoderTests, TruncatedDataFailsAsTruncated) {
    for (const FixtureCase& c : fixtureCases()) {
        SCOPED_TRACE(c.name);
        const auto whole = VLImageFixture(c.name);
        auto expected = decodeOrFail(whole);
        ASSERT_TRUE(expected);
        for (size_t length = 0; length < whole.size(); ++length) {
            const std::vector<uint8_t> prefix(whole.begin(), whole.begin() + ptrdiff_t(length));
            VLErrorRef error;
            auto bitmap = VLImageDecoder::decode(prefix, {}, &error);
            if (bitmap) {
                ASSERT_EQ(bitmap->byteCount(), expected->byteCount()) << "prefix of " << length;
                EXPECT_EQ(std::memcmp(bitmap->bytes(), expected->bytes(), expected->byteCount()), 0)
                    << "prefix of " << length;
                continue;
            }
            ASSERT_TRUE(error);
            const int64_t expectedCode =
                length == 0 ? VLImageDecoderErrorUnknownFormat : VLImageDecoderErrorTruncatedData;
            EXPECT_EQ(error->code(), expectedCode)
                << "prefix of " << length << ": " << error->localizedDescription();
            EXPECT_FALSE(VLImageDecoder::probe(prefix) && length < 8) << "prefix of " << length;
        }
    }
}

TEST(VLImageDecoderTests, GarbageFailsWithAReason) {
    const std::vector<uint8_t> text = {'h', 'e', 'l', 'l', 'o', ',', ' ', 'w', 'o', 'r', 'l', 'd'};
    EXPECT_EQ(errorCodeOfDecoding(text), VLImageDecoderErrorUnknownFormat);
    VLErrorRef error;
    EXPECT_FALSE(VLImageDecoder::probe(text, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), VLImageDecoderErrorUnknownFormat);
    EXPECT_EQ(error->localizedDescription(), "The data is not a PNG, JPEG, GIF or WebP image.");

    // A signature followed by noise: the reader's own words say what broke.
    for (const char* name : {"alpha.png", "baseline.jpg", "transparent.gif", "lossless.webp"}) {
        SCOPED_TRACE(name);
        auto bytes = VLImageFixture(name);
        uint32_t noise = 12345;
        for (size_t i = 16; i < bytes.size(); ++i) {
            noise = noise * 1103515245 + 12345;
            bytes[i] = uint8_t(noise >> 16);
        }
        const int64_t code = errorCodeOfDecoding(bytes);
        EXPECT_TRUE(code == VLImageDecoderErrorCorruptData || code == VLImageDecoderErrorTruncatedData)
            << code;
    }
}

TEST(VLImageDecoderTests, ImagesBeyondTheLimitAreRefused) {
    const auto png = VLImageFixture("alpha.png"); // 32 by 32
    const struct {
        uint32_t maximumSide;
        uint64_t maximumPixels;
        bool decodes;
    } limits[] = {{32, 1024, true}, {31, 1024, false}, {32, 1023, false}};
    for (const auto& limit : limits) {
        VLImageDecodeOptions options;
        options.sizeLimit = {limit.maximumSide, limit.maximumPixels};
        EXPECT_EQ(errorCodeOfDecoding(png, options),
                  limit.decodes ? int64_t(0) : int64_t(VLImageDecoderErrorTooLarge))
            << limit.maximumSide << " a side, " << limit.maximumPixels << " in all";
    }

    // A GIF whose screen claims 65535 by 65535 pixels is refused under the default limit, though its
    // size can be read.
    auto gif = VLImageFixture("transparent.gif");
    gif[6] = gif[7] = gif[8] = gif[9] = 0xFF;
    auto properties = VLImageDecoder::probe(gif);
    ASSERT_TRUE(properties);
    EXPECT_EQ(properties->pixelWidth, 65535u);
    VLErrorRef error;
    EXPECT_FALSE(VLImageDecoder::decode(gif, {}, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), VLImageDecoderErrorTooLarge);
    EXPECT_EQ(error->localizedDescription(),
              "The image is too large: 65535 by 65535 pixels, beyond 16384 a side or 67108864 in all.");

    // Bombs of under a hundred bytes, each side within the limit but not their product: refused from the
    // header, however small their frames, before any pixel memory is taken. An animation whose canvas is
    // 16384 by 16384, and a GIF whose 16 by 16 frame sits on a 16384 by 8192 screen.
    auto gifBomb = VLImageFixture("transparent.gif");
    const uint8_t screen[] = {0x00, 0x40, 0x00, 0x20}; // 0x4000 by 0x2000, low byte first
    std::copy(std::begin(screen), std::end(screen), gifBomb.begin() + 6);
    const struct {
        std::vector<uint8_t> bytes;
        std::string size;
    } bombs[] = {
        {{'R', 'I', 'F', 'F', 22, 0,    0, 0, 'W', 'E',  'B',  'P', 'V',  'P',  '8',
          'X', 10,  0,   0,   0,  0x02, 0, 0, 0,   0xFF, 0x3F, 0,   0xFF, 0x3F, 0},
         "16384 by 16384"},
        {gifBomb, "16384 by 8192"},
    };
    for (const auto& bomb : bombs) {
        error = nullptr;
        EXPECT_FALSE(VLImageDecoder::decode(bomb.bytes, {}, &error)) << bomb.size;
        ASSERT_TRUE(error) << bomb.size;
        EXPECT_EQ(error->code(), VLImageDecoderErrorTooLarge) << bomb.size;
        EXPECT_EQ(error->localizedDescription(), "The image is too large: " + bomb.size +
                                                     " pixels, beyond 16384 a side or 67108864 in all.");
    }
}

// Each reader on its own, as the fuzz targets call them: nothing to read is an error, not a crash.
template <typename Decoder>
void expectEmptyDataRefused() {
    VLErrorRef error;
    EXPECT_FALSE(Decoder::readSize({}, &error));
    EXPECT_TRUE(error);
    error = nullptr;
    EXPECT_FALSE(Decoder::decode({}, {}, VLBitmapAlpha::Premultiplied, &error));
    EXPECT_TRUE(error);
}

TEST(VLImageDecoderTests, EachReaderRefusesEmptyData) {
    expectEmptyDataRefused<VLPNGDecoder>();
    expectEmptyDataRefused<VLJPEGDecoder>();
    expectEmptyDataRefused<VLGIFDecoder>();
    expectEmptyDataRefused<VLWebPDecoder>();
}

} // namespace
