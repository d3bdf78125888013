#pragma once

#include "Platform/Foundation/VLValue.h"
#include "Tests/Support/VLGLTest.h"
#include "Tests/Support/VLRecordingGLLogger.h"
#include "Tests/Support/VLTemporaryDirectory.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class VLGLMemoryTracker;

// A fixture for texture tests: the suite's OpenGL ES 2 context current on the test's thread, a recording
// logger in its share group, and a temporary folder for picture files.
class VLGLTextureTest : public VLGLTest {
protected:
    using Lines = std::vector<std::pair<std::string, std::string>>;

    std::shared_ptr<VLEGLContext> context = makeCurrentSharedContext(2);
    std::shared_ptr<VLRecordingGLLogger> logger = std::make_shared<VLRecordingGLLogger>();
    VLTemporaryDirectory folder;

    void SetUp() override;
    void TearDown() override;

    VLGLMemoryTracker& tracker() const;
    // Writes the bytes to a file of that name in the folder; its path.
    std::string writeFile(const std::string& name, const VLData& bytes) const;
    // The texture bound to GL_TEXTURE_2D in the current context.
    static GLuint boundTexture2D();
};

// Distinct RGBA bytes for a picture of that size; opaque, so that premultiplying keeps them.
VLData VLTestOpaquePixels(uint32_t width, uint32_t height, uint8_t seed = 0);
// A PNG of premultiplied RGBA pixels.
VLData VLTestPNG(uint32_t width, uint32_t height, const VLData& pixels);
