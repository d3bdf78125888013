#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Modules/Canvas/GL/VLEGLSharegroup.h"
#include "Modules/Canvas/GL/VLGLMemoryTracker.h"
#include "Modules/Canvas/GL/VLGLWrappers.h"
#include "Tests/Support/VLGLTest.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using testing::Pair;
using testing::UnorderedElementsAre;
using ImageMap = VLGLMemoryTracker::ImageMap;

// Each test records into the tracker of the suite's share group, on names of its own.
class VLGLMemoryTrackerTests : public VLGLTest {
protected:
    std::shared_ptr<VLEGLContext> context = makeCurrentSharedContext(3);
    std::shared_ptr<VLGLMemoryTracker> tracker =
        VLGLMemoryTracker::trackerForSharegroup(context->sharegroup());

    void TearDown() override {
        expectTotalIsTheSum();
        VLGLTest::TearDown();
    }

    void expectTotalIsTheSum() {
        const VLGLMemoryTracker::Contents contents = tracker->contents();
        uint64_t sum = 0;
        for (const auto& [texture, images] : contents.textures) {
            for (const auto& [key, bytes] : images)
                sum += bytes;
        }
        for (const auto* objects : {&contents.buffers, &contents.renderbuffers}) {
            for (const auto& [name, bytes] : *objects)
                sum += bytes;
        }
        EXPECT_EQ(contents.total, sum);
        EXPECT_EQ(tracker->renderingMemorySize(), sum);
    }

    ImageMap imagesOf(GLuint texture) {
        const VLGLMemoryTracker::Contents contents = tracker->contents();
        auto found = contents.textures.find(texture);
        return found == contents.textures.end() ? ImageMap() : found->second;
    }

    GLuint boundTexture(GLenum target) {
        GLuint texture = 0;
        glGenTextures(1, &texture);
        glBindTexture(target, texture);
        return texture;
    }
};

TEST_F(VLGLMemoryTrackerTests, ImagesAreRecordedOnTheBoundTextureAndReplaced) {
    const GLuint texture = boundTexture(GL_TEXTURE_2D);
    const uint64_t before = tracker->renderingMemorySize();
    VLGLTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 10, 10, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    EXPECT_THAT(imagesOf(texture), UnorderedElementsAre(Pair(0, 400)));
    VLGLTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 10, 10, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    EXPECT_THAT(imagesOf(texture), UnorderedElementsAre(Pair(0, 400)));
    EXPECT_EQ(tracker->renderingMemorySize(), before + 400);
    expectTotalIsTheSum();

    // Twice generated, one pseudo level of a third of level 0.
    const GLuint mipmapped = boundTexture(GL_TEXTURE_2D);
    VLGLTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 64, 64, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    VLGLGenerateMipmap(GL_TEXTURE_2D);
    VLGLGenerateMipmap(GL_TEXTURE_2D);
    EXPECT_THAT(imagesOf(mipmapped), UnorderedElementsAre(Pair(0, 16384), Pair(255, 5461)));
    expectTotalIsTheSum();

    // A cube face and a 3D level.
    const GLuint cube = boundTexture(GL_TEXTURE_CUBE_MAP);
    VLGLTexImage2D(GL_TEXTURE_CUBE_MAP_NEGATIVE_Y, 1, GL_RGBA, 2, 2, 0, GL_RGBA, GL_FLOAT, nullptr);
    EXPECT_THAT(imagesOf(cube), UnorderedElementsAre(Pair(3 << 8 | 1, 64)));
    const GLuint volume = boundTexture(GL_TEXTURE_3D);
    VLGLTexImage3D(GL_TEXTURE_3D, 2, GL_RGBA8, 2, 2, 3, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    EXPECT_THAT(imagesOf(volume), UnorderedElementsAre(Pair(2, 48)));

    // Compressed images count the size given (none below 1); copies count the internal format's pixels.
    const GLuint compressed = boundTexture(GL_TEXTURE_2D);
    VLGLCompressedTexImage2D(GL_TEXTURE_2D, 0, GL_COMPRESSED_RGB_S3TC_DXT1_EXT, 4, 4, 0, 8, nullptr);
    VLGLCompressedTexImage2D(GL_TEXTURE_2D, 1, GL_COMPRESSED_RGB_S3TC_DXT1_EXT, 2, 2, 0, -5, nullptr);
    EXPECT_THAT(imagesOf(compressed), UnorderedElementsAre(Pair(0, 8), Pair(1, 0)));
    const GLuint copy = boundTexture(GL_TEXTURE_2D);
    VLGLCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, 3, 3, 0);
    EXPECT_THAT(imagesOf(copy), UnorderedElementsAre(Pair(0, 36)));
    for (const GLuint name : {texture, mipmapped, cube, volume, compressed, copy})
        VLGLDeleteTextures(1, &name);
}

