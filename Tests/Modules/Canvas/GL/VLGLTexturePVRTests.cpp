#include "Modules/Canvas/GL/VLGLTexture.h"
#include "Platform/Graphics/VLGLLoader.h"
#include "Tests/Support/VLGLTextureTest.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace {

// One level handed to glCompressedTexImage2D: level, format, width, height, bytes.
using PVRLevel = std::tuple<GLint, GLenum, GLsizei, GLsizei, GLsizei>;

// Records the levels handed to GL while it lives, by standing in for the entry point.
class PVRLevelRecorder {
public:
    PVRLevelRecorder() {
        VLGLLoader::load();
        _original = glCompressedTexImage2D;
        _levels.clear();
        glCompressedTexImage2D = &record;
    }
    ~PVRLevelRecorder() { glCompressedTexImage2D = _original; }
    PVRLevelRecorder(const PVRLevelRecorder&) = delete;
    PVRLevelRecorder& operator=(const PVRLevelRecorder&) = delete;

    const std::vector<PVRLevel>& levels() const { return _levels; }

private:
    static void record(GLenum target, GLint level, GLenum format, GLsizei width, GLsizei height, GLint border,
                       GLsizei length, const void* data) {
        _levels.emplace_back(level, format, width, height, length);
        _original(target, level, format, width, height, border, length, data);
    }

    static inline decltype(glCompressedTexImage2D) _original = nullptr;
    static inline std::vector<PVRLevel> _levels;
};

struct PVRFile {
    uint32_t headerSize = 52;
    uint32_t width = 32;
    uint32_t height = 32;
    uint32_t mipmapCount = 3;
    uint8_t pixelType = 24;
    size_t dataLength = 0;

    VLData bytes() const {
        VLData bytes(52 + dataLength, 0);
        const uint32_t words[] = {headerSize, height, width, mipmapCount};
        for (size_t word = 0; word < 4; ++word) {
            for (size_t byte = 0; byte < 4; ++byte)
                bytes[word * 4 + byte] = uint8_t(words[word] >> (8 * byte));
        }
        bytes[16] = pixelType;
        return bytes;
    }
};

class VLGLTexturePVRTests : public VLGLTextureTest {};

TEST_F(VLGLTexturePVRTests, LevelsAreWalkedWithTheirSizesThenDroppedWithoutPVRTC) {
    const struct {
        uint8_t pixelType;
        std::vector<PVRLevel> levels;
    } cases[] = {
        {24,
         {{0, GL_COMPRESSED_RGBA_PVRTC_2BPPV1_IMG, 32, 32, 256},
          {1, GL_COMPRESSED_RGBA_PVRTC_2BPPV1_IMG, 16, 16, 64},
          {2, GL_COMPRESSED_RGBA_PVRTC_2BPPV1_IMG, 8, 8, 32},
          {3, GL_COMPRESSED_RGBA_PVRTC_2BPPV1_IMG, 4, 4, 32}}},
        {25,
         {{0, GL_COMPRESSED_RGBA_PVRTC_4BPPV1_IMG, 32, 32, 512},
          {1, GL_COMPRESSED_RGBA_PVRTC_4BPPV1_IMG, 16, 16, 128},
          {2, GL_COMPRESSED_RGBA_PVRTC_4BPPV1_IMG, 8, 8, 32},
          {3, GL_COMPRESSED_RGBA_PVRTC_4BPPV1_IMG, 4, 4, 32}}},
    };
    for (const auto& c : cases) {
        size_t length = 0;
        for (const PVRLevel& level : c.levels)
            length += size_t(std::get<4>(level));
        PVRFile file;
        file.pixelType = c.pixelType;
        file.dataLength = length;
        const std::string path = writeFile("image" + std::to_string(c.pixelType) + ".pvr", file.bytes());
        SCOPED_TRACE(path);

        PVRLevelRecorder recorder;
        std::shared_ptr<VLGLTexture> texture = VLGLTexture::createWithPath(path);
        EXPECT_EQ(recorder.levels(), c.levels);
        EXPECT_TRUE(texture->isCompressed());
        EXPECT_EQ(texture->width(), 32);
        EXPECT_EQ(texture->paramForName(GL_TEXTURE_MIN_FILTER), GLenum(GL_LINEAR_MIPMAP_LINEAR));
        // Mesa has no PVRTC: the texture would sample black.
        EXPECT_EQ(texture->textureId(), 0u);
        EXPECT_THAT(logger->lines().back(),
                    testing::Pair("warn", "PVRTC Compressed Image(" + path +
                                              ") can't be shown: the GPU has no PVRTC support"));
    }
    while (glGetError() != GL_NO_ERROR) {
    }
}

TEST_F(VLGLTexturePVRTests, BadFilesAreRefusedWithTheirReasons) {
    auto shorter = [](PVRFile file, size_t length) {
        file.dataLength = length;
        return file;
    };
    auto with = [](uint32_t PVRFile::*field, uint32_t value) {
        PVRFile file;
        file.dataLength = 384;
        file.*field = value;
        return file;
    };
    PVRFile fourBits;
    fourBits.pixelType = 26;
    fourBits.dataLength = 704;
    const struct {
        const char* name;
        PVRFile file;
        size_t levels;
        const char* line; // %s stands for the path
    } cases[] = {
        {"type26.pvr", fourBits, 0, "warn PVRTC Compressed Image(%s) neither 2 nor 4 bits per pixel"},
        {"cut.pvr", shorter(PVRFile(), 256 + 63), 1,
         "warn PVRTC Compressed Image(%s) is too short for its mip levels"},
        {"header40.pvr", with(&PVRFile::headerSize, 40), 0,
         "error Error Loading image from Path: %s, not a valid PVR file"},
        {"past.pvr", with(&PVRFile::headerSize, 52 + 385), 0,
         "error Error Loading image from Path: %s, not a valid PVR file"},
        {"zero.pvr", with(&PVRFile::width, 0), 0,
         "error Error Loading image from Path: %s, not a valid PVR file"},
        {"wide.pvr", with(&PVRFile::width, 40000), 0,
         "error Error Loading image from Path: %s, not a valid PVR file"},
    };
    for (const auto& c : cases) {
        const std::string path = writeFile(c.name, c.file.bytes());
        SCOPED_TRACE(path);
        PVRLevelRecorder recorder;
        EXPECT_EQ(VLGLTexture::createWithPath(path)->textureId(), 0u);
        EXPECT_EQ(recorder.levels().size(), c.levels);
        std::string expected = c.line;
        expected.replace(expected.find("%s"), 2, path);
        bool found = false;
        for (const auto& [level, text] : logger->lines())
            found = found || level + " " + text == expected;
        EXPECT_TRUE(found) << expected;
    }

    // Too short for a header, and missing.
    const std::string tiny = writeFile("tiny.pvr", VLData(51, 0));
    const std::string missing = (folder / "missing.pvr").string();
    EXPECT_EQ(VLGLTexture::createWithPath(tiny)->textureId(), 0u);
    EXPECT_EQ(VLGLTexture::createWithPath(missing)->textureId(), 0u);
    const Lines lines = logger->lines();
    EXPECT_THAT(std::vector(lines.end() - 2, lines.end()),
                testing::ElementsAre(testing::Pair("error", "Error Loading image from Path: " + tiny +
                                                                ", not a valid PVR file"),
                                     testing::Pair("error", "Error Loading image from Path: " + missing)));
    while (glGetError() != GL_NO_ERROR) {
    }
}

} // namespace
