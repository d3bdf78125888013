#include "Tests/Support/VLGLTextureTest.h"

#include "Modules/Canvas/GL/VLEGLSharegroup.h"
#include "Modules/Canvas/GL/VLGLMemoryTracker.h"
#include "Platform/Foundation/VLFileIO.h"
#include "Platform/Graphics/VLBitmap.h"
#include "Platform/Image/VLPNGWriter.h"

#include <cstring>

void VLGLTextureTest::SetUp() {
    context->sharegroup()->vl_setLoggerProviderBlock([logger = logger] { return logger; });
}

void VLGLTextureTest::TearDown() {
    context->sharegroup()->vl_removeLoggerProvider();
    VLGLTest::TearDown();
}

VLGLMemoryTracker& VLGLTextureTest::tracker() const {
    return *context->sharegroup()->memoryTracker();
}

std::string VLGLTextureTest::writeFile(const std::string& name, const VLData& bytes) const {
    const std::string path = (folder / name).string();
    EXPECT_TRUE(VLWriteFileAtomically(path, bytes)) << path;
    return path;
}

GLuint VLGLTextureTest::boundTexture2D() {
    GLint texture = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
    return GLuint(texture);
}

VLData VLTestOpaquePixels(uint32_t width, uint32_t height, uint8_t seed) {
    VLData pixels(size_t(width) * height * 4);
    for (size_t index = 0; index < pixels.size(); ++index)
        pixels[index] = index % 4 == 3 ? 255 : uint8_t(index * 7 + seed);
    return pixels;
}

VLData VLTestPNG(uint32_t width, uint32_t height, const VLData& pixels) {
    std::shared_ptr<VLBitmap> bitmap = VLBitmap::make(width, height, VLBitmapByteOrder::RGBA,
                                                      VLBitmapAlpha::Premultiplied, VLBitmapContents::Unset);
    std::memcpy(bitmap->mutableBytes(), pixels.data(), bitmap->byteCount());
    return VLPNGWriter::dataWithPixels(bitmap->pixels()).value_or(VLData());
}
