#pragma once

#include "Platform/Graphics/VLGLFunctions.h"

#include <array>
#include <atomic>
#include <memory>

class VLEGLContext;

// Sampler values of a texture, in the order min filter, mag filter, wrap S, wrap T.
using VLGLTextureParams = std::array<GLenum, 4>;

// One GL texture name, made in the context current on the creating thread and deleted in that context
// (or its share group's shared context) whatever thread frees the storage. Textures that share pixels
// share one storage.
//
// Used on the thread where its context is current; lastBound() may be read from any thread.
class VLGLTextureStorage {
public:
    // A storage for the script's own textures (WebGL re-specifies them), and one for the engine's
    // uploads. Without a current context there is no name: textureId() is 0.
    static std::shared_ptr<VLGLTextureStorage> create();
    static std::shared_ptr<VLGLTextureStorage> createImmutable();
    ~VLGLTextureStorage();
    VLGLTextureStorage(const VLGLTextureStorage&) = delete;
    VLGLTextureStorage& operator=(const VLGLTextureStorage&) = delete;

    // Binds the name to the target and applies the params that differ from those applied last; records
    // the time of the bind.
    void bindToTarget(GLenum target, const VLGLTextureParams& params);

    GLuint textureId() const { return _textureId; }
    const std::shared_ptr<VLEGLContext>& glContext() const { return _glContext; }
    bool immutable() const { return _immutable; }
    // Seconds of VLClock at the last bind; 0 before the first.
    double lastBound() const { return _lastBound.load(std::memory_order_relaxed); }

private:
    explicit VLGLTextureStorage(bool immutable);

    std::shared_ptr<VLEGLContext> _glContext;
    // All 0 at first, so the first bind applies every value that is not.
    VLGLTextureParams _params{};
    const bool _immutable;
    GLuint _textureId = 0;
    std::atomic<double> _lastBound{0};
};
