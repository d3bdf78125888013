#pragma once

#include "Modules/Canvas/GL/VLGLTextureStorage.h"
#include "Platform/Foundation/VLValue.h"
#include "Platform/Graphics/VLGLFunctions.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

class VLBitmap;
class VLEGLContext;

// Bytes to upload, with what keeps them alive (a decoded picture or a file's contents).
struct VLGLPixelData {
    std::shared_ptr<const void> owner;
    std::span<const uint8_t> bytes;
};

// The engine's texture: pictures from files, data URIs and remote bytes, canvases and their layers,
// ImageData and ImageBitmap uploads, WebGL textures and glyph atlases. Its pixels live in a
// VLGLTextureStorage that copies share; a texture with no storage has textureId() 0, which callers take
// for a failed load. A lazy texture reads its pixels from its path at first use and may drop them
// (maybeReleaseStorage) to read them again later.
//
// Used on the thread where its storage's context is current (a runtime's JavaScript thread, or the
// texture loader's queue while it loads); pixels() may be called from any thread. Not synchronised.
class VLGLTexture {
public:
    // Reads the file at a path; nothing when it cannot.
    using FileReader = std::function<std::optional<VLData>(const std::string& path)>;

    // No storage until WebGL binds it; linear filters and repeating wraps.
    static std::shared_ptr<VLGLTexture> createEmptyForWebGL();
    // The pixels of the file or data URI at the path, read at once, or at first use when lazy.
    static std::shared_ptr<VLGLTexture> createWithPath(const std::string& path, bool lazyLoad = false);
    // An image of that size whose pixels are not set.
    static std::shared_ptr<VLGLTexture> createWithWidth(int32_t width, int32_t height,
                                                        GLenum format = GL_RGBA);
    // RGBA pixels, rows as GL takes them; none when a side exceeds the maximum texture size or there are
    // fewer bytes than the size needs.
    static std::shared_ptr<VLGLTexture> createWithWidth(int32_t width, int32_t height,
                                                        std::span<const uint8_t> pixels);
    // The colour texture of the framebuffer.
    static std::shared_ptr<VLGLTexture> createAsRenderTargetWithWidth(int32_t width, int32_t height,
                                                                      GLuint fbo);
    // The bitmap's pixels, premultiplied RGBA.
    static std::shared_ptr<VLGLTexture> createWithImage(const std::shared_ptr<const VLBitmap>& image);

    // A texture sharing this one's storage, size, format, path, flags and params; of a render target, a
    // snapshot with a storage of its own that later drawing into the target leaves as it is.
    std::shared_ptr<VLGLTexture> copy();

    VLGLTexture(const VLGLTexture&) = delete;
    VLGLTexture& operator=(const VLGLTexture&) = delete;

    // Shares the other's storage, size, format, path and loading state.
    void createWithTexture(const VLGLTexture& texture);
    // Replaces the storage with one holding the pixels (none: an image whose pixels are not set) of the
    // texture's size, or the PVRTC file's levels for a compressed texture. Restores the target's
    // binding.
    void createWithPixels(std::span<const uint8_t> pixels, GLenum format, GLenum target = GL_TEXTURE_2D);
    void uploadCompressedPixels(std::span<const uint8_t> pixels, GLenum target);
    // Replaces a rectangle of level 0 with pixels of the texture's format; restores the caller's
    // GL_TEXTURE_2D binding.
    void updateWithPixels(std::span<const uint8_t> pixels, int32_t x, int32_t y, int32_t width,
                          int32_t height);

    // The pixels of a data URI, a PVRTC file or a picture file (through the file reader when set); the
    // size becomes known. Nothing for an empty path, an http(s) URL, or what cannot be read or decoded.
    std::optional<VLGLPixelData> loadPixelsFromPath(const std::string& path);
    // The picture as premultiplied RGBA; the size becomes known. Nothing beyond the maximum texture size.
    std::optional<VLGLPixelData> loadPixelsFromImage(const std::shared_ptr<const VLBitmap>& image);

    // GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER, GL_TEXTURE_WRAP_S and GL_TEXTURE_WRAP_T; other names
    // read 0 and are not kept.
    GLenum paramForName(GLenum name) const;
    void setParam(GLenum value, GLenum name);

