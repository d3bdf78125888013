#include "Modules/Canvas/GL/VLEGLSharegroup.h"
#include "Modules/Canvas/GL/VLGLMemoryTracker.h"
#include "Modules/Canvas/GL/VLGLTexture.h"
#include "Modules/Canvas/GL/VLGLTextureCache.h"
#include "Platform/Foundation/VLBase64.h"
#include "Platform/Foundation/VLClock.h"
#include "Platform/Foundation/VLFileIO.h"
#include "Platform/Foundation/VLManualClock.h"
#include "Platform/Graphics/VLBitmap.h"
#include "Tests/Platform/Image/VLImageTestFixtures.h"
#include "Tests/Support/VLGLCallCounter.h"
#include "Tests/Support/VLGLContextOnOtherThread.h"
#include "Tests/Support/VLGLTextureTest.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <thread>

namespace {

using testing::ElementsAre;
using testing::Pair;

class VLGLTextureTests : public VLGLTextureTest {
protected:
    // The last line logged, or nothing.
    std::pair<std::string, std::string> lastLine() {
        const Lines lines = logger->lines();
        return lines.empty() ? std::pair<std::string, std::string>() : lines.back();
    }
};

// RGBA pixels of a picture `width` wide with a rectangle of it replaced.
VLData withRectangle(VLData pixels, int32_t width, const VLData& rectangle, int32_t x, int32_t y,
                     int32_t rectangleWidth) {
    const size_t rowBytes = size_t(rectangleWidth) * 4;
    for (size_t row = 0; row * rowBytes < rectangle.size(); ++row)
        std::copy_n(rectangle.begin() + long(row * rowBytes), rowBytes,
                    pixels.begin() + long(((size_t(y) + row) * size_t(width) + size_t(x)) * 4));
    return pixels;
}

// A PNG whose header claims the size, with nothing behind it.
VLData pngClaiming(uint32_t width, uint32_t height) {
    VLData png = VLTestPNG(1, 1, VLData(4, 255));
    for (int byte = 0; byte < 4; ++byte) {
        png[16 + byte] = uint8_t(width >> (24 - 8 * byte));
        png[20 + byte] = uint8_t(height >> (24 - 8 * byte));
    }
    const uLong crc = crc32(0, png.data() + 12, 17);
    for (int byte = 0; byte < 4; ++byte)
        png[29 + byte] = uint8_t(crc >> (24 - 8 * byte));
    return png;
}

TEST_F(VLGLTextureTests, PixelsComeBackAfterAnUpdateWithTheCallersBindingKept) {
    GLuint callers = 0;
    glGenTextures(1, &callers);
    glBindTexture(GL_TEXTURE_2D, callers);

    const VLData pixels = VLTestOpaquePixels(5, 3);
    std::shared_ptr<VLGLTexture> texture = VLGLTexture::createWithWidth(5, 3, pixels);
    ASSERT_NE(texture->textureId(), 0u);
    EXPECT_EQ(boundTexture2D(), callers);
    EXPECT_EQ(texture->pixels(), pixels);
    EXPECT_THAT(tracker().contents().textures[texture->textureId()], ElementsAre(Pair(0, 60)));

    const VLData inner = VLTestOpaquePixels(2, 2, 100);
    texture->updateWithPixels(inner, 1, 1, 2, 2);
    EXPECT_EQ(boundTexture2D(), callers);
    const VLData updated = withRectangle(pixels, 5, inner, 1, 1, 2);
    EXPECT_EQ(texture->pixels(), updated);
    std::shared_ptr<VLBitmap> image = texture->image();
    ASSERT_EQ(image->width(), 5u);
    EXPECT_EQ(VLData(image->bytes(), image->bytes() + image->byteCount()), updated);
    glDeleteTextures(1, &callers);
}

TEST_F(VLGLTextureTests, PixelsAreReadInTheStoragesContextFromAnyThread) {
    // A second context gives the group its shared context.
    sharedContext(3);
    const VLData pixels = VLTestOpaquePixels(4, 4);
    std::shared_ptr<VLGLTexture> texture = VLGLTexture::createWithWidth(4, 4, pixels);
    VLEGLContext::setCurrentContext(nullptr);
    VLData read;
    std::thread([&] { read = texture->pixels(); }).join();
    EXPECT_EQ(read, pixels);

    VLGLContextOnOtherThread busy(context);
    VLGLContextOnOtherThread sharedBusy(context->sharegroup()->sharedContext());
    ASSERT_TRUE(busy.isCurrent() && sharedBusy.isCurrent());
    EXPECT_TRUE(texture->pixels().empty());
}

TEST_F(VLGLTextureTests, SidesBeyondTheLimitAreRefusedWithoutGPUMemory) {
    const struct {
        int32_t width, height;
        bool withPixels;
        const char* warning;
    } cases[] = {
        {16385, 1, true, "texture size (16385, 1) exceed the max size: 16384"},
        {40000, 10, true, "texture size (40000, 10) exceed the max size: 16384"},
        {1, 16385, false, "texture(dynamic) size (1, 16385) exceed the max size: 16384"},
        {40000, 10, false, "texture(dynamic) size (40000, 10) exceed the max size: 16384"},
    };
    const uint64_t before = tracker().renderingMemorySize();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.warning);
        const VLData pixel(4, 255);
        std::shared_ptr<VLGLTexture> texture = c.withPixels
                                                   ? VLGLTexture::createWithWidth(c.width, c.height, pixel)
                                                   : VLGLTexture::createWithWidth(c.width, c.height);
        EXPECT_EQ(texture->textureId(), 0u);
        EXPECT_THAT(lastLine(), Pair("warn", c.warning));
    }
    EXPECT_EQ(logger->lines().size(), std::size(cases));
    EXPECT_EQ(tracker().renderingMemorySize(), before);
}

