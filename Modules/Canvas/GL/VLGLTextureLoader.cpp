#include "Modules/Canvas/GL/VLGLTextureLoader.h"

#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Engine/Support/VLProduct.h"
#include "Core/Engine/Support/VLURLString.h"
#include "Core/Runtime/VLRemoteResource.h"
#include "Core/Runtime/VLRuntime.h"
#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Modules/Canvas/GL/VLEGLContextScope.h"
#include "Modules/Canvas/GL/VLGLTexture.h"
#include "Modules/Canvas/GL/VLGLTextureCache.h"
#include "Platform/Foundation/VLDispatchQueue.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/Foundation/VLStringWithFormat.h"
#include "Platform/Image/VLImageDecoder.h"

#include <filesystem>

std::shared_ptr<VLGLTextureLoader> VLGLTextureLoader::create(std::shared_ptr<VLDispatchQueue> queue,
                                                             std::shared_ptr<VLEGLSharegroup> sharegroup,
                                                             const std::shared_ptr<VLRuntime>& runtime) {
    std::shared_ptr<VLGLTextureLoader> loader(new VLGLTextureLoader(std::move(queue), std::move(sharegroup)));
    loader->observeGarbageCollection(runtime);
    return loader;
}

VLGLTextureLoader::VLGLTextureLoader(std::shared_ptr<VLDispatchQueue> queue,
                                     std::shared_ptr<VLEGLSharegroup> sharegroup)
    : _glContext(VLEGLContext::create(2, std::move(sharegroup), true)), _thread(VLRunLoopThread::current()),
      _cache(std::make_shared<VLGLTextureCache>()),
      _underlyingQueue(queue ? std::move(queue)
                             : VLDispatchQueue::create(VLStringWithFormat("%@.canvas.gles.texture-loader",
                                                                          kVLReverseDomainPrefix))) {}

VLGLTextureLoader::~VLGLTextureLoader() = default;

void VLGLTextureLoader::observeGarbageCollection(const std::shared_ptr<VLRuntime>& runtime) {
    if (!runtime)
        return;
    // The cache belongs to the loader's thread: it ages its textures there, unless that thread ended.
    _garbageCollectionObserver = VLNotificationCenter::defaultCenter().addObserver(
        VLRuntimeNeedsGarbageCollectionNotification, runtime.get(),
        [thread = _thread, weakCache = std::weak_ptr(_cache)](const VLNotification&) {
            VLExecuteOnThread(thread.lock(), [weakCache] {
                if (std::shared_ptr<VLGLTextureCache> cache = weakCache.lock())
                    cache->releaseStoragesOlderThan(kStorageReleaseSeconds);
            });
        });
}

VLGLTextureLoader::PathType VLGLTextureLoader::pathType(const std::string& path) {
    if (VLURLStringIsHTTP(path))
        return PathType::Remote;
    if (VLURLStringHasScheme(path, "data"))
        return PathType::DataURI;
    return PathType::Local;
}

void VLGLTextureLoader::loadTextureFromPath(const std::string& path, CompletionHandler completionHandler) {
    Load load{path, pathType(path), nullptr, _localFileReader, _remoteCheck};
    if (completionHandler)
        load.executer = std::make_shared<VLGLTextureLoaderCompletionHandlerExecuter>(
            VLRunLoopThread::current(), std::move(completionHandler));
    auto deliver = [this, &load](std::shared_ptr<VLGLTexture> texture) {
        _underlyingQueue->async([executer = load.executer, texture = std::move(texture)] {
            if (executer)
                executer->invoke(texture);
        });
    };
    if (load.type == PathType::Local && _localPathResolver) {
        std::optional<std::string> resolved = _localPathResolver(load.path);
        if (!resolved) {
            deliver(nullptr);
            return;
        }
        load.path = std::move(*resolved);
    }
    std::shared_ptr<VLGLTextureExternalImageLoader> externalLoader = _externalImageLoader;
    if (externalLoader) {
        if (std::optional<std::string> transferred = externalLoader->transferPath(load.path))
            load.path = std::move(*transferred);
    }
    if (load.type != PathType::DataURI) {
        if (std::shared_ptr<VLGLTexture> cached = _cache->textureForPath(load.path)) {
            deliver(std::move(cached));
            return;
        }
    }
    std::weak_ptr<VLGLTextureLoader> weakSelf = weak_from_this();
    if (externalLoader && externalLoader->canLoadWithPath(load.path)) {
        loadWithExternalLoader(externalLoader, load);
        return;
    }
    _underlyingQueue->async([weakSelf, load = std::move(load)] {
        if (std::shared_ptr<VLGLTextureLoader> self = weakSelf.lock())
            self->loadWithDefaultLoader(load);
    });
}

