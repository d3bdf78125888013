#include "Modules/Canvas/VLCanvasServices.h"

#include "Core/Runtime/Rendering/VLRenderingLoop.h"
#include "Core/Runtime/VLFileSystemManager.h"
#include "Core/Runtime/VLRemoteResource.h"
#include "Core/Runtime/VLRuntime.h"
#include "Core/Runtime/VLRuntimeJSBindingContext.h"
#include "Modules/Canvas/GL/VLEGLSharegroup.h"
#include "Modules/Canvas/GL/VLGLLoggerImpl.h"
#include "Modules/Canvas/GL/VLGLMemoryTracker.h"
#include "Modules/Canvas/GL/VLGLTextureLoader.h"
#include "Platform/Foundation/VLURL.h"

namespace {

constexpr const char* kVLCanvasSharegroupKey = "glSharegroup";
constexpr const char* kVLCanvasTextureLoaderKey = "textureLoader";
constexpr const char* kVLCanvasFontCacheKey = "fontCache";

std::shared_ptr<VLEGLSharegroup>
makeRuntimeSharegroup(const std::shared_ptr<VLJSBindingContext>& bindingContext, VLRuntime& runtime) {
    auto sharegroup = std::make_shared<VLEGLSharegroup>();
    auto logger = std::make_shared<VLGLLoggerImpl>(bindingContext);
    sharegroup->vl_setLoggerProviderBlock([logger] { return logger; });
    runtime.renderingLoop()->addMemoryReporter(sharegroup->memoryTracker());
    return sharegroup;
}

// Locations resolve and files read through the runtime's file system manager, so package files are
// read only once their digests check out.
std::shared_ptr<VLGLTextureLoader> makeRuntimeTextureLoader(std::shared_ptr<VLEGLSharegroup> sharegroup,
                                                            const std::shared_ptr<VLRuntime>& runtime) {
    std::shared_ptr<VLGLTextureLoader> loader =
        VLGLTextureLoader::create(nullptr, std::move(sharegroup), runtime);
    std::weak_ptr<VLFileSystemManager> weakManager = runtime->fileSystemManager();
    loader->setLocalPathResolver([weakManager](const std::string& location) -> std::optional<std::string> {
        std::shared_ptr<VLFileSystemManager> manager = weakManager.lock();
        if (!manager)
            return std::nullopt;
        VLErrorRef error;
        VLFile file = manager->fileAtURL(VLURL(location), &error);
        return error ? std::nullopt : file.path;
    });
    loader->setLocalFileReader([weakManager](const std::string& path) -> std::optional<VLData> {
        std::shared_ptr<VLFileSystemManager> manager = weakManager.lock();
        return manager ? manager->contentsOfFileAtPath(path) : std::nullopt;
    });
    loader->setRemoteCheck(VLRemoteResource::checkForRuntime(runtime));
    return loader;
}

void removeRuntimeAttachment(const std::shared_ptr<VLJSBindingContext>& bindingContext, const char* key) {
    if (std::shared_ptr<VLRuntime> runtime = VLCanvasServices::runtime(bindingContext))
        runtime->attachments().removeAttachment(key);
}

} // namespace

std::shared_ptr<VLRuntime>
VLCanvasServices::runtime(const std::shared_ptr<VLJSBindingContext>& bindingContext) {
    auto runtimeContext = std::dynamic_pointer_cast<VLRuntimeJSBindingContext>(bindingContext);
    return runtimeContext ? runtimeContext->runtime() : nullptr;
}

std::shared_ptr<VLRenderingLoop>
VLCanvasServices::renderingLoop(const std::shared_ptr<VLJSBindingContext>& bindingContext) {
    std::shared_ptr<VLRuntime> runtime = VLCanvasServices::runtime(bindingContext);
    return runtime ? runtime->renderingLoop() : nullptr;
}

std::shared_ptr<VLEGLSharegroup>
VLCanvasServices::glSharegroup(const std::shared_ptr<VLJSBindingContext>& bindingContext) {
    std::shared_ptr<VLRuntime> runtime = VLCanvasServices::runtime(bindingContext);
    if (!runtime)
        return nullptr;
    return std::static_pointer_cast<VLEGLSharegroup>(runtime->attachments().attachment(
        kVLCanvasSharegroupKey, [&] { return makeRuntimeSharegroup(bindingContext, *runtime); }));
}

std::shared_ptr<VLEGLSharegroup>
VLCanvasServices::madeGLSharegroup(const std::shared_ptr<VLJSBindingContext>& bindingContext) {
    std::shared_ptr<VLRuntime> runtime = VLCanvasServices::runtime(bindingContext);
    return runtime ? std::static_pointer_cast<VLEGLSharegroup>(
                         runtime->attachments().attachment(kVLCanvasSharegroupKey))
                   : nullptr;
}

std::shared_ptr<VLGLTextureLoader>
VLCanvasServices::textureLoader(const std::shared_ptr<VLJSBindingContext>& bindingContext) {
    std::shared_ptr<VLRuntime> runtime = VLCanvasServices::runtime(bindingContext);
    if (!runtime)
        return nullptr;
    return std::static_pointer_cast<VLGLTextureLoader>(
        runtime->attachments().attachment(kVLCanvasTextureLoaderKey, [&] {
            return makeRuntimeTextureLoader(glSharegroup(bindingContext), runtime);
        }));
}

void VLCanvasServices::resetGLSharegroup(const std::shared_ptr<VLJSBindingContext>& bindingContext) {
    removeRuntimeAttachment(bindingContext, kVLCanvasSharegroupKey);
}

void VLCanvasServices::resetTextureLoader(const std::shared_ptr<VLJSBindingContext>& bindingContext) {
    removeRuntimeAttachment(bindingContext, kVLCanvasTextureLoaderKey);
}

void VLCanvasServices::resetFontCache(const std::shared_ptr<VLJSBindingContext>& bindingContext) {
    removeRuntimeAttachment(bindingContext, kVLCanvasFontCacheKey);
}
