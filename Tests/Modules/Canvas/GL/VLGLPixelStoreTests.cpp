#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Modules/Canvas/GL/VLGLPixelStore.h"
#include "Tests/Support/VLGLTest.h"

#include <gtest/gtest.h>

#include <map>

namespace {

const GLenum kNames[] = {
    GL_PACK_ALIGNMENT,   GL_UNPACK_ALIGNMENT,   GL_PACK_ROW_LENGTH,           GL_PACK_SKIP_PIXELS,
    GL_PACK_SKIP_ROWS,   GL_UNPACK_ROW_LENGTH,  GL_UNPACK_IMAGE_HEIGHT,       GL_UNPACK_SKIP_PIXELS,
    GL_UNPACK_SKIP_ROWS, GL_UNPACK_SKIP_IMAGES, GL_PIXEL_PACK_BUFFER_BINDING, GL_PIXEL_UNPACK_BUFFER_BINDING};

std::map<GLenum, GLint> pixelStore() {
    std::map<GLenum, GLint> values;
    for (GLenum name : kNames)
        glGetIntegerv(name, &values[name]);
    return values;
}

// What WebGL may leave set: every name off its default, and a buffer on each pixel target.
std::map<GLenum, GLint> setWebGLPixelStore(GLuint packBuffer, GLuint unpackBuffer) {
    glPixelStorei(GL_PACK_ALIGNMENT, 8);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 2);
    GLint value = 5;
    for (GLenum name :
         {GL_PACK_ROW_LENGTH, GL_PACK_SKIP_PIXELS, GL_PACK_SKIP_ROWS, GL_UNPACK_ROW_LENGTH,
          GL_UNPACK_IMAGE_HEIGHT, GL_UNPACK_SKIP_PIXELS, GL_UNPACK_SKIP_ROWS, GL_UNPACK_SKIP_IMAGES})
        glPixelStorei(name, value++);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, packBuffer);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, unpackBuffer);
    return pixelStore();
}

void resetPixelStore() {
    for (GLenum name : kNames) {
        if (name == GL_PIXEL_PACK_BUFFER_BINDING || name == GL_PIXEL_UNPACK_BUFFER_BINDING)
            continue;
        glPixelStorei(name, name == GL_PACK_ALIGNMENT || name == GL_UNPACK_ALIGNMENT ? 4 : 0);
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
}

class VLGLPixelStoreTests : public VLGLTest {
protected:
    GLuint buffers[2] = {};

    // The pixel store the block sees in the shared context of the api, set as WebGL may leave it.
    std::map<GLenum, GLint> seenInBlock(int api, bool mayDiffer, std::map<GLenum, GLint>& outside) {
        std::shared_ptr<VLEGLContext> context = makeCurrentSharedContext(api);
        glGenBuffers(2, buffers);
        outside = setWebGLPixelStore(buffers[0], buffers[1]);
        context->setPixelStoreMayDiffer(mayDiffer);
        std::map<GLenum, GLint> inside;
        VLGLWithDefaultPixelStore([&] { inside = pixelStore(); });
        EXPECT_EQ(pixelStore(), outside) << "the state is back afterwards";
        context->setPixelStoreMayDiffer(false);
        resetPixelStore();
        glDeleteBuffers(2, buffers);
        return inside;
    }
};

TEST_F(VLGLPixelStoreTests, AnES3ContextSeesTightRowsAndNoBuffers) {
    std::map<GLenum, GLint> outside;
    const std::map<GLenum, GLint> inside = seenInBlock(3, true, outside);
    for (GLenum name : kNames) {
        SCOPED_TRACE(name);
        EXPECT_EQ(inside.at(name), name == GL_PACK_ALIGNMENT || name == GL_UNPACK_ALIGNMENT ? 1 : 0);
    }
}

TEST_F(VLGLPixelStoreTests, AnES2ContextHandlesOnlyTheAlignments) {
    std::map<GLenum, GLint> outside;
    const std::map<GLenum, GLint> inside = seenInBlock(2, true, outside);
    std::map<GLenum, GLint> expected = outside;
    expected[GL_PACK_ALIGNMENT] = 1;
    expected[GL_UNPACK_ALIGNMENT] = 1;
    EXPECT_EQ(inside, expected);
}

TEST_F(VLGLPixelStoreTests, NothingChangesUnlessTheContextSaysItMayDiffer) {
    std::map<GLenum, GLint> outside;
    const std::map<GLenum, GLint> inside = seenInBlock(3, false, outside);
    EXPECT_EQ(inside, outside);
}

} // namespace
