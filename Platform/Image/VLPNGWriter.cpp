#include "Platform/Image/VLPNGWriter.h"

#include "Platform/Foundation/VLAtomicFileWriting.h"
#include "Platform/Foundation/VLFileIO.h"
#include "Platform/Foundation/VLStringWithFormat.h"

#include <png.h>

#include <array>
#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <memory>
#include <new>

namespace {

// libpng's own limit on each side.
constexpr uint32_t kPNGWriterMaximumSide = 1000000;

bool pngWriterCanEncode(const VLPixels& pixels) {
    return pixels.bytes && pixels.width > 0 && pixels.height > 0 && pixels.width <= kPNGWriterMaximumSide &&
           pixels.height <= kPNGWriterMaximumSide && pixels.rowBytes >= size_t(pixels.width) * 4;
}

// The straight value of every premultiplied channel under every alpha, at [alpha * 256 + channel]:
// the division rounded, clamped for channels that exceed their alpha. Made once, then only read.
const std::array<uint8_t, 256 * 256>& pngWriterStraightTable() {
    static const std::array<uint8_t, 256 * 256> table = [] {
        std::array<uint8_t, 256 * 256> values{};
        for (unsigned alpha = 1; alpha < 256; ++alpha)
            for (unsigned channel = 0; channel < 256; ++channel)
                values[alpha * 256 + channel] = uint8_t(std::min(255u, (channel * 255 + alpha / 2) / alpha));
        return values;
    }();
    return table;
}

// One row as straight RGBA.
void pngWriterUnpremultiply(const uint8_t* source, uint8_t* row, uint32_t width, VLBitmapByteOrder order) {
    const uint8_t* table = pngWriterStraightTable().data();
    const int red = order == VLBitmapByteOrder::RGBA ? 0 : 2, blue = 2 - red;
    for (uint32_t x = 0; x < width; ++x, source += 4, row += 4) {
        const uint8_t* straight = table + size_t(source[3]) * 256;
        row[0] = straight[source[red]];
        row[1] = straight[source[1]];
        row[2] = straight[source[blue]];
        row[3] = source[3];
    }
}

// Where the encoded bytes go as libpng makes them. A sink that fails keeps the error number.
class PNGWriterSink {
public:
    virtual ~PNGWriterSink() = default;
    virtual bool write(const uint8_t* bytes, size_t length) = 0;
    int failure = 0;
};

class PNGWriterDataSink final : public PNGWriterSink {
public:
    VLData data;

    bool write(const uint8_t* bytes, size_t length) override {
        try {
            data.insert(data.end(), bytes, bytes + length);
            return true;
        } catch (const std::bad_alloc&) {
            failure = ENOMEM;
            return false;
        }
    }
};

// Gathers libpng's small writes (chunk headers, checksums, 8 KiB of compressed data) into large ones.
class PNGWriterFileSink final : public PNGWriterSink {
public:
    explicit PNGWriterFileSink(int fd) : _fd(fd) {}

    bool write(const uint8_t* bytes, size_t length) override {
        while (length > 0) {
            const size_t taken = std::min(length, kCapacity - _length);
            std::memcpy(_buffer.get() + _length, bytes, taken);
            _length += taken;
            bytes += taken;
            length -= taken;
            if (_length == kCapacity && !flush())
                return false;
        }
        return true;
    }

    bool flush() {
        if (!VLFileWriteAll(_fd, {_buffer.get(), _length})) {
            failure = errno;
            return false;
        }
        _length = 0;
        return true;
    }

private:
    static constexpr size_t kCapacity = 256 * 1024;
    const int _fd;
    std::unique_ptr<uint8_t[]> _buffer{new uint8_t[kCapacity]};
    size_t _length = 0;
};

void pngWriterWrite(png_structp png, png_bytep bytes, size_t length) {
    if (!static_cast<PNGWriterSink*>(png_get_io_ptr(png))->write(bytes, length))
        png_error(png, "write failed");
}

void pngWriterFlush(png_structp) {}

[[noreturn]] void pngWriterError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void pngWriterWarning(png_structp, png_const_charp) {}

// Every row unpremultiplied into the one row buffer and handed to libpng.
void pngWriterWriteRows(png_structp png, const VLPixels& pixels, uint8_t* row) {
    for (uint32_t y = 0; y < pixels.height; ++y) {
        pngWriterUnpremultiply(pixels.bytes + y * pixels.rowBytes, row, pixels.width, pixels.byteOrder);
        png_write_row(png, row);
    }
}

// Compresses the pixels once, straight into the sink. libpng reports its errors by longjmp, so nothing
// here has a destructor: the row buffer belongs to the caller.
bool pngWriterEncode(const VLPixels& pixels, uint8_t* row, PNGWriterSink& sink) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngWriterError, pngWriterWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &sink, pngWriterWrite, pngWriterFlush);
    png_set_IHDR(png, info, pixels.width, pixels.height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    pngWriterWriteRows(png, pixels, row);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

// Encodes valid pixels into the sink; false with the sink's failure, or ENOMEM when libpng failed.
bool pngWriterEncodeInto(const VLPixels& pixels, PNGWriterSink& sink) {
    std::unique_ptr<uint8_t[]> row(new (std::nothrow) uint8_t[size_t(pixels.width) * 4]);
    if (row && pngWriterEncode(pixels, row.get(), sink))
        return true;
    if (sink.failure == 0)
        sink.failure = ENOMEM;
    return false;
}

} // namespace

std::optional<VLData> VLPNGWriter::dataWithPixels(const VLPixels& pixels) {
    if (!pngWriterCanEncode(pixels))
        return std::nullopt;
    PNGWriterDataSink sink;
    if (!pngWriterEncodeInto(pixels, sink))
        return std::nullopt;
    return std::move(sink.data);
}

std::optional<VLData> VLPNGWriter::dataWithSource(const VLPixelSource& source) {
    std::optional<VLData> data;
    source.lendPixels([&](const VLPixels& pixels) { data = dataWithPixels(pixels); });
    return data;
}

VLErrorRef VLPNGWriter::writeSource(const VLPixelSource& source, const std::string& path,
                                    VLSymbolicLinkWriting links) {
    bool encodable = false;
    bool written = false;
    int failure = 0;
    source.lendPixels([&](const VLPixels& pixels) {
        encodable = pngWriterCanEncode(pixels);
        if (!encodable)
            return;
        written = VLWriteFileAtomicallyWith(
            path,
            [&](int fd) {
                PNGWriterFileSink sink(fd);
                if (pngWriterEncodeInto(pixels, sink) && sink.flush())
                    return true;
                errno = sink.failure;
                return false;
            },
            links);
        failure = errno;
    });
    if (!encodable)
        return VLError::make(
            VLCocoaErrorDomain, 512,
            {{VLLocalizedDescriptionKey, VLStringWithFormat("Can't encode an image for %@", path)}});
    if (!written)
        return VLError::make(VLPOSIXErrorDomain, failure,
                             {{VLLocalizedDescriptionKey,
                               VLStringWithFormat("Can't write %@: %s", path, std::strerror(failure))}});
    return nullptr;
}
