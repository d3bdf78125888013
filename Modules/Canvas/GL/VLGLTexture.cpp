#include "Modules/Canvas/GL/VLGLTexture.h"

#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Modules/Canvas/GL/VLEGLContextScope.h"
#include "Modules/Canvas/GL/VLGLImageBytes.h"
#include "Modules/Canvas/GL/VLGLPixelStore.h"
#include "Modules/Canvas/GL/VLGLTextureMaxSize.h"
#include "Modules/Canvas/GL/VLGLTexturePixels.h"
#include "Modules/Canvas/GL/VLGLWrappers.h"

#include <algorithm>
#include <limits>

namespace {

// Puts the framebuffer bindings back as they were; OpenGL ES 3 reads and draws through two.
class FramebufferBindingScope {
public:
    FramebufferBindingScope() {
        glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &_draw);
        glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &_read);
    }
    ~FramebufferBindingScope() {
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, GLuint(_draw));
        glBindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(_read));
    }
    FramebufferBindingScope(const FramebufferBindingScope&) = delete;
    FramebufferBindingScope& operator=(const FramebufferBindingScope&) = delete;

private:
    GLint _draw = 0;
    GLint _read = 0;
};

// Binds a framebuffer of the texture's colour for reading: the render target's own when it lives in
// the current context (framebuffers are not shared), else a temporary one, deleted afterwards.
class ReadFramebuffer {
public:
    ReadFramebuffer(GLuint ownFramebuffer, GLuint texture) {
        if (ownFramebuffer) {
            glBindFramebuffer(GL_FRAMEBUFFER, ownFramebuffer);
            return;
        }
        glGenFramebuffers(1, &_temporary);
        glBindFramebuffer(GL_FRAMEBUFFER, _temporary);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    }
    ~ReadFramebuffer() {
        if (_temporary)
            glDeleteFramebuffers(1, &_temporary);
    }
    ReadFramebuffer(const ReadFramebuffer&) = delete;
    ReadFramebuffer& operator=(const ReadFramebuffer&) = delete;

private:
    GLuint _temporary = 0;
};

int paramIndex(GLenum name) {
    switch (name) {
    case GL_TEXTURE_MIN_FILTER:
        return 0;
    case GL_TEXTURE_MAG_FILTER:
        return 1;
    case GL_TEXTURE_WRAP_S:
        return 2;
    case GL_TEXTURE_WRAP_T:
        return 3;
    default:
        return -1;
    }
}

} // namespace

std::shared_ptr<VLGLTexture> VLGLTexture::createEmptyForWebGL() {
    std::shared_ptr<VLGLTexture> texture(new VLGLTexture());
    texture->_params = {GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT};
    return texture;
}

std::shared_ptr<VLGLTexture> VLGLTexture::createWithPath(const std::string& path, bool lazyLoad) {
    std::shared_ptr<VLGLTexture> texture(new VLGLTexture());
    texture->_fullPath = path;
    texture->_lazyLoaded = lazyLoad;
    if (!lazyLoad) {
        if (std::optional<VLGLPixelData> pixels = texture->loadPixelsFromPath(path))
            texture->createWithPixels(pixels->bytes, GL_RGBA);
    }
    return texture;
}

std::shared_ptr<VLGLTexture> VLGLTexture::createWithWidth(int32_t width, int32_t height, GLenum format) {
    std::shared_ptr<VLGLTexture> texture(new VLGLTexture());
    // Checked before the sides are narrowed to their fields.
    if (!texture->sidesFitOrWarn(width, height))
        return texture;
    texture->setSize(width, height);
    texture->createWithPixels({}, format);
    return texture;
}

std::shared_ptr<VLGLTexture> VLGLTexture::createWithWidth(int32_t width, int32_t height,
                                                          std::span<const uint8_t> pixels) {
    std::shared_ptr<VLGLTexture> texture(new VLGLTexture());
    if (!sidesFit(width, height)) {
        VLEGLContext::vllog_warn("texture size (%d, %d) exceed the max size: %d", width, height,
                                 VLGLTextureGetMaxSize());
        return texture;
    }
    texture->setSize(width, height);
    if (pixels.size() < uint64_t(std::max(width, 0)) * uint64_t(std::max(height, 0)) * 4)
        return texture;
    texture->createWithPixels(pixels, GL_RGBA);
    return texture;
}

std::shared_ptr<VLGLTexture> VLGLTexture::createAsRenderTargetWithWidth(int32_t width, int32_t height,
                                                                        GLuint fbo) {
    std::shared_ptr<VLGLTexture> texture = createWithWidth(width, height);
    texture->_fbo = fbo;
    return texture;
}

std::shared_ptr<VLGLTexture> VLGLTexture::createWithImage(const std::shared_ptr<const VLBitmap>& image) {
    std::shared_ptr<VLGLTexture> texture(new VLGLTexture());
    if (std::optional<VLGLPixelData> pixels = texture->loadPixelsFromImage(image))
        texture->createWithPixels(pixels->bytes, GL_RGBA);
    return texture;
}

std::shared_ptr<VLGLTexture> VLGLTexture::copy() {
    std::shared_ptr<VLGLTexture> copy(new VLGLTexture());
    copy->createWithTexture(*this);
    copy->_params = _params;
    copy->_drawFlippedY = _drawFlippedY;
    copy->_ignoresUnpackParameters = _ignoresUnpackParameters;
    copy->_premultipliedForWebGL = _premultipliedForWebGL;
    copy->_fileReader = _fileReader;
    if (_fbo && !_isCompressed) {
        copy->_textureStorage = nullptr;
        snapshotInto(*copy);
    }
    return copy;
}

