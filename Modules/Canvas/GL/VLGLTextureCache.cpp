#include "Modules/Canvas/GL/VLGLTextureCache.h"

#include "Modules/Canvas/GL/VLGLTexture.h"
#include "Platform/Foundation/VLClock.h"

#include <algorithm>

std::vector<std::pair<std::string, std::shared_ptr<VLGLTexture>>> VLGLTextureCache::textures() {
    removeFreedTextures();
    std::vector<std::pair<std::string, std::shared_ptr<VLGLTexture>>> live;
    live.reserve(_textures.size());
    for (const auto& [path, texture] : _textures) {
        if (std::shared_ptr<VLGLTexture> strong = texture.lock())
            live.emplace_back(path, std::move(strong));
    }
    return live;
}

std::shared_ptr<VLGLTexture> VLGLTextureCache::textureForPath(const std::string& path) {
    auto found = _textures.find(path);
    if (found == _textures.end())
        return nullptr;
    std::shared_ptr<VLGLTexture> texture = found->second.lock();
    if (!texture)
        _textures.erase(found);
    return texture;
}

void VLGLTextureCache::setTextureForPath(std::shared_ptr<VLGLTexture> texture, const std::string& path) {
    if (!texture) {
        _textures.erase(path);
        return;
    }
    _textures[path] = texture;
    if (_textures.size() >= std::max<size_t>(16, _prunedCount * 2))
        removeFreedTextures();
}

void VLGLTextureCache::releaseStoragesOlderThan(double seconds) {
    const double now = VLClock::shared()->seconds();
    for (const auto& [path, texture] : textures()) {
        if (now - texture->lastUsed() > seconds)
            texture->maybeReleaseStorage();
    }
}

void VLGLTextureCache::removeFreedTextures() {
    std::erase_if(_textures, [](const auto& entry) { return entry.second.expired(); });
    _prunedCount = _textures.size();
}