TEST_F(VLGLTextureTests, LazyTexturesMeasureWithoutAContextAndLoadAtFirstBind) {
    const VLData pixels = VLTestOpaquePixels(6, 4);
    const std::string png = writeFile("picture.png", VLTestPNG(6, 4, pixels));
    // Stored 48 by 32, shown turned a quarter.
    const std::string jpeg =
        writeFile("turned.jpg", VLJPEGWithExif(VLImageFixture("wide.jpg"), VLExifWithOrientation(6)));
    int reads = 0;
    auto reader = [&reads](const std::string& path) {
        ++reads;
        return VLContentsOfFile(path);
    };

    VLEGLContext::setCurrentContext(nullptr);
    std::shared_ptr<VLGLTexture> texture = VLGLTexture::createWithPath(png, true);
    texture->setFileReader(reader);
    EXPECT_EQ(texture->width(), 6);
    EXPECT_EQ(texture->height(), 4);
    EXPECT_EQ(reads, 1);
    std::shared_ptr<VLGLTexture> turned = VLGLTexture::createWithPath(jpeg, true);
    EXPECT_EQ(turned->width(), 32);
    EXPECT_EQ(turned->height(), 48);
    EXPECT_FALSE(texture->textureStorage() || turned->textureStorage());

    makeCurrentSharedContext(2);
    texture->bindToTarget(GL_TEXTURE_2D);
    ASSERT_TRUE(texture->textureStorage());
    EXPECT_EQ(reads, 2);
    EXPECT_EQ(boundTexture2D(), texture->textureId());
    EXPECT_EQ(texture->pixels(), pixels);
    EXPECT_EQ(turned->pixels().size(), 32u * 48 * 4);
    EXPECT_EQ(turned->width(), 32);

    // Kept while bound; dropped once not, and read again at the next use.
    texture->maybeReleaseStorage();
    EXPECT_TRUE(texture->textureStorage());
    glBindTexture(GL_TEXTURE_2D, 0);
    texture->maybeReleaseStorage();
    EXPECT_FALSE(texture->textureStorage());
    EXPECT_NE(texture->textureId(), 0u);
    EXPECT_EQ(reads, 3);
    EXPECT_EQ(texture->pixels(), pixels);
    EXPECT_TRUE(logger->lines().empty());
}

