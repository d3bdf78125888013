#include "Platform/Image/VLImageDecoding.h"

#include "Platform/Foundation/VLStringWithFormat.h"

#include <string>

namespace {

const char* descriptionOf(VLImageDecoderErrorCode code) {
    switch (code) {
    case VLImageDecoderErrorUnknownFormat:
        return "The data is not a PNG, JPEG, GIF or WebP image";
    case VLImageDecoderErrorTruncatedData:
        return "The image data is truncated";
    case VLImageDecoderErrorTooLarge:
        return "The image is too large";
    case VLImageDecoderErrorCorruptData:
        break;
    }
    return "The image data is corrupt";
}

} // namespace

void VLImageDecoderSetError(VLErrorRef* error, VLImageDecoderErrorCode code, std::string_view reason) {
    if (!error)
        return;
    VLDictionary userInfo;
    if (reason.empty()) {
        userInfo.set(VLLocalizedDescriptionKey, VLStringWithFormat("%s.", descriptionOf(code)));
    } else {
        userInfo.set(VLLocalizedDescriptionKey, VLStringWithFormat("%s: %@.", descriptionOf(code), reason));
        userInfo.set(VLLocalizedFailureReasonErrorKey, std::string(reason));
    }
    *error = VLError::make(VLImageDecoderErrorDomain, code, std::move(userInfo));
}

std::shared_ptr<VLBitmap> VLImageMakeBitmap(uint32_t width, uint32_t height, const VLImageSizeLimit& limit,
                                            VLBitmapAlpha alpha, VLBitmapContents contents,
                                            VLErrorRef* error) {
    if (!limit.allows(width, height)) {
        VLImageDecoderSetError(error, VLImageDecoderErrorTooLarge,
                               VLStringWithFormat("%u by %u pixels, beyond %u a side or %llu in all", width,
                                                  height, limit.maximumSide, limit.maximumPixels));
        return nullptr;
    }
    auto bitmap = VLBitmap::make(width, height, VLBitmapByteOrder::RGBA, alpha, contents);
    if (!bitmap)
        VLImageDecoderSetError(error, VLImageDecoderErrorTooLarge,
                               VLStringWithFormat("no memory for %u by %u pixels", width, height));
    return bitmap;
}
