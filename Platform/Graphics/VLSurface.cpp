#include "Platform/Graphics/VLSurface.h"

#include <atomic>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr size_t kVLSurfaceRowAlignment = 64;
constexpr size_t kVLSurfacePageAlignment = 4096;

std::atomic<uint64_t> gVLSurfaceTotalBytes{0};

size_t roundUpSurfaceSize(size_t size, size_t alignment) {
    return (size + alignment - 1) / alignment * alignment;
}

// A sealed memfd of the size, or -1.
int makeSealedSurfaceMemory(size_t size) {
    const int fd = memfd_create("VLSurface", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0)
        return -1;
    if (ftruncate(fd, off_t(size)) != 0 ||
        fcntl(fd, F_ADD_SEALS, F_SEAL_GROW | F_SEAL_SHRINK | F_SEAL_SEAL) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

} // namespace

size_t VLSurface::alignedBytesPerRow(uint32_t width) {
    return roundUpSurfaceSize(size_t(width) * 4, kVLSurfaceRowAlignment);
}

size_t VLSurface::alignedAllocationSize(size_t bytesPerRow, uint32_t height) {
    return roundUpSurfaceSize(bytesPerRow * height, kVLSurfacePageAlignment);
}

uint64_t VLSurface::processTotalBytes() {
    return gVLSurfaceTotalBytes.load();
}

std::shared_ptr<VLSurface> VLSurface::create(uint32_t width, uint32_t height, uint32_t pixelFormat) {
    if (width == 0 || height == 0 || width > MaximumSide || height > MaximumSide ||
        pixelFormat != PixelFormatBGRA)
        return nullptr;
    const size_t bytesPerRow = alignedBytesPerRow(width);
    const size_t allocationSize = alignedAllocationSize(bytesPerRow, height);
    const int fd = makeSealedSurfaceMemory(allocationSize);
    if (fd < 0)
        return nullptr;
    void* bytes = mmap(nullptr, allocationSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (bytes == MAP_FAILED) {
        close(fd);
        return nullptr;
    }
    gVLSurfaceTotalBytes += allocationSize;
    return std::shared_ptr<VLSurface>(
        new VLSurface(width, height, bytesPerRow, allocationSize, fd, static_cast<uint8_t*>(bytes)));
}

VLSurface::VLSurface(uint32_t width, uint32_t height, size_t bytesPerRow, size_t allocationSize, int fd,
                     uint8_t* bytes)
    : _width(width), _height(height), _bytesPerRow(bytesPerRow), _allocationSize(allocationSize), _fd(fd),
      _bytes(bytes) {}

VLSurface::~VLSurface() {
    munmap(_bytes, _allocationSize);
    close(_fd);
    gVLSurfaceTotalBytes -= _allocationSize;
}

int VLSurface::duplicateFileDescriptor() const {
    return fcntl(_fd, F_DUPFD_CLOEXEC, 0);
}

VLMutablePixels VLSurface::mutablePixels() const {
    return {_bytes, _width, _height, _bytesPerRow, VLBitmapByteOrder::BGRA};
}

void VLSurface::retainUse() const {
    std::lock_guard lock(_useLock);
    ++_useCount;
}

void VLSurface::releaseUse() const {
    {
        std::lock_guard lock(_useLock);
        if (_useCount == 0)
            return;
        if (--_useCount > 0)
            return;
    }
    _useEnded.notify_all();
}

bool VLSurface::isInUse() const {
    std::lock_guard lock(_useLock);
    return _useCount > 0;
}

void VLSurface::waitUntilNotInUse() const {
    std::unique_lock lock(_useLock);
    _useEnded.wait(lock, [this] { return _useCount == 0; });
}

void VLSurface::lendPixels(const Reader& reader) const {
    retainUse();
    struct ReleaseUse {
        const VLSurface* surface;
        ~ReleaseUse() { surface->releaseUse(); }
    } release{this};
    reader({_bytes, _width, _height, _bytesPerRow, VLBitmapByteOrder::BGRA});
}
