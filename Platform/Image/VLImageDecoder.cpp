#include "Platform/Image/VLImageDecoder.h"

#include "Platform/Image/VLExifOrientationReader.h"
#include "Platform/Image/VLGIFDecoder.h"
#include "Platform/Image/VLJPEGDecoder.h"
#include "Platform/Image/VLPNGDecoder.h"
#include "Platform/Image/VLWebPDecoder.h"

#include <algorithm>
#include <cstddef>
#include <new>
#include <string_view>
#include <vector>

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

// Turns and mirrors the pixels in place, as the orientation says, so that a picture never costs a
// second bitmap: each pixel is pulled from where the walk says, along the cycles of that rearrangement,
// with a bit per pixel (1/32 of the bitmap) marking the places already filled.
std::shared_ptr<VLBitmap> oriented(std::shared_ptr<VLBitmap> bitmap, VLImageOrientation orientation,
                                   VLErrorRef* error) {
    const bool swaps = VLImageOrientationSwapsSides(orientation);
    const size_t sourceWidth = bitmap->width(), sourceHeight = bitmap->height();
    const size_t width = swaps ? sourceHeight : sourceWidth;
    const size_t count = sourceWidth * sourceHeight;
    std::vector<uint64_t> filled;
    try {
        filled.resize((count + 63) / 64);
    } catch (const std::bad_alloc&) {
        VLImageDecoderSetError(error, VLImageDecoderErrorTooLarge, "no memory to turn the image");
        return nullptr;
    }
    // In pixels of the source.
    const OrientationWalk walk = walkFor(orientation);
    const ptrdiff_t stepRight = walk.stepRightX + walk.stepRightY * ptrdiff_t(sourceWidth);
    const ptrdiff_t stepDown = walk.stepDownX + walk.stepDownY * ptrdiff_t(sourceWidth);
    const ptrdiff_t origin = (walk.startsBottom ? ptrdiff_t(sourceHeight) - 1 : 0) * ptrdiff_t(sourceWidth) +
                             (walk.startsRight ? ptrdiff_t(sourceWidth) - 1 : 0);
    // The source of the pixel that the result holds at this index.
    auto sourceOf = [&](size_t index) {
        return size_t(origin + ptrdiff_t(index / width) * stepDown + ptrdiff_t(index % width) * stepRight);
    };
    auto* pixels = reinterpret_cast<uint32_t*>(bitmap->mutableBytes());
    for (size_t start = 0; start < count; ++start) {
        if (filled[start / 64] & (uint64_t(1) << (start % 64)))
            continue;
        const uint32_t first = pixels[start];
        size_t place = start;
        for (;;) {
            filled[place / 64] |= uint64_t(1) << (place % 64);
            const size_t from = sourceOf(place);
            if (from == start) {
                pixels[place] = first;
                break;
            }
            pixels[place] = pixels[from];
            place = from;
        }
    }
    if (swaps)
        bitmap->swapWidthAndHeight();
    return bitmap;
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
    return orientation == VLImageOrientation::TopLeft ? bitmap
                                                      : oriented(std::move(bitmap), orientation, error);
}
