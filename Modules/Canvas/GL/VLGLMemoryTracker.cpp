#include "Modules/Canvas/GL/VLGLMemoryTracker.h"

#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Modules/Canvas/GL/VLEGLSharegroup.h"

#include <mutex>

namespace {

uint64_t sumOfImages(const VLGLMemoryTracker::ImageMap& images) {
    uint64_t sum = 0;
    for (const auto& [key, bytes] : images)
        sum += bytes;
    return sum;
}

} // namespace

std::shared_ptr<VLGLMemoryTracker>
VLGLMemoryTracker::trackerForSharegroup(const std::shared_ptr<VLEGLSharegroup>& sharegroup) {
    return sharegroup ? sharegroup->memoryTracker() : nullptr;
}

std::shared_ptr<VLGLMemoryTracker> VLGLMemoryTracker::currentTracker() {
    std::shared_ptr<VLEGLContext> context = VLEGLContext::currentContext();
    if (!context)
        return nullptr;
    // Through the context's own reference: the context keeps its group's tracker.
    VLGLMemoryTracker* tracker = context->memoryTracker();
    return std::shared_ptr<VLGLMemoryTracker>(std::move(context), tracker);
}

uint64_t VLGLMemoryTracker::renderingMemorySize() {
    std::lock_guard guard(_lock);
    return _total;
}

void VLGLMemoryTracker::setBytesOfTexture(uint64_t bytes, uint32_t texture, uint32_t image) {
    std::lock_guard guard(_lock);
    setBytes(imageEntry(texture, image), bytes);
}

void VLGLMemoryTracker::setImagesOfTexture(ImageMap images, uint32_t texture) {
    std::lock_guard guard(_lock);
    forgetLastEntry(texture);
    ImageMap& entry = _textures[texture];
    _total -= sumOfImages(entry);
    _total += sumOfImages(images);
    entry = std::move(images);
}

void VLGLMemoryTracker::addMipChainOfTexture(uint32_t texture) {
    std::lock_guard guard(_lock);
    auto found = _textures.find(texture);
    if (found == _textures.end())
        return;
    ImageMap& images = found->second;
    ImageMap chains;
    for (const auto& [key, bytes] : images) {
        if ((key & 0xFF) == 0)
            chains[key | kMipChainLevel] = bytes / 3;
    }
    for (const auto& [key, bytes] : chains)
        setBytes(images[key], bytes);
}

void VLGLMemoryTracker::setBytesOfBuffer(uint64_t bytes, uint32_t buffer) {
    std::lock_guard guard(_lock);
    setBytes(_buffers[buffer], bytes);
}

void VLGLMemoryTracker::setBytesOfRenderbuffer(uint64_t bytes, uint32_t renderbuffer) {
    std::lock_guard guard(_lock);
    setBytes(_renderbuffers[renderbuffer], bytes);
}

void VLGLMemoryTracker::forgetTextures(const uint32_t* names, int32_t count) {
    std::lock_guard guard(_lock);
    for (int32_t i = 0; names && i < count; ++i) {
        auto found = _textures.find(names[i]);
        if (found == _textures.end())
            continue;
        _total -= sumOfImages(found->second);
        forgetLastEntry(names[i]);
        _textures.erase(found);
    }
}

void VLGLMemoryTracker::forgetBuffers(const uint32_t* names, int32_t count) {
    std::lock_guard guard(_lock);
    forgetObjects(_buffers, names, count);
}

void VLGLMemoryTracker::forgetRenderbuffers(const uint32_t* names, int32_t count) {
    std::lock_guard guard(_lock);
    forgetObjects(_renderbuffers, names, count);
}

VLGLMemoryTracker::Contents VLGLMemoryTracker::contents() const {
    std::lock_guard guard(_lock);
    return {_textures, _buffers, _renderbuffers, _total};
}

uint64_t& VLGLMemoryTracker::imageEntry(uint32_t texture, uint32_t image) {
    if (!_lastEntry || _lastTexture != texture || _lastImage != image) {
        _lastEntry = &_textures[texture][image];
        _lastTexture = texture;
        _lastImage = image;
    }
    return *_lastEntry;
}

void VLGLMemoryTracker::forgetLastEntry(uint32_t texture) {
    if (_lastTexture == texture)
        _lastEntry = nullptr;
}

void VLGLMemoryTracker::setBytes(uint64_t& entry, uint64_t bytes) {
    _total += bytes - entry;
    entry = bytes;
}

void VLGLMemoryTracker::forgetObjects(ByteMap& objects, const uint32_t* names, int32_t count) {
    for (int32_t i = 0; names && i < count; ++i) {
        auto found = objects.find(names[i]);
        if (found == objects.end())
            continue;
        _total -= found->second;
        objects.erase(found);
    }
}
