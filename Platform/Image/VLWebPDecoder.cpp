#include "Platform/Image/VLWebPDecoder.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <memory>

namespace {

const char* describe(VP8StatusCode status) {
    switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY:
        return "out of memory";
    case VP8_STATUS_INVALID_PARAM:
        return "invalid parameter";
    case VP8_STATUS_UNSUPPORTED_FEATURE:
        return "unsupported feature";
    default:
        break;
    }
    return "bitstream error";
}

bool fail(VP8StatusCode status, VLErrorRef* error) {
    if (status == VP8_STATUS_NOT_ENOUGH_DATA)
        VLImageDecoderSetError(error, VLImageDecoderErrorTruncatedData);
    else
        VLImageDecoderSetError(error, VLImageDecoderErrorCorruptData, describe(status));
    return false;
}

// Decodes a still image, or one frame's chunks, into the bitmap with its top-left corner at (x, y).
bool decodeInto(std::span<const uint8_t> bytes, VLBitmap& bitmap, uint32_t x, uint32_t y, uint32_t width,
                uint32_t height, VLErrorRef* error) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return fail(VP8_STATUS_INVALID_PARAM, error);
    WebPRGBABuffer& output = config.output.u.RGBA;
    config.output.colorspace = bitmap.alpha() == VLBitmapAlpha::Premultiplied ? MODE_rgbA : MODE_RGBA;
    config.output.is_external_memory = 1;
    output.rgba = bitmap.mutableRow(y) + size_t(x) * 4;
    output.stride = int(bitmap.rowBytes());
    output.size = bitmap.rowBytes() * (height - 1) + size_t(width) * 4;
    const VP8StatusCode status = WebPDecode(bytes.data(), bytes.size(), &config);
    WebPFreeDecBuffer(&config.output);
    return status == VP8_STATUS_OK || fail(status, error);
}

bool decodeFirstFrame(std::span<const uint8_t> bytes, VLBitmap& bitmap, VLErrorRef* error) {
    const WebPData data{bytes.data(), bytes.size()};
    WebPDemuxState state;
    // Partial: the first frame decodes even when later ones are cut off.
    std::unique_ptr<WebPDemuxer, void (*)(WebPDemuxer*)> demuxer(WebPDemuxPartial(&data, &state),
                                                                 WebPDemuxDelete);
    if (!demuxer || state == WEBP_DEMUX_PARSE_ERROR)
        return fail(state == WEBP_DEMUX_PARSING_HEADER ? VP8_STATUS_NOT_ENOUGH_DATA
                                                       : VP8_STATUS_BITSTREAM_ERROR,
                    error);
    WebPIterator frame;
    if (!WebPDemuxGetFrame(demuxer.get(), 1, &frame))
        return fail(VP8_STATUS_NOT_ENOUGH_DATA, error);
    bool decoded = false;
    if (!frame.complete)
        fail(VP8_STATUS_NOT_ENOUGH_DATA, error);
    else
        decoded = decodeInto({frame.fragment.bytes, frame.fragment.size}, bitmap, uint32_t(frame.x_offset),
                             uint32_t(frame.y_offset), uint32_t(frame.width), uint32_t(frame.height), error);
    WebPDemuxReleaseIterator(&frame);
    return decoded;
}

std::optional<WebPBitstreamFeatures> readFeatures(std::span<const uint8_t> bytes, VLErrorRef* error) {
    WebPBitstreamFeatures features;
    const VP8StatusCode status = WebPGetFeatures(bytes.data(), bytes.size(), &features);
    if (status != VP8_STATUS_OK) {
        fail(status, error);
        return std::nullopt;
    }
    return features;
}

} // namespace

std::optional<VLImagePixelSize> VLWebPDecoder::readSize(std::span<const uint8_t> bytes, VLErrorRef* error) {
    auto features = readFeatures(bytes, error);
    if (!features)
        return std::nullopt;
    return VLImagePixelSize{uint32_t(features->width), uint32_t(features->height)};
}

std::shared_ptr<VLBitmap> VLWebPDecoder::decode(std::span<const uint8_t> bytes, const VLImageSizeLimit& limit,
                                                VLBitmapAlpha alpha, VLErrorRef* error) {
    auto features = readFeatures(bytes, error);
    if (!features)
        return nullptr;
    const uint32_t width = uint32_t(features->width);
    const uint32_t height = uint32_t(features->height);
    // An animation's first frame may cover only part of the canvas.
    auto bitmap = VLImageMakeBitmap(
        width, height, limit, alpha,
        features->has_animation ? VLBitmapContents::Transparent : VLBitmapContents::Unset, error);
    if (!bitmap)
        return nullptr;
    const bool decoded = features->has_animation ? decodeFirstFrame(bytes, *bitmap, error)
                                                 : decodeInto(bytes, *bitmap, 0, 0, width, height, error);
    return decoded ? bitmap : nullptr;
}