void VLGLTextureLoader::loadWithDefaultLoader(const Load& load) {
    std::shared_ptr<VLGLTexture> texture;
    switch (load.type) {
    case PathType::Remote:
        texture = loadRemoteTexture(load);
        break;
    case PathType::DataURI:
        texture = loadDataURITexture(load.path);
        break;
    case PathType::Local: {
        std::error_code error;
        if (std::filesystem::exists(load.path, error))
            texture = lazyTexture(load.path, load.fileReader);
        break;
    }
    }
    finishLoad(load, std::move(texture));
}

void VLGLTextureLoader::loadWithExternalLoader(const std::shared_ptr<VLGLTextureExternalImageLoader>& loader,
                                               const Load& load) {
    std::weak_ptr<VLGLTextureLoader> weakSelf = weak_from_this();
    loader->loadImageFromPath(load.path, [weakSelf, load](std::shared_ptr<const VLBitmap> image,
                                                          VLErrorRef error) {
        std::shared_ptr<VLGLTextureLoader> self = weakSelf.lock();
        if (!self)
            return;
        self->_underlyingQueue->async([weakSelf, load, image = std::move(image), error = std::move(error)] {
            std::shared_ptr<VLGLTextureLoader> self = weakSelf.lock();
            if (!self)
                return;
            std::shared_ptr<VLGLTexture> texture;
            if (error || !image) {
                VLGLEnterContextWithBlockScope(self->_glContext, [&] {
                    VLEGLContext::vllog_warn("load texture (%@), fail: %@", load.path,
                                             error ? error->localizedDescription() : std::string());
                });
            } else {
                texture = self->textureWithImage(image);
            }
            self->finishLoad(load, std::move(texture));
        });
    });
}

std::shared_ptr<VLGLTexture> VLGLTextureLoader::loadRemoteTexture(const Load& load) {
    if (!load.remoteCheck)
        return nullptr;
    std::optional<VLData> data = VLRemoteResource::dataWithContentsOfURL(VLURL(load.path), *load.remoteCheck,
                                                                         kMaximumDownloadLength, nullptr);
    std::shared_ptr<const VLBitmap> image = data ? VLImageDecoder::decode(*data) : nullptr;
    return image ? textureWithImage(image) : nullptr;
}

std::shared_ptr<VLGLTexture> VLGLTextureLoader::loadDataURITexture(const std::string& uri) {
    std::shared_ptr<VLGLTexture> texture;
    VLGLEnterContextWithBlockScope(_glContext, [&] {
        texture = VLGLTexture::createWithPath(uri, false);
        if (texture && texture->textureId() == 0)
            texture = nullptr;
    });
    return texture;
}

std::shared_ptr<VLGLTexture>
VLGLTextureLoader::textureWithImage(const std::shared_ptr<const VLBitmap>& image) {
    std::shared_ptr<VLGLTexture> texture;
    VLGLEnterContextWithBlockScope(_glContext, [&] {
        texture = VLGLTexture::createWithImage(image);
        if (texture && texture->textureId() == 0)
            texture = nullptr;
    });
    return texture;
}

void VLGLTextureLoader::finishLoad(const Load& load, std::shared_ptr<VLGLTexture> texture) {
    // The cache is the loader thread's: it learns of the texture there, before the completion runs.
    if (texture && load.type != PathType::DataURI) {
        VLExecuteOnThread(_thread.lock(), [weakCache = std::weak_ptr(_cache), texture, path = load.path] {
            if (std::shared_ptr<VLGLTextureCache> cache = weakCache.lock())
                cache->setTextureForPath(texture, path);
        });
    }
    if (load.executer)
        load.executer->invoke(std::move(texture));
}

std::shared_ptr<VLGLTexture> VLGLTextureLoader::loadTextureFromLocalPath(const std::string& path) {
    if (path.empty() || pathType(path) != PathType::Local)
        return nullptr;
    std::optional<std::string> resolved = _localPathResolver ? _localPathResolver(path) : path;
    if (!resolved)
        return nullptr;
    if (_externalImageLoader) {
        if (std::optional<std::string> transferred = _externalImageLoader->transferPath(*resolved))
            resolved = std::move(transferred);
    }
    if (std::shared_ptr<VLGLTexture> cached = _cache->textureForPath(*resolved))
        return cached;
    std::shared_ptr<VLGLTexture> texture = lazyTexture(*resolved, _localFileReader);
    _cache->setTextureForPath(texture, *resolved);
    return texture;
}

std::shared_ptr<VLGLTexture> VLGLTextureLoader::lazyTexture(const std::string& path,
                                                            const LocalFileReader& reader) {
    std::shared_ptr<VLGLTexture> texture = VLGLTexture::createWithPath(path, true);
    if (texture && reader)
        texture->setFileReader(reader);
    return texture;
}