TEST_F(VLGLTextureTests, TheCacheForgetsFreedTexturesAndAgesStoragesOnTheClock) {
    auto clock = std::make_shared<VLManualClock>(1000'000'000'000);
    VLClock::setShared(clock);
    const std::string path = writeFile("picture.png", VLTestPNG(2, 2, VLTestOpaquePixels(2, 2)));
    VLGLTextureCache cache;
    std::shared_ptr<VLGLTexture> old = VLGLTexture::createWithPath(path, true);
    std::shared_ptr<VLGLTexture> recent = VLGLTexture::createWithPath(path, true);
    std::shared_ptr<VLGLTexture> freed = VLGLTexture::createWithPath(path, true);
    cache.setTextureForPath(old, "old");
    cache.setTextureForPath(recent, "recent");
    cache.setTextureForPath(freed, "freed");
    freed.reset();
    EXPECT_EQ(cache.textureForPath("freed"), nullptr);
    EXPECT_EQ(cache.textures().size(), 2u);

    old->bindToTarget(GL_TEXTURE_2D);
    clock->advance(2);
    recent->bindToTarget(GL_TEXTURE_2D);
    clock->advance(2);
    glBindTexture(GL_TEXTURE_2D, 0);
    cache.releaseStoragesOlderThan(3);
    VLClock::setShared(nullptr);
    EXPECT_FALSE(old->textureStorage());
    EXPECT_TRUE(recent->textureStorage());
    EXPECT_EQ(cache.textureForPath("old"), old);
}

TEST_F(VLGLTextureTests, DataURIsDecodeInBase64OrPercentEncoded) {
    const VLData pixels = VLTestOpaquePixels(3, 2);
    const VLData png = VLTestPNG(3, 2, pixels);
    std::string percentEncoded = "data:image/png,";
    for (const uint8_t byte : png) {
        char escape[4];
        std::snprintf(escape, sizeof(escape), "%%%02X", byte);
        percentEncoded += escape;
    }
    for (const std::string& uri : {"data:image/png;base64," + VLBase64Encode(png), percentEncoded}) {
        std::shared_ptr<VLGLTexture> texture = VLGLTexture::createWithPath(uri);
        EXPECT_EQ(texture->width(), 3);
        EXPECT_EQ(texture->pixels(), pixels);
    }
    EXPECT_TRUE(logger->lines().empty());
}

// Nothing is read from what is no picture, and no picture takes memory beyond the picture limit.
TEST_F(VLGLTextureTests, WhatIsNoPictureGivesNoTextureAndSaysSo) {
    const VLData png = VLTestPNG(8, 8, VLTestOpaquePixels(8, 8));
    const std::string paths[] = {
        writeFile("text.png", VLData{'n', 'o', 'p', 'e'}),
        writeFile("cut.png", VLData(png.begin(), png.begin() + long(png.size() / 2))),
        writeFile("huge.png", pngClaiming(20000, 20000)),
        writeFile("many.png", pngClaiming(8193, 8192)),
        writeFile("wide.png", pngClaiming(16385, 1)),
        (folder / "missing.png").string(),
    };
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        EXPECT_EQ(VLGLTexture::createWithPath(path)->textureId(), 0u);
        EXPECT_THAT(lastLine(), Pair("error", "Error Loading image from Path: " + path));
    }
    for (const std::string uri :
         {"data:image/png;base64,iVBORw0K!!", "data:image/png;base64", "data:,nope"}) {
        EXPECT_EQ(VLGLTexture::createWithPath(uri)->textureId(), 0u);
        EXPECT_THAT(lastLine(), Pair("error", "Error Loading image from Data URI: " + uri));
    }

    // A lazy texture learns no size from a picture it could never load: one of more pixels than the
    // picture limit allows, though each side would fit a texture.
    VLEGLContext::setCurrentContext(nullptr);
    std::shared_ptr<VLGLTexture> lazy = VLGLTexture::createWithPath(paths[3], true);
    EXPECT_EQ(lazy->width(), 0);
    makeCurrentSharedContext(2);
    EXPECT_EQ(lazy->textureId(), 0u);
    EXPECT_THAT(lastLine(), Pair("error", "Error Loading image from Path: " + paths[3]));
}

TEST_F(VLGLTextureTests, ACopySharesTheStorageOfAPlainTexture) {
    std::shared_ptr<VLGLTexture> texture = VLGLTexture::createWithWidth(2, 2, VLTestOpaquePixels(2, 2));
    texture->setParam(GL_NEAREST, GL_TEXTURE_MAG_FILTER);
    std::shared_ptr<VLGLTexture> copy = texture->copy();
    EXPECT_EQ(copy->textureStorage(), texture->textureStorage());
    EXPECT_EQ(copy->paramForName(GL_TEXTURE_MAG_FILTER), GLenum(GL_NEAREST));
    EXPECT_EQ(copy->width(), 2);
    EXPECT_EQ(copy->paramForName(GL_TEXTURE_BINDING_2D), 0u);
}