TEST_F(VLGLMemoryTrackerTests, AnImageRecordedAgainAfterItsTextureChangedWholeStartsAnew) {
    const GLuint texture = boundTexture(GL_TEXTURE_2D);
    VLGLTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    VLGLTexStorage2D(GL_TEXTURE_2D, 1, GL_RGBA8, 4, 4);
    VLGLTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    EXPECT_THAT(imagesOf(texture), UnorderedElementsAre(Pair(0, 4)));
    expectTotalIsTheSum();
    VLGLDeleteTextures(1, &texture);
    // The same name again, as a new texture.
    glBindTexture(GL_TEXTURE_2D, texture);
    VLGLTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    EXPECT_THAT(imagesOf(texture), UnorderedElementsAre(Pair(0, 8)));
    expectTotalIsTheSum();
    VLGLDeleteTextures(1, &texture);
}

TEST_F(VLGLMemoryTrackerTests, NothingIsRecordedWithoutABoundTextureOrACurrentContext) {
    glBindTexture(GL_TEXTURE_2D, 0);
    const VLGLMemoryTracker::Contents before = tracker->contents();
    VLGLTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    // A target the tracker does not follow.
    const GLuint texture = boundTexture(GL_TEXTURE_2D);
    VLGLTexImage2D(GL_RENDERBUFFER, 0, GL_RGBA, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    ASSERT_TRUE(VLEGLContext::setCurrentContext(nullptr));
    VLGLTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    EXPECT_EQ(VLGLMemoryTracker::currentTracker(), nullptr);
    ASSERT_TRUE(VLEGLContext::setCurrentContext(context));
    EXPECT_EQ(tracker->contents().textures, before.textures);
    EXPECT_EQ(tracker->contents().total, before.total);
    VLGLDeleteTextures(1, &texture);
}

TEST_F(VLGLMemoryTrackerTests, StorageRecordsEveryLevelAndFace) {
    struct Row {
        GLenum target;
        GLsizei levels;
        GLenum internalformat;
        GLsizei width, height;
        uint64_t total;
        size_t images;
    };
    const Row rows[] = {
        {GL_TEXTURE_CUBE_MAP, 3, GL_RGBA8, 8, 8, 6 * (256 + 64 + 16), 18},
        {GL_TEXTURE_2D, 1, GL_COMPRESSED_RGB_S3TC_DXT1_EXT, 5, 5, 32, 1},
        {GL_TEXTURE_2D, 1, GL_COMPRESSED_RGBA_ASTC_10x10, 20, 20, 64, 1},
        {GL_TEXTURE_2D, 1, GL_RGB8, 3, 2, 24, 1},
        {GL_TEXTURE_2D, 4, GL_RGBA8, 4, 1, 16 + 8 + 4 + 4, 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.internalformat);
        const GLuint texture = boundTexture(row.target);
        VLGLTexStorage2D(row.target, row.levels, row.internalformat, row.width, row.height);
        const ImageMap images = imagesOf(texture);
        EXPECT_EQ(images.size(), row.images);
        uint64_t sum = 0;
        for (const auto& [key, bytes] : images)
            sum += bytes;
        EXPECT_EQ(sum, row.total);
        expectTotalIsTheSum();
        VLGLDeleteTextures(1, &texture);
    }

    // 3D levels shrink in depth, array layers do not.
    const GLuint volume = boundTexture(GL_TEXTURE_3D);
    VLGLTexStorage3D(GL_TEXTURE_3D, 2, GL_R8, 4, 4, 4);
    EXPECT_THAT(imagesOf(volume), UnorderedElementsAre(Pair(0, 64), Pair(1, 8)));
    const GLuint array = boundTexture(GL_TEXTURE_2D_ARRAY);
    VLGLTexStorage3D(GL_TEXTURE_2D_ARRAY, 2, GL_R8, 4, 4, 4);
    EXPECT_THAT(imagesOf(array), UnorderedElementsAre(Pair(0, 64), Pair(1, 16)));
    for (const GLuint name : {volume, array})
        VLGLDeleteTextures(1, &name);
}

TEST_F(VLGLMemoryTrackerTests, BuffersAndRenderbuffersAreRecordedAndDeletedNamesForgotten) {
    GLuint buffers[2] = {};
    glGenBuffers(2, buffers);
    glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
    VLGLBufferData(GL_ARRAY_BUFFER, 100, nullptr, GL_STATIC_DRAW);
    glBindBuffer(GL_DRAW_INDIRECT_BUFFER, buffers[1]);
    VLGLBufferData(GL_DRAW_INDIRECT_BUFFER, 100, nullptr, GL_STATIC_DRAW);
    const VLGLMemoryTracker::Contents recorded = tracker->contents();
    EXPECT_EQ(recorded.buffers.count(buffers[0]), 1u);
    EXPECT_EQ(recorded.buffers.count(buffers[1]), 0u);
    EXPECT_EQ(recorded.buffers.at(buffers[0]), 100u);

    GLuint renderbuffers[3] = {};
    glGenRenderbuffers(3, renderbuffers);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers[0]);
    VLGLRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, 8, 8);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers[1]);
    VLGLRenderbufferStorageMultisample(GL_RENDERBUFFER, 4, GL_RGBA8, 8, 8);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers[2]);
    VLGLRenderbufferStorageMultisampleAPPLE(GL_RENDERBUFFER, 2, GL_DEPTH_COMPONENT16, 8, 8);
    const VLGLMemoryTracker::Contents stored = tracker->contents();
    EXPECT_EQ(stored.renderbuffers.at(renderbuffers[0]), 256u);
    EXPECT_EQ(stored.renderbuffers.at(renderbuffers[1]), 1024u);
    EXPECT_EQ(stored.renderbuffers.at(renderbuffers[2]), 256u);
    expectTotalIsTheSum();

    // Known and unknown names alike: only the known ones were there to forget.
    const GLuint texture = boundTexture(GL_TEXTURE_2D);
    VLGLTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    const uint64_t before = tracker->renderingMemorySize();
    const GLuint unknown = 40000;
    const GLuint textures[] = {unknown, texture};
    VLGLDeleteTextures(2, textures);
    const GLuint buffersToDelete[] = {buffers[0], unknown, buffers[1]};
    VLGLDeleteBuffers(3, buffersToDelete);
    const GLuint renderbuffersToDelete[] = {renderbuffers[1], unknown};
    VLGLDeleteRenderbuffers(2, renderbuffersToDelete);
    const VLGLMemoryTracker::Contents after = tracker->contents();
    EXPECT_EQ(after.textures.count(texture), 0u);
    EXPECT_EQ(after.buffers.count(buffers[0]), 0u);
    EXPECT_EQ(after.renderbuffers.count(renderbuffers[1]), 0u);
    EXPECT_EQ(after.renderbuffers.count(renderbuffers[0]), 1u);
    EXPECT_EQ(after.total, before - 4 - 100 - 1024);
    const GLuint rest[] = {renderbuffers[0], renderbuffers[2]};
    VLGLDeleteRenderbuffers(2, rest);
}

TEST_F(VLGLMemoryTrackerTests, TheHiddenContextRecordsIntoItsGroup) {
    makeCurrentSharedContext(2); // the second of the group: the hidden context exists
    std::shared_ptr<VLEGLContext> hidden = context->sharegroup()->sharedContext();
    ASSERT_NE(hidden, nullptr);
    ASSERT_TRUE(VLEGLContext::setCurrentContext(hidden));
    EXPECT_EQ(VLGLMemoryTracker::currentTracker(), tracker);
    const GLuint texture = boundTexture(GL_TEXTURE_2D);
    VLGLTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    EXPECT_THAT(imagesOf(texture), UnorderedElementsAre(Pair(0, 16)));
    VLGLDeleteTextures(1, &texture);
    EXPECT_TRUE(imagesOf(texture).empty());
}

} // namespace
