#include "Platform/Image/VLImageDecoder.h"

#include "Platform/Image/VLExifOrientationReader.h"
#include "Platform/Image/VLGIFDecoder.h"
#include "Platform/Image/VLJPEGDecoder.h"
#include "Platform/Image/VLPNGDecoder.h"
#include "Platform/Image/VLWebPDecoder.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace {

struct Codec {
    VLImageFormat format;
    // The first bytes of every file of the format; WebP's has four bytes of any value at 4.
    std::string_view signature;
    std::optional<VLImagePixelSize> (*readSize)(std::span<const uint8_t>, VLErrorRef*);
    std::shared_ptr<VLBitmap> (*decode)(std::span<const uint8_t>, const VLImageSizeLimit&, VLBitmapAlpha,
                                        VLErrorRef*);
};

using namespace std::string_view_literals;

const Codec kCodecs[] = {
    {VLImageFormat::PNG, "\x89PNG\r\n\x1a\n"sv, VLPNGDecoder::readSize, VLPNGDecoder::decode},
    {VLImageFormat::JPEG, "\xff\xd8\xff"sv, VLJPEGDecoder::readSize, VLJPEGDecoder::decode},
    {VLImageFormat::GIF, "GIF8"sv, VLGIFDecoder::readSize, VLGIFDecoder::decode},
    {VLImageFormat::WebP, "RIFF????WEBP"sv, VLWebPDecoder::readSize, VLWebPDecoder::decode},
};

// Whether the bytes agree with the signature as far as both go.
bool matchesSignature(std::span<const uint8_t> bytes, std::string_view signature) {
    const size_t length = std::min(bytes.size(), signature.size());
    for (size_t i = 0; i < length; ++i) {
        if (signature[i] != '?' && uint8_t(signature[i]) != bytes[i])
            return false;
    }
    return true;
}

// The codec whose signature the bytes start with. Bytes that stop inside a signature are truncated.
const Codec* codecFor(std::span<const uint8_t> bytes, VLErrorRef* error) {
    for (const Codec& codec : kCodecs) {
        if (bytes.empty() || !matchesSignature(bytes, codec.signature))
            continue;
        if (bytes.size() >= codec.signature.size())
            return &codec;
        VLImageDecoderSetError(error, VLImageDecoderErrorTruncatedData);
        return nullptr;
    }
    VLImageDecoderSetError(error, VLImageDecoderErrorUnknownFormat);
    return nullptr;
}

// Where the pixels of the oriented image come from: the source pixel shown at (0, 0), and the steps in
// the source, as (column, row), for a step right and a step down in the result.
struct OrientationWalk {
    bool startsRight, startsBottom;
    int stepRightX, stepRightY;
    int stepDownX, stepDownY;
};

OrientationWalk walkFor(VLImageOrientation orientation) {
    switch (orientation) {
    case VLImageOrientation::TopLeft:
        break;
    case VLImageOrientation::TopRight:
        return {true, false, -1, 0, 0, 1};
    case VLImageOrientation::BottomRight:
        return {true, true, -1, 0, 0, -1};
    case VLImageOrientation::BottomLeft:
        return {false, true, 1, 0, 0, -1};
    case VLImageOrientation::LeftTop:
        return {false, false, 0, 1, 1, 0};
    case VLImageOrientation::RightTop:
        return {false, true, 0, -1, 1, 0};
    case VLImageOrientation::RightBottom:
        return {true, true, 0, -1, -1, 0};
    case VLImageOrientation::LeftBottom:
        return {true, false, 0, 1, -1, 0};
    }
    return {false, false, 1, 0, 0, 1};
}

std::shared_ptr<VLBitmap> oriented(const VLBitmap& source, VLImageOrientation orientation,
                                   VLErrorRef* error) {
    const bool swaps = VLImageOrientationSwapsSides(orientation);
    const uint32_t width = swaps ? source.height() : source.width();
    const uint32_t height = swaps ? source.width() : source.height();
    auto result = VLBitmap::make(width, height, source.byteOrder(), source.alpha(), VLBitmapContents::Unset);
    if (!result) {
        VLImageDecoderSetError(error, VLImageDecoderErrorTooLarge, "no memory to turn the image");
        return nullptr;
    }
    // In pixels of the source.
    const OrientationWalk walk = walkFor(orientation);
    const ptrdiff_t sourceWidth = source.width();
    const ptrdiff_t stepRight = walk.stepRightX + walk.stepRightY * sourceWidth;
    const ptrdiff_t stepDown = walk.stepDownX + walk.stepDownY * sourceWidth;
    ptrdiff_t rowStart = (walk.startsBottom ? ptrdiff_t(source.height()) - 1 : 0) * sourceWidth +
                         (walk.startsRight ? sourceWidth - 1 : 0);
    for (uint32_t y = 0; y < height; ++y, rowStart += stepDown) {
        uint8_t* into = result->mutableRow(y);
        ptrdiff_t from = rowStart;
        for (uint32_t x = 0; x < width; ++x, from += stepRight, into += 4)
            std::memcpy(into, source.bytes() + from * 4, 4);
    }
    return result;
}

} // namespace

std::optional<VLImageProperties> VLImageDecoder::probe(std::span<const uint8_t> bytes, VLErrorRef* error) {
    const Codec* codec = codecFor(bytes, error);
    if (!codec)
        return std::nullopt;
    auto size = codec->readSize(bytes, error);
    if (!size)
        return std::nullopt;
    return VLImageProperties{codec->format, size->width, size->height,
                             VLExifOrientationReader::orientationOf(codec->format, bytes)};
}

std::shared_ptr<VLBitmap> VLImageDecoder::decode(std::span<const uint8_t> bytes,
                                                 const VLImageDecodeOptions& options, VLErrorRef* error) {
    const Codec* codec = codecFor(bytes, error);
    if (!codec)
        return nullptr;
    auto bitmap = codec->decode(bytes, options.sizeLimit, options.alpha, error);
    if (!bitmap || !options.appliesOrientation)
        return bitmap;
    const VLImageOrientation orientation = VLExifOrientationReader::orientationOf(codec->format, bytes);
    return orientation == VLImageOrientation::TopLeft ? bitmap : oriented(*bitmap, orientation, error);
}
