#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class VLGLTexture;

// Path-loaded textures by path, kept weakly: an entry goes when its texture is freed. Their GPU
// storage can be dropped once they have not been bound for a while; they load again at their next use.
//
// Used on the thread that made it (the runtime's JavaScript thread).
class VLGLTextureCache {
public:
    // The live textures by path.
    std::vector<std::pair<std::string, std::shared_ptr<VLGLTexture>>> textures();
    std::shared_ptr<VLGLTexture> textureForPath(const std::string& path);
    void setTextureForPath(std::shared_ptr<VLGLTexture> texture, const std::string& path);

    // Lets every texture last bound more than the seconds ago (on VLClock) drop its storage.
    void releaseStoragesOlderThan(double seconds);

private:
    void removeFreedTextures();

    std::unordered_map<std::string, std::weak_ptr<VLGLTexture>> _textures;
    // The entries after the last pruning; pruning again once there are twice as many keeps inserts
    // constant in time.
    size_t _prunedCount = 0;
};
