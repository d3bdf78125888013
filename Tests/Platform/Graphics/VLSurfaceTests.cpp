#include "Platform/Graphics/VLSurface.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

TEST(VLSurfaceTests, RowsAndAllocationAreAligned) {
    struct Case {
        uint32_t width;
        uint32_t height;
        size_t bytesPerRow;
        size_t allocationSize;
    };
    for (const Case& c : {Case{1, 1, 64, 4096}, Case{16, 64, 64, 4096}, Case{17, 64, 128, 8192},
                          Case{1440, 900, 5760, 5185536}}) {
        SCOPED_TRACE(c.width);
        const std::shared_ptr<VLSurface> surface = VLSurface::create(c.width, c.height);
        ASSERT_TRUE(surface);
        EXPECT_EQ(surface->bytesPerRow(), c.bytesPerRow);
        EXPECT_EQ(surface->allocationSize(), c.allocationSize);
        EXPECT_EQ(surface->pixelFormat(), 0x42475241u);
        EXPECT_EQ(surface->colorSpace(), VLSurfaceColorSpace::SRGB);
        // The whole allocation is mapped and writable.
        surface->baseAddress()[c.allocationSize - 1] = 7;
    }
}

TEST(VLSurfaceTests, BadSizesAndFormatsMakeNothing) {
    EXPECT_FALSE(VLSurface::create(0, 10));
    EXPECT_FALSE(VLSurface::create(10, 0));
    EXPECT_FALSE(VLSurface::create(VLSurface::MaximumSide + 1, 1));
    EXPECT_FALSE(VLSurface::create(UINT32_MAX, UINT32_MAX));
    EXPECT_FALSE(VLSurface::create(4, 4, 0x52474241 /* 'RGBA' */));
}

TEST(VLSurfaceTests, MemoryCannotGrowOrShrinkAndStaysPrivateToExec) {
    const std::shared_ptr<VLSurface> surface = VLSurface::create(16, 16);
    ASSERT_TRUE(surface);
    const int fd = surface->fileDescriptor();
    EXPECT_NE(ftruncate(fd, off_t(surface->allocationSize() * 2)), 0);
    EXPECT_NE(ftruncate(fd, 0), 0);
    const int seals = fcntl(fd, F_GET_SEALS);
    EXPECT_TRUE(seals & F_SEAL_GROW);
    EXPECT_TRUE(seals & F_SEAL_SHRINK);
    EXPECT_TRUE(fcntl(fd, F_GETFD) & FD_CLOEXEC);
}

TEST(VLSurfaceTests, ADuplicateShowsThePixelsAfterTheSurfaceIsGone) {
    std::shared_ptr<VLSurface> surface = VLSurface::create(16, 16);
    ASSERT_TRUE(surface);
    surface->baseAddress()[5] = 0x5A;
    const int duplicate = surface->duplicateFileDescriptor();
    ASSERT_GE(duplicate, 0);
    EXPECT_NE(duplicate, surface->fileDescriptor());
    EXPECT_TRUE(fcntl(duplicate, F_GETFD) & FD_CLOEXEC);
    const size_t size = surface->allocationSize();
    surface.reset();
    void* mapped = mmap(nullptr, size, PROT_READ, MAP_SHARED, duplicate, 0);
    ASSERT_NE(mapped, MAP_FAILED);
    EXPECT_EQ(static_cast<const uint8_t*>(mapped)[5], 0x5A);
    munmap(mapped, size);
    close(duplicate);
}

TEST(VLSurfaceTests, UseIsHeldExactlyWhilePixelsAreLent) {
    const std::shared_ptr<VLSurface> surface = VLSurface::create(3, 2);
    ASSERT_TRUE(surface);
    EXPECT_FALSE(surface->isInUse());
    bool lent = false;
    surface->lendPixels([&](const VLPixels& pixels) {
        lent = true;
        EXPECT_TRUE(surface->isInUse());
        EXPECT_EQ(pixels.bytes, surface->baseAddress());
        EXPECT_EQ(pixels.width, 3u);
        EXPECT_EQ(pixels.rowBytes, 64u);
        EXPECT_EQ(pixels.byteOrder, VLBitmapByteOrder::BGRA);
    });
    EXPECT_TRUE(lent);
    EXPECT_FALSE(surface->isInUse());

    // Uses nest; an extra release does not go below none.
    surface->retainUse();
    surface->retainUse();
    surface->releaseUse();
    EXPECT_TRUE(surface->isInUse());
    surface->releaseUse();
    surface->releaseUse();
    EXPECT_FALSE(surface->isInUse());
    surface->retainUse();
    EXPECT_TRUE(surface->isInUse());
    surface->releaseUse();
}

TEST(VLSurfaceTests, ProcessTotalFollowsMakingAndFreeing) {
    const uint64_t before = VLSurface::processTotalBytes();
    std::shared_ptr<VLSurface> a = VLSurface::create(17, 64);
    std::shared_ptr<VLSurface> b = VLSurface::create(1, 1);
    EXPECT_EQ(VLSurface::processTotalBytes(), before + 8192 + 4096);
    a.reset();
    EXPECT_EQ(VLSurface::processTotalBytes(), before + 4096);
    b.reset();
    EXPECT_EQ(VLSurface::processTotalBytes(), before);
}

} // namespace