void VLGLTexture::snapshotInto(VLGLTexture& copy) {
    if (!_textureStorage)
        return;
    const GLuint fbo = _fbo;
    VLGLEnterContextWithBlockScope(_textureStorage->glContext(), [&] {
        FramebufferBindingScope framebuffers;
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        GLint previous = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
        copy._textureStorage = VLGLTextureStorage::createImmutable();
        copy._textureStorage->bindToTarget(GL_TEXTURE_2D, copy._params);
        VLGLCopyTexImage2D(GL_TEXTURE_2D, 0, _format, 0, 0, _width, _height, 0);
        glBindTexture(GL_TEXTURE_2D, GLuint(previous));
    });
}

void VLGLTexture::createWithTexture(const VLGLTexture& texture) {
    _textureStorage = texture._textureStorage;
    _width = texture._width;
    _height = texture._height;
    _format = texture._format;
    _fullPath = texture._fullPath;
    _dimensionsKnown = texture._dimensionsKnown;
    _isCompressed = texture._isCompressed;
    _lazyLoaded = texture._lazyLoaded;
}

bool VLGLTexture::sidesFit(int64_t width, int64_t height) {
    const int64_t largest = std::min<int64_t>(VLGLTextureGetMaxSize(), std::numeric_limits<int16_t>::max());
    return width <= largest && height <= largest;
}

bool VLGLTexture::sidesFitOrWarn(int64_t width, int64_t height) const {
    if (sidesFit(width, height))
        return true;
    VLEGLContext::vllog_warn("texture(%@) size (%d, %d) exceed the max size: %d",
                             _fullPath.empty() ? std::string("dynamic") : _fullPath, width, height,
                             VLGLTextureGetMaxSize());
    return false;
}

void VLGLTexture::setSize(int32_t width, int32_t height) {
    _width = int16_t(width);
    _height = int16_t(height);
    _dimensionsKnown = true;
}

GLenum VLGLTexture::paramForName(GLenum name) const {
    const int index = paramIndex(name);
    return index < 0 ? 0 : _params[size_t(index)];
}

void VLGLTexture::setParam(GLenum value, GLenum name) {
    const int index = paramIndex(name);
    if (index >= 0)
        _params[size_t(index)] = value;
}

void VLGLTexture::bindWithFilter(GLenum filter) {
    _params[0] = filter;
    _params[1] = filter;
    bindToTarget(GL_TEXTURE_2D);
}

void VLGLTexture::bindToTarget(GLenum target) {
    ensureLoaded();
    if (_textureStorage)
        _textureStorage->bindToTarget(target, _params);
}

GLuint VLGLTexture::textureId() {
    ensureLoaded();
    return _textureStorage ? _textureStorage->textureId() : 0;
}

int32_t VLGLTexture::width() {
    ensureDimensions();
    return _width;
}

int32_t VLGLTexture::height() {
    ensureDimensions();
    return _height;
}

std::shared_ptr<VLEGLContext> VLGLTexture::glContext() const {
    return _textureStorage ? _textureStorage->glContext() : nullptr;
}

double VLGLTexture::lastUsed() const {
    return _textureStorage ? _textureStorage->lastBound() : 0;
}

VLData VLGLTexture::pixels() {
    ensureLoaded();
    if (!_textureStorage || !_textureStorage->textureId())
        return {};
    VLData pixels;
    VLGLEnterContextOfObjectsWithBlockScope(_textureStorage->glContext(), [&] { pixels = readPixels(); });
    return pixels;
}

VLData VLGLTexture::readPixels() {
    const uint64_t length = uint64_t(std::max<int16_t>(_width, 0)) * uint64_t(std::max<int16_t>(_height, 0)) *
                            VLGLGetBytesPerPixel(GL_UNSIGNED_BYTE, _format);
    if (length == 0)
        return {};
    VLData pixels(length);
    const bool ownsFramebuffer = _fbo && VLEGLContext::currentContext() == _textureStorage->glContext();
    FramebufferBindingScope framebuffers;
    ReadFramebuffer framebuffer(ownsFramebuffer ? _fbo : 0, _textureStorage->textureId());
    VLGLWithDefaultPixelStore(
        [&] { glReadPixels(0, 0, _width, _height, _format, GL_UNSIGNED_BYTE, pixels.data()); });
    return pixels;
}

std::shared_ptr<VLBitmap> VLGLTexture::image() {
    const VLData data = pixels();
    return VLGLTextureGetImageWithPixels(data, _width, _height);
}

void VLGLTexture::maybeReleaseStorage() {
    if (!_lazyLoaded || !_textureStorage)
        return;
    GLint bound = 0;
    if (VLEGLContext::currentContext())
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    if (bound != 0 && GLuint(bound) == _textureStorage->textureId())
        return;
    _textureStorage = nullptr;
}

void VLGLTexture::ensureMutableKeepPixels(bool keepPixels, GLenum target) {
    if (_textureStorage && _textureStorage->immutable() && !_isCompressed) {
        if (keepPixels) {
            // Into a mutable storage, so that the next upload does not copy it again.
            const VLData pixels = this->pixels();
            uploadPixels(pixels, GL_RGBA, target, VLGLTextureStorage::create);
        } else {
            _textureStorage = nullptr;
        }
    }
    if (!_textureStorage)
        _textureStorage = VLGLTextureStorage::create();
}
