#include "Platform/Image/VLJPEGDecoder.h"

#include <cstdio> // jpeglib.h needs FILE
#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>

namespace {

// Hostile progressive files can hold thousands of tiny scans that each cost a pass over the image.
constexpr int kMaximumScans = 1000;

// One read of one JPEG. libjpeg leaves its calls by longjmp on failure, so the functions that call it
// (readHeader, readPixels) keep no object with a destructor in their own frames.
class JPEGReader {
public:
    explicit JPEGReader(std::span<const uint8_t> bytes) : _bytes(bytes) {
        _info.err = jpeg_std_error(&_errors.manager);
        _errors.manager.error_exit = onError;
        _errors.manager.emit_message = onMessage;
        _progress.progress_monitor = onProgress;
    }
    // Frees nothing when the struct was never made: its memory manager is still null.
    ~JPEGReader() { jpeg_destroy_decompress(&_info); }
    JPEGReader(const JPEGReader&) = delete;
    JPEGReader& operator=(const JPEGReader&) = delete;

    bool readHeader();
    bool readPixels(VLBitmap& bitmap);

    uint32_t width() const { return _info.image_width; }
    uint32_t height() const { return _info.image_height; }

    void setError(VLErrorRef* error) const {
        if (_errors.truncated)
            VLImageDecoderSetError(error, VLImageDecoderErrorTruncatedData);
        else
            VLImageDecoderSetError(error, VLImageDecoderErrorCorruptData, _errors.message);
    }

private:
    struct Errors {
        jpeg_error_mgr manager; // first, so that the library's pointer to it is a pointer to this
        jmp_buf jump;
        bool truncated = false;
        char message[JMSG_LENGTH_MAX] = {};
    };

    static void onError(j_common_ptr info) {
        auto* errors = reinterpret_cast<Errors*>(info->err);
        errors->manager.format_message(info, errors->message);
        longjmp(errors->jump, 1);
    }
    // The memory source meets the end of the data with a warning and a made-up end marker, after which
    // the library would fill the missing rows with grey: take that warning as the end.
    static void onMessage(j_common_ptr info, int level) {
        if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) {
            reinterpret_cast<Errors*>(info->err)->truncated = true;
            longjmp(reinterpret_cast<Errors*>(info->err)->jump, 1);
        }
    }
    static void onProgress(j_common_ptr info) {
        auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
        if (decompress->input_scan_number > kMaximumScans) {
            auto* errors = reinterpret_cast<Errors*>(info->err);
            std::snprintf(errors->message, sizeof errors->message, "more than %d scans", kMaximumScans);
            longjmp(errors->jump, 1);
        }
    }
    static bool isCMYK(J_COLOR_SPACE space) { return space == JCS_CMYK || space == JCS_YCCK; }
    // Converts a row of CMYK in place, without colour management. Adobe's files store the inks inverted.
    void convertCMYKRow(uint8_t* row) const;

    std::span<const uint8_t> _bytes;
    jpeg_decompress_struct _info = {};
    Errors _errors;
    jpeg_progress_mgr _progress = {};
};

bool JPEGReader::readHeader() {
    if (setjmp(_errors.jump))
        return false;
    // Only now is there a place to jump to, should making the struct fail or the data be empty.
    jpeg_create_decompress(&_info);
    _info.progress = &_progress;
    jpeg_mem_src(&_info, _bytes.data(), _bytes.size());
    jpeg_read_header(&_info, TRUE);
    _info.out_color_space = isCMYK(_info.jpeg_color_space) ? JCS_CMYK : JCS_EXT_RGBA;
    return true;
}

bool JPEGReader::readPixels(VLBitmap& bitmap) {
    if (setjmp(_errors.jump))
        return false;
    jpeg_start_decompress(&_info);
    constexpr JDIMENSION kRowsPerRead = 16;
    JSAMPROW rows[kRowsPerRead];
    while (_info.output_scanline < _info.output_height) {
        const JDIMENSION first = _info.output_scanline;
        const JDIMENSION count = std::min(kRowsPerRead, _info.output_height - first);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = bitmap.mutableRow(first + i);
        const JDIMENSION read = jpeg_read_scanlines(&_info, rows, count);
        if (read == 0) { // only a suspending source gives nothing, and ours never suspends
            std::snprintf(_errors.message, sizeof _errors.message, "no rows read");
            return false;
        }
        if (_info.out_color_space == JCS_CMYK) {
            for (JDIMENSION i = 0; i < read; ++i)
                convertCMYKRow(rows[i]);
        }
    }
    // Not finished: that would read on to the end marker, which the rows do not need.
    jpeg_abort_decompress(&_info);
    return true;
}

void JPEGReader::convertCMYKRow(uint8_t* row) const {
    const bool inverted = _info.saw_Adobe_marker;
    for (JDIMENSION x = 0; x < _info.output_width; ++x, row += 4) {
        // What each ink leaves of white paper.
        const unsigned keyLeft = inverted ? row[3] : 255 - row[3];
        for (int channel = 0; channel < 3; ++channel) {
            const unsigned inkLeft = inverted ? row[channel] : 255 - row[channel];
            row[channel] = uint8_t((inkLeft * keyLeft + 127) / 255);
        }
        row[3] = 255;
    }
}

} // namespace

std::optional<VLImagePixelSize> VLJPEGDecoder::readSize(std::span<const uint8_t> bytes, VLErrorRef* error) {
    JPEGReader reader(bytes);
    if (!reader.readHeader()) {
        reader.setError(error);
        return std::nullopt;
    }
    return VLImagePixelSize{reader.width(), reader.height()};
}

std::shared_ptr<VLBitmap> VLJPEGDecoder::decode(std::span<const uint8_t> bytes, const VLImageSizeLimit& limit,
                                                VLBitmapAlpha alpha, VLErrorRef* error) {
    JPEGReader reader(bytes);
    if (!reader.readHeader()) {
        reader.setError(error);
        return nullptr;
    }
    // Opaque: the same pixels either way.
    auto bitmap =
        VLImageMakeBitmap(reader.width(), reader.height(), limit, alpha, VLBitmapContents::Unset, error);
    if (!bitmap)
        return nullptr;
    if (!reader.readPixels(*bitmap)) {
        reader.setError(error);
        return nullptr;
    }
    return bitmap;
}