    // Sets both filters, then binds to GL_TEXTURE_2D.
    void bindWithFilter(GLenum filter);
    // Loads a lazy texture first; binds the storage with the texture's params.
    void bindToTarget(GLenum target);

    // Each loads (with a context current) or measures (without) a lazy texture first.
    GLuint textureId();
    int32_t width();
    int32_t height();

    // The pixels read back from the GPU in the texture's format, rows as GL keeps them; nothing when the
    // texture has none or its context, and its group's, are in use on other threads.
    VLData pixels();
    // The pixels as a premultiplied RGBA bitmap; an empty one when there are none.
    std::shared_ptr<VLBitmap> image();

    // A lazy texture drops its storage unless it is bound to GL_TEXTURE_2D in the current context.
    void maybeReleaseStorage();
    // For WebGL, which re-specifies textures: an immutable storage is replaced by a mutable one, holding
    // the current pixels when asked.
    void ensureMutableKeepPixels(bool keepPixels, GLenum target);

    const std::shared_ptr<VLGLTextureStorage>& textureStorage() const { return _textureStorage; }
    std::shared_ptr<VLEGLContext> glContext() const;
    // The storage's last bind, or 0.
    double lastUsed() const;
    const std::string& fullPath() const { return _fullPath; }
    bool dimensionsKnown() const { return _dimensionsKnown; }
    GLuint fbo() const { return _fbo; }
    bool isDynamic() const { return _fbo != 0; }
    GLenum format() const { return _format; }
    bool isCompressed() const { return _isCompressed; }
    bool lazyLoaded() const { return _lazyLoaded; }
    bool drawFlippedY() const { return _drawFlippedY; }
    void setDrawFlippedY(bool flipped) { _drawFlippedY = flipped; }
    bool ignoresUnpackParameters() const { return _ignoresUnpackParameters; }
    void setIgnoresUnpackParameters(bool ignores) { _ignoresUnpackParameters = ignores; }
    bool premultipliedForWebGL() const { return _premultipliedForWebGL; }
    void setPremultipliedForWebGL(bool premultiplied) { _premultipliedForWebGL = premultiplied; }
    const FileReader& fileReader() const { return _fileReader; }
    void setFileReader(FileReader fileReader) { _fileReader = std::move(fileReader); }

private:
    VLGLTexture() = default;

    // Whether the sides fit a texture: within the maximum texture size and the 16-bit size fields.
    static bool sidesFit(int64_t width, int64_t height);
    // Whether the sides fit; otherwise tells the console, naming the path or "dynamic".
    bool sidesFitOrWarn(int64_t width, int64_t height) const;
    // Takes sides that fit.
    void setSize(int32_t width, int32_t height);
    // A lazy texture without storage reads its pixels and uploads them.
    void ensureLoaded();
    // A lazy texture of unknown size learns it: from the picture's header without a context current.
    void ensureDimensions();
    bool isLoadableLazily() const;
    void measureWithoutContext();
    std::optional<VLGLPixelData> loadPixelsFromDataURI(const std::string& uri);
    std::optional<VLGLPixelData> loadPixelsFromPVRFile(const std::string& path);
    std::optional<VLData> contentsOfFile(const std::string& path) const;
    // createWithPixels into a storage that the factory makes.
    void uploadPixels(std::span<const uint8_t> pixels, GLenum format, GLenum target,
                      std::shared_ptr<VLGLTextureStorage> (*makeStorage)());
    // Reads back in the context current now.
    VLData readPixels();
    // A storage of its own holding this render target's pixels as they are now.
    void snapshotInto(VLGLTexture& copy);

    std::shared_ptr<VLGLTextureStorage> _textureStorage;
    VLGLTextureParams _params{GL_LINEAR, GL_LINEAR, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE};
    std::string _fullPath;
    bool _dimensionsKnown = false;
    GLuint _fbo = 0;
    bool _drawFlippedY = false;
    bool _ignoresUnpackParameters = false;
    bool _premultipliedForWebGL = false;
    bool _isCompressed = false;
    bool _lazyLoaded = false;
    int16_t _width = 0;
    int16_t _height = 0;
    GLenum _format = GL_RGBA;
    FileReader _fileReader;
};
