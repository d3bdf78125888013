#include "ContentHost/ContentHostProcessFigures.h"
#include "Platform/Graphics/VLSurface.h"

#include <gtest/gtest.h>

TEST(ContentHostProcessFigures, GPUMemoryCountsTheSurfacesWhileTheyAreHeld) {
    const uint64_t before = ContentHostProcessFigures::current().gpuMemory;
    std::shared_ptr<VLSurface> surface = VLSurface::create(300, 200);
    ASSERT_TRUE(surface);
    EXPECT_EQ(before + surface->allocationSize(), ContentHostProcessFigures::current().gpuMemory);
    surface.reset();
    EXPECT_EQ(before, ContentHostProcessFigures::current().gpuMemory);
}
