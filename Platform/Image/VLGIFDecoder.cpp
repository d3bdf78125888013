#include "Platform/Image/VLGIFDecoder.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// One read of one GIF up to its first frame.
class GIFReader {
public:
    explicit GIFReader(std::span<const uint8_t> bytes) : _bytes(bytes) {}
    ~GIFReader() {
        if (_gif)
            DGifCloseFile(_gif, nullptr);
    }
    GIFReader(const GIFReader&) = delete;
    GIFReader& operator=(const GIFReader&) = delete;

    // Reads up to the first frame's descriptor, keeping the transparent colour that precedes it.
    bool readToFirstFrame();
    // The frame's pixels onto a bitmap of canvasSize().
    bool readFrame(VLBitmap& bitmap);

    VLImagePixelSize canvasSize() const;
    void setError(VLErrorRef* error) const;

private:
    static int read(GifFileType* gif, GifByteType* into, int count);
    bool fail(int code) {
        _errorCode = code;
        return false;
    }
    bool fail() { return fail(_gif->Error); }

    std::span<const uint8_t> _bytes;
    size_t _position = 0;
    bool _truncated = false;
    int _errorCode = 0;
    GifFileType* _gif = nullptr;
    int _transparentIndex = NO_TRANSPARENT_COLOR;
};

int GIFReader::read(GifFileType* gif, GifByteType* into, int count) {
    auto* reader = static_cast<GIFReader*>(gif->UserData);
    const size_t available = reader->_bytes.size() - reader->_position;
    size_t length = size_t(std::max(count, 0));
    if (length > available) {
        reader->_truncated = true;
        length = available;
    }
    if (length) // empty data has no address to copy from
        std::memcpy(into, reader->_bytes.data() + reader->_position, length);
    reader->_position += length;
    return int(length);
}

bool GIFReader::readToFirstFrame() {
    int code = 0;
    _gif = DGifOpen(this, read, &code);
    if (!_gif)
        return fail(code);
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(_gif, &type) == GIF_ERROR)
            return fail();
        if (type == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(_gif) == GIF_ERROR)
                return fail();
            const VLImagePixelSize size = canvasSize();
            return (size.width > 0 && size.height > 0) || fail(D_GIF_ERR_NO_IMAG_DSCR);
        }
        if (type == TERMINATE_RECORD_TYPE)
            return fail(D_GIF_ERR_NO_IMAG_DSCR);
        if (type != EXTENSION_RECORD_TYPE)
            continue;
        int function = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(_gif, &function, &block) == GIF_ERROR)
            return fail();
        GraphicsControlBlock control;
        // Each block starts with its length.
        if (function == GRAPHICS_EXT_FUNC_CODE && block &&
            DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
            _transparentIndex = control.TransparentColor;
        while (block) {
            if (DGifGetExtensionNext(_gif, &block) == GIF_ERROR)
                return fail();
        }
    }
}

VLImagePixelSize GIFReader::canvasSize() const {
    const GifImageDesc& frame = _gif->Image;
    return {uint32_t(std::max(_gif->SWidth, frame.Left + frame.Width)),
            uint32_t(std::max(_gif->SHeight, frame.Top + frame.Height))};
}

bool GIFReader::readFrame(VLBitmap& bitmap) {
    const GifImageDesc& frame = _gif->Image;
    const ColorMapObject* colors = frame.ColorMap ? frame.ColorMap : _gif->SColorMap;
    if (!colors)
        return fail(D_GIF_ERR_NO_COLOR_MAP);
    std::vector<GifPixelType> line(size_t(frame.Width) + 1);
    auto drawLine = [&](int y) {
        uint8_t* pixel = bitmap.mutableRow(uint32_t(frame.Top + y)) + size_t(frame.Left) * 4;
        for (int x = 0; x < frame.Width; ++x, pixel += 4) {
            const int index = line[size_t(x)];
            // Indices past the table stay transparent, like the transparent colour.
            if (index == _transparentIndex || index >= colors->ColorCount)
                continue;
            const GifColorType& color = colors->Colors[index];
            pixel[0] = color.Red;
            pixel[1] = color.Green;
            pixel[2] = color.Blue;
            pixel[3] = 255;
        }
    };
    // Interlaced rows come in four passes: every 8th from 0, every 8th from 4, every 4th from 2, every
    // 2nd from 1.
    static constexpr int kStarts[] = {0, 4, 2, 1};
    static constexpr int kSteps[] = {8, 8, 4, 2};
    const int passes = frame.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const int step = frame.Interlace ? kSteps[pass] : 1;
        for (int y = frame.Interlace ? kStarts[pass] : 0; y < frame.Height; y += step) {
            if (frame.Width > 0 && DGifGetLine(_gif, line.data(), frame.Width) == GIF_ERROR)
                return fail();
            drawLine(y);
        }
    }
    return true;
}

void GIFReader::setError(VLErrorRef* error) const {
    if (_truncated)
        VLImageDecoderSetError(error, VLImageDecoderErrorTruncatedData);
    else if (_errorCode == D_GIF_ERR_NOT_ENOUGH_MEM)
        VLImageDecoderSetError(error, VLImageDecoderErrorTooLarge, "no memory for the GIF reader");
    else
        VLImageDecoderSetError(error, VLImageDecoderErrorCorruptData, GifErrorString(_errorCode));
}

} // namespace

std::optional<VLImagePixelSize> VLGIFDecoder::readSize(std::span<const uint8_t> bytes, VLErrorRef* error) {
    GIFReader reader(bytes);
    if (!reader.readToFirstFrame()) {
        reader.setError(error);
        return std::nullopt;
    }
    return reader.canvasSize();
}

std::shared_ptr<VLBitmap> VLGIFDecoder::decode(std::span<const uint8_t> bytes, const VLImageSizeLimit& limit,
                                               VLBitmapAlpha alpha, VLErrorRef* error) {
    GIFReader reader(bytes);
    if (!reader.readToFirstFrame()) {
        reader.setError(error);
        return nullptr;
    }
    // Transparent pixels are all zero and the others opaque: the same pixels either way.
    const VLImagePixelSize size = reader.canvasSize();
    auto bitmap =
        VLImageMakeBitmap(size.width, size.height, limit, alpha, VLBitmapContents::Transparent, error);
    if (!bitmap)
        return nullptr;
    if (!reader.readFrame(*bitmap)) {
        reader.setError(error);
        return nullptr;
    }
    return bitmap;
}
