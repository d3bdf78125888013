#pragma once

#include "Platform/Graphics/VLPixelSource.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

// The colour space a surface's pixels are tagged with.
enum class VLSurfaceColorSpace : uint8_t { SRGB };

// A block of pixels in shared memory that a layer shows as its contents and that can cross into another
// process by its file descriptor: a memfd, close-on-exec and sealed so that its size never changes under
// a process that maps it. Pixels are four bytes, premultiplied, in the surface's pixel format; rows are
// padded to 64 bytes and the block to whole pages.
//
// Any thread. The pixels have no lock of their own: a writer writes only while the surface is not in
// use (waitUntilNotInUse), and every reader borrows through lendPixels or retainUse, so that a writer
// can wait for it.
class VLSurface final : public VLPixelSource {
public:
    // FourCC 'BGRA': bytes blue, green, red, alpha.
    static constexpr uint32_t PixelFormatBGRA = 0x42475241;
    // Larger sides are refused, as no canvas or video frame reaches them.
    static constexpr uint32_t MaximumSide = 32768;

    // Null for a side of 0 or above MaximumSide, a format other than BGRA, or memory that cannot be had.
    static std::shared_ptr<VLSurface> create(uint32_t width, uint32_t height,
                                             uint32_t pixelFormat = PixelFormatBGRA);
    ~VLSurface() override;
    VLSurface(const VLSurface&) = delete;
    VLSurface& operator=(const VLSurface&) = delete;

    static size_t alignedBytesPerRow(uint32_t width);
    static size_t alignedAllocationSize(size_t bytesPerRow, uint32_t height);
    // The allocation sizes of every surface alive in the process.
    static uint64_t processTotalBytes();

    uint32_t width() const { return _width; }
    uint32_t height() const { return _height; }
    uint32_t pixelFormat() const { return _pixelFormat; }
    size_t bytesPerRow() const { return _bytesPerRow; }
    size_t allocationSize() const { return _allocationSize; }
    VLSurfaceColorSpace colorSpace() const { return VLSurfaceColorSpace::SRGB; }
    // Stays owned by the surface.
    int fileDescriptor() const { return _fd; }
    // A close-on-exec copy of the memory file, for handing the pixels to another process; the caller
    // closes it. -1 when the process has no descriptor left.
    int duplicateFileDescriptor() const;

    // For the writer, who writes only while the surface is not in use.
    uint8_t* baseAddress() const { return _bytes; }
    VLMutablePixels mutablePixels() const;

    // Borrows: a reader holds a use while it reads the pixels.
    void retainUse() const;
    void releaseUse() const;
    bool isInUse() const;
    // Returns once no reader holds a use; the caller holds no lock a reader may need.
    void waitUntilNotInUse() const;

    // Holds a use while the reader runs.
    void lendPixels(const Reader& reader) const override;

private:
    VLSurface(uint32_t width, uint32_t height, size_t bytesPerRow, size_t allocationSize, int fd,
              uint8_t* bytes);

    const uint32_t _width;
    const uint32_t _height;
    const uint32_t _pixelFormat = PixelFormatBGRA;
    const size_t _bytesPerRow;
    const size_t _allocationSize;
    const int _fd;
    uint8_t* const _bytes;
    mutable std::mutex _useLock; // guards _useCount
    mutable std::condition_variable _useEnded;
    mutable uint32_t _useCount = 0;
};
