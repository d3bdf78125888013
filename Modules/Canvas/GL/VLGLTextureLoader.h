#pragma once

#include "Core/Runtime/VLRemoteCheck.h"
#include "Modules/Canvas/GL/VLGLTextureLoaderCompletionHandlerExecuter.h"
#include "Platform/Foundation/VLError.h"
#include "Platform/Foundation/VLValue.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

class VLBitmap;
class VLDispatchQueue;
class VLEGLContext;
class VLEGLSharegroup;
class VLGLTexture;
class VLGLTextureCache;
class VLRunLoopThread;
class VLRuntime;

// Loads pictures for a loader: a loader whose class can load a path may take the place of the default
// one. None is set by the engine.
class VLGLTextureExternalImageLoader {
public:
    using Completion = std::function<void(std::shared_ptr<const VLBitmap> image, VLErrorRef error)>;

    virtual ~VLGLTextureExternalImageLoader() = default;

    virtual bool canLoadWithPath(const std::string& path) = 0;
    // The path to load in its place; nothing keeps it.
    virtual std::optional<std::string> transferPath(const std::string&) { return std::nullopt; }
    virtual void loadImageFromPath(const std::string& path, Completion completion) = 0;
};

// Turns a picture named by a string (a package or sandbox location, an http(s) URL or a "data" URI)
// into a texture, on a serial queue with an EGL context of its own in the runtime's share group, and
// hands it back on the asking thread. Pictures of files and of the network are kept in a cache by
// path; data URIs are decoded at every load. When the runtime asks for garbage collection, cached
// textures not bound for 3 s drop their GPU storage (they load again at their next use).
//
// Made with create() on the runtime's JavaScript thread, which owns the cache (written back there) and
// the settings; loads may be asked for from any run-loop thread.
class VLGLTextureLoader : public std::enable_shared_from_this<VLGLTextureLoader> {
public:
    using CompletionHandler = VLGLTextureLoaderCompletionHandlerExecuter::CompletionHandler;
    // A location → the local path, or nothing when it cannot be resolved.
    using LocalPathResolver = std::function<std::optional<std::string>(const std::string& location)>;
    using LocalFileReader = std::function<std::optional<VLData>(const std::string& path)>;

    // The largest download taken: 64 MiB.
    static constexpr uint64_t kMaximumDownloadLength = 67108864;
    // How long a cached texture may stay unbound before garbage collection drops its storage.
    static constexpr double kStorageReleaseSeconds = 3.0;

    // A new queue when none is given; the runtime (which may be null) is observed for garbage collection.
    static std::shared_ptr<VLGLTextureLoader> create(std::shared_ptr<VLDispatchQueue> queue,
                                                     std::shared_ptr<VLEGLSharegroup> sharegroup,
                                                     const std::shared_ptr<VLRuntime>& runtime);
    ~VLGLTextureLoader();
    VLGLTextureLoader(const VLGLTextureLoader&) = delete;
    VLGLTextureLoader& operator=(const VLGLTextureLoader&) = delete;

    // The completion gets the texture, or nothing on any failure, on the calling thread (when it is a
    // run-loop thread and has not ended by then).
    void loadTextureFromPath(const std::string& path, CompletionHandler completionHandler);
    // A lazy texture of a local location, nothing read yet; nothing for URLs, data URIs and locations
    // that do not resolve. On the loader's thread.
    std::shared_ptr<VLGLTexture> loadTextureFromLocalPath(const std::string& path);

    const LocalPathResolver& localPathResolver() const { return _localPathResolver; }
    void setLocalPathResolver(LocalPathResolver resolver) { _localPathResolver = std::move(resolver); }
    const LocalFileReader& localFileReader() const { return _localFileReader; }
    void setLocalFileReader(LocalFileReader reader) { _localFileReader = std::move(reader); }
    // Nothing forbids remote loads.
    const std::optional<VLRemoteCheck>& remoteCheck() const { return _remoteCheck; }
    void setRemoteCheck(std::optional<VLRemoteCheck> check) { _remoteCheck = std::move(check); }
    const std::shared_ptr<VLGLTextureExternalImageLoader>& externalImageLoader() const {
        return _externalImageLoader;
    }
    void setExternalImageLoader(std::shared_ptr<VLGLTextureExternalImageLoader> loader) {
        _externalImageLoader = std::move(loader);
    }
    const std::shared_ptr<VLGLTextureCache>& cache() const { return _cache; }
    const std::shared_ptr<VLDispatchQueue>& underlyingQueue() const { return _underlyingQueue; }
    const std::shared_ptr<VLEGLContext>& glContext() const { return _glContext; }

private:
    enum class PathType { Remote = 0, DataURI = 1, Local = 2 };
    using Executer = std::shared_ptr<VLGLTextureLoaderCompletionHandlerExecuter>;

    VLGLTextureLoader(std::shared_ptr<VLDispatchQueue> queue, std::shared_ptr<VLEGLSharegroup> sharegroup);
    void observeGarbageCollection(const std::shared_ptr<VLRuntime>& runtime);
    static PathType pathType(const std::string& path);

    // What one load takes to the queue, copied on the asking thread.
    struct Load {
        std::string path;
        PathType type;
        Executer executer;
        LocalFileReader fileReader;
        std::optional<VLRemoteCheck> remoteCheck;
    };

    // On the queue.
    void loadWithDefaultLoader(const Load& load);
    void loadWithExternalLoader(const std::shared_ptr<VLGLTextureExternalImageLoader>& loader,
                                const Load& load);
    std::shared_ptr<VLGLTexture> loadRemoteTexture(const Load& load);
    std::shared_ptr<VLGLTexture> loadDataURITexture(const std::string& uri);
    // A texture of the image made in the loader's context; nothing when it has no GL name.
    std::shared_ptr<VLGLTexture> textureWithImage(const std::shared_ptr<const VLBitmap>& image);
    // Hands the result back: into the cache on the loader's thread (paths and URLs only), then to the
    // completion.
    void finishLoad(const Load& load, std::shared_ptr<VLGLTexture> texture);
    // A lazy texture that reads the file through the reader.
    static std::shared_ptr<VLGLTexture> lazyTexture(const std::string& path, const LocalFileReader& reader);

    std::shared_ptr<VLEGLContext> _glContext; // entered on the queue, per load
    std::weak_ptr<VLRunLoopThread> _thread;
    LocalPathResolver _localPathResolver;
    LocalFileReader _localFileReader;
    std::optional<VLRemoteCheck> _remoteCheck;
    std::shared_ptr<VLGLTextureExternalImageLoader> _externalImageLoader;
    std::shared_ptr<VLGLTextureCache> _cache;
    std::shared_ptr<VLDispatchQueue> _underlyingQueue;
    std::shared_ptr<void> _garbageCollectionObserver;
};
