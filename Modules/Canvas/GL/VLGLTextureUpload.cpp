// VLGLTexture: putting pixels on the GPU.
#include "Modules/Canvas/GL/VLGLTexture.h"

#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Modules/Canvas/GL/VLGLImageBytes.h"
#include "Modules/Canvas/GL/VLGLPVRHeader.h"
#include "Modules/Canvas/GL/VLGLPixelStore.h"
#include "Modules/Canvas/GL/VLGLWrappers.h"
#include "Platform/Graphics/VLGLLoader.h"

#include <algorithm>

namespace {

// The binding that an upload to the target changes and puts back: GL_TEXTURE_2D's, or the cube map's
// for its faces.
class TextureBindingScope {
public:
    explicit TextureBindingScope(GLenum target)
        : _target(target == GL_TEXTURE_2D ? GL_TEXTURE_2D : GL_TEXTURE_CUBE_MAP) {
        glGetIntegerv(_target == GL_TEXTURE_2D ? GL_TEXTURE_BINDING_2D : GL_TEXTURE_BINDING_CUBE_MAP,
                      &_texture);
    }
    ~TextureBindingScope() { glBindTexture(_target, GLuint(_texture)); }
    TextureBindingScope(const TextureBindingScope&) = delete;
    TextureBindingScope& operator=(const TextureBindingScope&) = delete;

private:
    GLenum _target;
    GLint _texture = 0;
};

// The bytes of an image of the sides in the format, as client memory holds it.
uint64_t imageLength(int64_t width, int64_t height, GLenum format) {
    return uint64_t(std::max<int64_t>(width, 0)) * uint64_t(std::max<int64_t>(height, 0)) *
           VLGLGetBytesPerPixel(GL_UNSIGNED_BYTE, format);
}

bool supportsPVRTC() {
    return VLGLExtensionListContains(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)),
                                     "GL_IMG_texture_compression_pvrtc");
}

} // namespace

void VLGLTexture::createWithPixels(std::span<const uint8_t> pixels, GLenum format, GLenum target) {
    uploadPixels(pixels, format, target, VLGLTextureStorage::createImmutable);
}

void VLGLTexture::uploadPixels(std::span<const uint8_t> pixels, GLenum format, GLenum target,
                               std::shared_ptr<VLGLTextureStorage> (*makeStorage)()) {
    const bool tooFewBytes =
        !_isCompressed && !pixels.empty() && pixels.size() < imageLength(_width, _height, format);
    // Without a context no name can be had; with too few bytes GL would read past them.
    if (!sidesFitOrWarn(_width, _height) || tooFewBytes || !VLEGLContext::currentContext()) {
        _textureStorage = nullptr;
        return;
    }
    _textureStorage = nullptr;
    _params = {GL_LINEAR, GL_LINEAR, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE};
    _format = format;
    TextureBindingScope binding(target);
    if (_isCompressed) {
        uploadCompressedPixels(pixels, target);
        return;
    }
    _textureStorage = makeStorage();
    _textureStorage->bindToTarget(target, _params);
    const void* bytes = pixels.empty() ? nullptr : pixels.data();
    VLGLWithDefaultPixelStore([&] {
        VLGLTexImage2D(target, 0, GLint(format), _width, _height, 0, format, GL_UNSIGNED_BYTE, bytes);
    });
}

void VLGLTexture::uploadCompressedPixels(std::span<const uint8_t> pixels, GLenum target) {
    const std::optional<VLGLPVRHeader> header = VLGLPVRHeader::read(pixels);
    if (!header)
        return;
    GLenum format = 0;
    bool twoBitsPerPixel = false;
    if (header->pixelType == VLGLPVRHeader::kPixelType2BPP) {
        format = GL_COMPRESSED_RGBA_PVRTC_2BPPV1_IMG;
        twoBitsPerPixel = true;
    } else if (header->pixelType == VLGLPVRHeader::kPixelType4BPP) {
        format = GL_COMPRESSED_RGBA_PVRTC_4BPPV1_IMG;
    } else {
        VLEGLContext::vllog_warn("PVRTC Compressed Image(%@) neither 2 nor 4 bits per pixel", _fullPath);
        return;
    }
    if (header->mipmapCount)
        _params[0] = GL_LINEAR_MIPMAP_LINEAR;
    _textureStorage = VLGLTextureStorage::createImmutable();
    _textureStorage->bindToTarget(target, _params);

    std::span<const uint8_t> rest = pixels.subspan(header->headerSize);
    int32_t width = _width;
    int32_t height = _height;
    const uint32_t lastLevel = std::min<uint32_t>(header->mipmapCount, 31);
    for (uint32_t level = 0; level <= lastLevel; ++level) {
        const uint64_t length = VLGLPVRHeader::levelLength(width, height, twoBitsPerPixel);
        if (rest.size() < length) {
            VLEGLContext::vllog_warn("PVRTC Compressed Image(%@) is too short for its mip levels", _fullPath);
            break;
        }
        VLGLCompressedTexImage2D(GL_TEXTURE_2D, GLint(level), format, width, height, 0, GLsizei(length),
                                 rest.data());
        rest = rest.subspan(length);
        width = std::max(width / 2, 1);
        height = std::max(height / 2, 1);
    }
    // Without the extension GL refused every level, and the texture would sample black.
    if (!supportsPVRTC()) {
        VLEGLContext::vllog_warn("PVRTC Compressed Image(%@) can't be shown: the GPU has no PVRTC support",
                                 _fullPath);
        _textureStorage = nullptr;
    }
}

void VLGLTexture::updateWithPixels(std::span<const uint8_t> pixels, int32_t x, int32_t y, int32_t width,
                                   int32_t height) {
    if (pixels.size() < imageLength(width, height, _format))
        return;
    TextureBindingScope binding(GL_TEXTURE_2D);
    bindToTarget(GL_TEXTURE_2D);
    if (!_textureStorage)
        return;
    VLGLWithDefaultPixelStore([&] {
        glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, width, height, _format, GL_UNSIGNED_BYTE, pixels.data());
    });
}