TEST_F(VLGLTextureTests, ABindAppliesOnlyTheSamplerValuesThatChanged) {
    std::shared_ptr<VLGLTexture> texture = VLGLTexture::createWithWidth(1, 1, VLData(4, 255));
    VLGLCallCounter<glTexParameteri> calls;
    texture->bindToTarget(GL_TEXTURE_2D);
    EXPECT_EQ(calls.calls(), 0);
    texture->setParam(GL_REPEAT, GL_TEXTURE_WRAP_T);
    texture->bindWithFilter(GL_NEAREST);
    EXPECT_EQ(calls.calls(), 3);
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
    EXPECT_EQ(value, GL_NEAREST);
    texture->bindWithFilter(GL_NEAREST);
    EXPECT_EQ(calls.calls(), 3);
}

TEST_F(VLGLTextureTests, PicturesBecomePremultipliedRGBA) {
    const struct {
        VLBitmapByteOrder order;
        VLBitmapAlpha alpha;
        VLData bytes;
    } cases[] = {
        {VLBitmapByteOrder::RGBA, VLBitmapAlpha::Premultiplied, {10, 20, 30, 51}},
        {VLBitmapByteOrder::BGRA, VLBitmapAlpha::Premultiplied, {30, 20, 10, 51}},
        {VLBitmapByteOrder::RGBA, VLBitmapAlpha::Straight, {50, 100, 150, 51}},
    };
    for (const auto& c : cases) {
        std::shared_ptr<VLBitmap> bitmap = VLBitmap::make(1, 1, c.order, c.alpha);
        std::copy(c.bytes.begin(), c.bytes.end(), bitmap->mutableBytes());
        std::shared_ptr<VLGLTexture> texture = VLGLTexture::createWithImage(bitmap);
        EXPECT_EQ(texture->pixels(), (VLData{10, 20, 30, 51})) << int(c.order) << int(c.alpha);
    }
}

TEST_F(VLGLTextureTests, WebGLGetsAMutableStorageKeepingThePixelsWhenAsked) {
    const VLData pixels = VLTestOpaquePixels(2, 2);
    std::shared_ptr<VLGLTexture> kept = VLGLTexture::createWithWidth(2, 2, pixels);
    std::shared_ptr<VLGLTexture> shared = kept->copy();
    kept->ensureMutableKeepPixels(true, GL_TEXTURE_2D);
    ASSERT_TRUE(kept->textureStorage());
    EXPECT_FALSE(kept->textureStorage()->immutable());
    EXPECT_NE(kept->textureId(), shared->textureId());
    EXPECT_EQ(kept->pixels(), pixels);
    const std::shared_ptr<VLGLTextureStorage> storage = kept->textureStorage();
    kept->ensureMutableKeepPixels(true, GL_TEXTURE_2D);
    EXPECT_EQ(kept->textureStorage(), storage);

    shared->ensureMutableKeepPixels(false, GL_TEXTURE_2D);
    EXPECT_FALSE(shared->textureStorage()->immutable());
    std::shared_ptr<VLGLTexture> empty = VLGLTexture::createEmptyForWebGL();
    EXPECT_EQ(empty->textureId(), 0u);
    empty->ensureMutableKeepPixels(true, GL_TEXTURE_2D);
    EXPECT_NE(empty->textureId(), 0u);
    EXPECT_EQ(empty->paramForName(GL_TEXTURE_WRAP_S), GLenum(GL_REPEAT));
}

TEST_F(VLGLTextureTests, StoragesAreDeletedInTheirOwnContextOrLeaked) {
    std::shared_ptr<VLEGLContext> other = sharedContext(3);
    std::shared_ptr<VLGLTexture> texture = VLGLTexture::createWithWidth(2, 2, VLTestOpaquePixels(2, 2));
    GLuint name = texture->textureId();
    VLEGLContext::setCurrentContext(nullptr);
    std::thread([texture = std::move(texture)]() mutable { texture.reset(); }).join();
    makeCurrentSharedContext(2);
    EXPECT_FALSE(glIsTexture(name));
    EXPECT_FALSE(tracker().contents().textures.contains(name));

    // Its context and the group's shared one are in use elsewhere: the name is left, not deleted in
    // another context, and the widget hears of it.
    texture = VLGLTexture::createWithWidth(2, 2, VLTestOpaquePixels(2, 2));
    name = texture->textureId();
    VLEGLContext::setCurrentContext(other);
    {
        VLGLContextOnOtherThread busy(context);
        VLGLContextOnOtherThread sharedBusy(context->sharegroup()->sharedContext());
        texture.reset();
    }
    EXPECT_THAT(logger->lines(),
                ElementsAre(Pair("warn", "can't make a context of the sharegroup current, it's in use on "
                                         "another thread")));
    EXPECT_TRUE(glIsTexture(name));
    glDeleteTextures(1, &name);
}

} // namespace
