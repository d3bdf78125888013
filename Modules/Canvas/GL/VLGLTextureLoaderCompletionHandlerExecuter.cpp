#include "Modules/Canvas/GL/VLGLTextureLoaderCompletionHandlerExecuter.h"

#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Modules/Canvas/GL/VLGLTexture.h"

VLGLTextureLoaderCompletionHandlerExecuter::VLGLTextureLoaderCompletionHandlerExecuter(
    std::weak_ptr<VLRunLoopThread> thread, CompletionHandler completionHandler)
    : _thread(std::move(thread)), _completionHandler(std::move(completionHandler)) {}

void VLGLTextureLoaderCompletionHandlerExecuter::invoke(std::shared_ptr<VLGLTexture> texture) {
    std::shared_ptr<VLRunLoopThread> thread = _thread.lock();
    if (!thread)
        return;
    if (thread->isCurrent()) {
        if (CompletionHandler completionHandler = std::exchange(_completionHandler, nullptr))
            completionHandler(std::move(texture));
        return;
    }
    // The posted call keeps the executer; an ended thread drops it, and the completion with it.
    thread->post([self = shared_from_this(), texture = std::move(texture)]() mutable {
        self->invoke(std::move(texture));
    });
}
