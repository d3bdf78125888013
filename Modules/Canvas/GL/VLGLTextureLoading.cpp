// VLGLTexture: reading pixels from paths, data URIs and pictures, at once or lazily.
#include "Modules/Canvas/GL/VLGLTexture.h"

#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Modules/Canvas/GL/VLGLPVRHeader.h"
#include "Modules/Canvas/GL/VLGLTextureMaxSize.h"
#include "Modules/Canvas/GL/VLGLTexturePixels.h"
#include "Platform/Foundation/VLDataURI.h"
#include "Platform/Foundation/VLFileIO.h"
#include "Platform/Foundation/VLPath.h"
#include "Platform/Foundation/VLUnicode.h"
#include "Platform/Image/VLImageDecoder.h"

#include <utility>

namespace {

bool hasScheme(std::string_view path, std::string_view scheme) {
    return path.size() >= scheme.size() && VLASCIILowercaseString(path.substr(0, scheme.size())) == scheme;
}

// Pictures are decoded within the image component's limit (the decoder's default, 16384 a side and
// VLImageMaximumPixelCount in all), so that a few bytes claiming a huge size fail from their header
// before any pixel memory is taken.
std::shared_ptr<const VLBitmap> decodePicture(std::span<const uint8_t> bytes) {
    return VLImageDecoder::decode(bytes);
}

// The bytes, kept alive by their data.
VLGLPixelData pixelDataOf(VLData data) {
    auto owner = std::make_shared<const VLData>(std::move(data));
    return {owner, std::span<const uint8_t>(owner->data(), owner->size())};
}

// Premultiplied RGBA pixels of the bitmap: its own when it holds them, else a converted copy.
VLGLPixelData premultipliedRGBAOf(const std::shared_ptr<const VLBitmap>& image) {
    const std::span<const uint8_t> bytes(image->bytes(), image->byteCount());
    if (image->byteOrder() == VLBitmapByteOrder::RGBA && image->alpha() == VLBitmapAlpha::Premultiplied)
        return {image, bytes};
    VLData converted(bytes.begin(), bytes.end());
    if (image->byteOrder() == VLBitmapByteOrder::BGRA) {
        for (size_t offset = 0; offset + 4 <= converted.size(); offset += 4)
            std::swap(converted[offset], converted[offset + 2]);
    }
    if (image->alpha() == VLBitmapAlpha::Straight)
        VLGLTexturePremultiplyPixels(converted.data(), converted.size(), GL_RGBA, converted.data());
    return pixelDataOf(std::move(converted));
}

} // namespace

std::optional<VLGLPixelData> VLGLTexture::loadPixelsFromPath(const std::string& path) {
    if (path.empty() || hasScheme(path, "http://") || hasScheme(path, "https://"))
        return std::nullopt;
    if (hasScheme(path, "data:"))
        return loadPixelsFromDataURI(path);
    if (VLPathExtension(path) == "pvr")
        return loadPixelsFromPVRFile(path);
    const std::optional<VLData> bytes = contentsOfFile(path);
    std::shared_ptr<const VLBitmap> image = bytes ? decodePicture(*bytes) : nullptr;
    if (!image) {
        VLEGLContext::vllog_error("Error Loading image from Path: %@", path);
        return std::nullopt;
    }
    return loadPixelsFromImage(image);
}

std::optional<VLGLPixelData> VLGLTexture::loadPixelsFromDataURI(const std::string& uri) {
    const std::optional<VLData> bytes = VLDataURI::dataWithContentsOfURI(uri, VLDataURI::Decoding::Strict);
    std::shared_ptr<const VLBitmap> image = bytes ? decodePicture(*bytes) : nullptr;
    if (!image) {
        VLEGLContext::vllog_error("Error Loading image from Data URI: %@", uri);
        return std::nullopt;
    }
    return loadPixelsFromImage(image);
}

std::optional<VLGLPixelData> VLGLTexture::loadPixelsFromPVRFile(const std::string& path) {
    std::optional<VLData> bytes = contentsOfFile(path);
    if (!bytes) {
        VLEGLContext::vllog_error("Error Loading image from Path: %@", path);
        return std::nullopt;
    }
    const std::optional<VLGLPVRHeader> header = VLGLPVRHeader::read(*bytes);
    // The sides are checked as the file gives them, before they are narrowed to the size fields.
    if (!header || header->width == 0 || header->height == 0 || !sidesFit(header->width, header->height)) {
        VLEGLContext::vllog_error("Error Loading image from Path: %@, not a valid PVR file", path);
        return std::nullopt;
    }
    setSize(int32_t(header->width), int32_t(header->height));
    _isCompressed = true;
    return pixelDataOf(std::move(*bytes));
}

std::optional<VLGLPixelData> VLGLTexture::loadPixelsFromImage(const std::shared_ptr<const VLBitmap>& image) {
    if (!image)
        return std::nullopt;
    if (!sidesFitOrWarn(image->width(), image->height()))
        return std::nullopt;
    setSize(int32_t(image->width()), int32_t(image->height()));
    return premultipliedRGBAOf(image);
}

std::optional<VLData> VLGLTexture::contentsOfFile(const std::string& path) const {
    return _fileReader ? _fileReader(path) : VLContentsOfFile(path);
}

bool VLGLTexture::isLoadableLazily() const {
    return !_textureStorage && _lazyLoaded && _fullPath.size() >= 2;
}

void VLGLTexture::ensureLoaded() {
    if (!isLoadableLazily())
        return;
    if (std::optional<VLGLPixelData> pixels = loadPixelsFromPath(_fullPath))
        createWithPixels(pixels->bytes, GL_RGBA);
}

void VLGLTexture::ensureDimensions() {
    if (_dimensionsKnown || !isLoadableLazily())
        return;
    if (VLEGLContext::currentContext())
        ensureLoaded();
    else
        measureWithoutContext();
}

void VLGLTexture::measureWithoutContext() {
    const std::optional<VLData> bytes = contentsOfFile(_fullPath);
    const std::optional<VLImageProperties> properties =
        bytes ? VLImageDecoder::probe(*bytes) : std::optional<VLImageProperties>();
    if (!properties)
        return;
    // The size that decoding will give: turned as the picture's orientation says, and known only when
    // the picture can be decoded and uploaded at all.
    const uint32_t width = properties->orientedWidth();
    const uint32_t height = properties->orientedHeight();
    if (width == 0 || height == 0 || !VLImageSizeLimit().allows(width, height) || !sidesFit(width, height))
        return;
    setSize(int32_t(width), int32_t(height));
}
