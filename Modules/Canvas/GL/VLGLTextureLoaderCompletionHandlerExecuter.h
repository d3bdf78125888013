#pragma once

#include <functional>
#include <memory>

class VLGLTexture;
class VLRunLoopThread;

// Hands a texture loader's result to the completion on the thread that asked for it, at most once.
// Made on the asking thread and invoked from any; the thread is held weakly, so a completion for a
// thread that has ended is dropped with the thread's queue and never called.
class VLGLTextureLoaderCompletionHandlerExecuter
    : public std::enable_shared_from_this<VLGLTextureLoaderCompletionHandlerExecuter> {
public:
    using CompletionHandler = std::function<void(std::shared_ptr<VLGLTexture> texture)>;

    VLGLTextureLoaderCompletionHandlerExecuter(std::weak_ptr<VLRunLoopThread> thread,
                                               CompletionHandler completionHandler);

    // On the thread: calls the completion, once. Elsewhere: posts this call to the thread.
    void invoke(std::shared_ptr<VLGLTexture> texture);

private:
    std::weak_ptr<VLRunLoopThread> _thread;
    // Touched only on the thread, where invoke() runs it.
    CompletionHandler _completionHandler;
};
