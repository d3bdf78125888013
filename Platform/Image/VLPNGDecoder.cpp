#include "Platform/Image/VLPNGDecoder.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace {

// One read of one PNG. libpng leaves its calls by longjmp on failure, so the functions that call it
// (readHeader, readPixels) keep no object with a destructor in their own frames: everything that
// needs one lives here, in the caller's frame.
class PNGReader {
public:
    explicit PNGReader(std::span<const uint8_t> bytes) : _bytes(bytes) {
        _png = png_create_read_struct(PNG_LIBPNG_VER_STRING, this, onError, onWarning);
        if (_png)
            _info = png_create_info_struct(_png);
    }
    ~PNGReader() { png_destroy_read_struct(&_png, &_info, nullptr); }
    PNGReader(const PNGReader&) = delete;
    PNGReader& operator=(const PNGReader&) = delete;

    // Reads the chunks up to the image data.
    bool readHeader();
    // Converts every colour type and depth to 8-bit RGBA on the way, premultiplying each row as it is
    // finished when asked to.
    bool readPixels(VLBitmap& bitmap, bool premultiplies);

    uint32_t width() const { return _width; }
    uint32_t height() const { return _height; }
    bool hasAlpha() const { return _hasAlpha; }

    void setError(VLErrorRef* error) const {
        if (!_png || !_info)
            VLImageDecoderSetError(error, VLImageDecoderErrorTooLarge, "no memory for the PNG reader");
        else if (_truncated)
            VLImageDecoderSetError(error, VLImageDecoderErrorTruncatedData);
        else
            VLImageDecoderSetError(error, VLImageDecoderErrorCorruptData, _message);
    }

private:
    static void read(png_structp png, png_bytep into, size_t count) {
        auto* reader = static_cast<PNGReader*>(png_get_io_ptr(png));
        if (count > reader->_bytes.size() - reader->_position) {
            reader->_truncated = true;
            png_error(png, "truncated");
        }
        std::memcpy(into, reader->_bytes.data() + reader->_position, count);
        reader->_position += count;
    }
    static void onError(png_structp png, png_const_charp message) {
        auto* reader = static_cast<PNGReader*>(png_get_error_ptr(png));
        std::snprintf(reader->_message, sizeof reader->_message, "%s", message);
        png_longjmp(png, 1);
    }
    static void onWarning(png_structp, png_const_charp) {}

    std::span<const uint8_t> _bytes;
    size_t _position = 0;
    png_structp _png = nullptr;
    png_infop _info = nullptr;
    uint32_t _width = 0;
    uint32_t _height = 0;
    int _passes = 1;
    bool _hasAlpha = false;
    bool _truncated = false;
    char _message[160] = {};
};

bool PNGReader::readHeader() {
    if (!_png || !_info)
        return false;
    if (setjmp(png_jmpbuf(_png)))
        return false;
    png_set_read_fn(_png, this, read);
    // The caller's limit decides, with an error that says so.
    png_set_user_limits(_png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_read_info(_png, _info);
    _width = png_get_image_width(_png, _info);
    _height = png_get_image_height(_png, _info);
    _hasAlpha =
        (png_get_color_type(_png, _info) & PNG_COLOR_MASK_ALPHA) || png_get_valid(_png, _info, PNG_INFO_tRNS);
    return true;
}

bool PNGReader::readPixels(VLBitmap& bitmap, bool premultiplies) {
    if (setjmp(png_jmpbuf(_png)))
        return false;
    // Only now, once the size has passed the limit: updating the info allocates row buffers.
    png_set_expand(_png);
    png_set_scale_16(_png);
    png_set_gray_to_rgb(_png);
    png_set_add_alpha(_png, 0xFF, PNG_FILLER_AFTER);
    _passes = png_set_interlace_handling(_png);
    png_read_update_info(_png, _info);
    if (png_get_rowbytes(_png, _info) != bitmap.rowBytes())
        png_error(_png, "rows of an unexpected length after conversion");
    // Passes over the rows for interlaced images, one for the others; each row is read where it goes.
    for (int pass = 0; pass < _passes; ++pass) {
        const bool lastPass = pass == _passes - 1;
        for (uint32_t y = 0; y < _height; ++y) {
            png_read_row(_png, bitmap.mutableRow(y), nullptr);
            // While the row is still in the cache.
            if (premultiplies && lastPass)
                VLBitmapPremultiplyPixels(bitmap.mutableRow(y), _width);
        }
    }
    return true;
}

} // namespace

std::optional<VLImagePixelSize> VLPNGDecoder::readSize(std::span<const uint8_t> bytes, VLErrorRef* error) {
    PNGReader reader(bytes);
    if (!reader.readHeader()) {
        reader.setError(error);
        return std::nullopt;
    }
    return VLImagePixelSize{reader.width(), reader.height()};
}

std::shared_ptr<VLBitmap> VLPNGDecoder::decode(std::span<const uint8_t> bytes, const VLImageSizeLimit& limit,
                                               VLBitmapAlpha alpha, VLErrorRef* error) {
    PNGReader reader(bytes);
    if (!reader.readHeader()) {
        reader.setError(error);
        return nullptr;
    }
    auto bitmap =
        VLImageMakeBitmap(reader.width(), reader.height(), limit, alpha, VLBitmapContents::Unset, error);
    if (!bitmap)
        return nullptr;
    if (!reader.readPixels(*bitmap, reader.hasAlpha() && alpha == VLBitmapAlpha::Premultiplied)) {
        reader.setError(error);
        return nullptr;
    }
    return bitmap;
}
