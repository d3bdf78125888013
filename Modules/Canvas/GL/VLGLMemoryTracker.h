#pragma once

#include "Core/Engine/Support/VLUnfairLock.h"
#include "Core/Runtime/Rendering/VLRenderingMemoryReporting.h"

#include <cstdint>
#include <memory>
#include <unordered_map>

class VLEGLSharegroup;

// The GPU bytes that the GL wrappers (VLGLWrappers.h) recorded for the objects of one share group:
// texture images, buffers and renderbuffers by name, and their total. It only measures; nothing is
// refused. Entries go only through the delete wrappers. Any thread, under its lock; the total is
// always the sum of the entries (modulo 2^64).
class VLGLMemoryTracker final : public VLRenderingMemoryReporting {
public:
    // Name or image key → bytes.
    using ByteMap = std::unordered_map<uint32_t, uint64_t>;
    // Image key → bytes. The key holds the mip level in its low 8 bits and the cube face (0-5: +X, -X,
    // +Y, -Y, +Z, -Z; 0 for other targets) in the next 8.
    using ImageMap = ByteMap;
    // The pseudo level standing for a face's whole generated mip chain.
    static constexpr uint32_t kMipChainLevel = 255;

    static uint32_t imageKey(int32_t level, uint32_t face) {
        return (uint32_t(level) & 0xFF) | (face & 0xFF) << 8;
    }

    // The group's tracker, made on first call; nullptr for no group.
    static std::shared_ptr<VLGLMemoryTracker>
    trackerForSharegroup(const std::shared_ptr<VLEGLSharegroup>& sharegroup);
    // The tracker of the share group of the calling thread's current context (VLEGLContext); nullptr
    // without a current context.
    static std::shared_ptr<VLGLMemoryTracker> currentTracker();

    uint64_t renderingMemorySize() override;

    void setBytesOfTexture(uint64_t bytes, uint32_t texture, uint32_t image);
    // Replaces the texture's whole image map.
    void setImagesOfTexture(ImageMap images, uint32_t texture);
    // A pseudo image for every level-0 image of the texture, of a third of its bytes (the sum of the
    // smaller levels), replacing an earlier one.
    void addMipChainOfTexture(uint32_t texture);
    void setBytesOfBuffer(uint64_t bytes, uint32_t buffer);
    void setBytesOfRenderbuffer(uint64_t bytes, uint32_t renderbuffer);
    // Names never recorded are skipped.
    void forgetTextures(const uint32_t* names, int32_t count);
    void forgetBuffers(const uint32_t* names, int32_t count);
    void forgetRenderbuffers(const uint32_t* names, int32_t count);

    // A copy of everything, taken at once.
    struct Contents {
        std::unordered_map<uint32_t, ImageMap> textures;
        ByteMap buffers;
        ByteMap renderbuffers;
        uint64_t total = 0;
    };
    Contents contents() const;

private:
    // Under the lock. The entry of the texture's image, made when missing.
    uint64_t& imageEntry(uint32_t texture, uint32_t image);
    // Before the texture's images are erased.
    void forgetLastEntry(uint32_t texture);
    // Keeps the total.
    void setBytes(uint64_t& entry, uint64_t bytes);
    void forgetObjects(ByteMap& objects, const uint32_t* names, int32_t count);

    mutable VLUnfairLock _lock;
    // The image last recorded, which a canvas uploading it again reaches without a lookup; the maps'
    // elements stay where they are until erased.
    uint32_t _lastTexture = 0;
    uint32_t _lastImage = 0;
    uint64_t* _lastEntry = nullptr;
    std::unordered_map<uint32_t, ImageMap> _textures;
    ByteMap _buffers;
    ByteMap _renderbuffers;
    uint64_t _total = 0;
};
