#pragma once

#include <memory>

class VLEGLSharegroup;
class VLGLTextureLoader;
class VLJSBindingContext;
class VLRenderingLoop;
class VLRuntime;

// A runtime's GPU services, reached through its binding context: each is made on first use, kept on
// the runtime (VLRuntime::attachments) and freed with it, until a reset forgets it. A binding context
// without a runtime gets none. Called on the runtime's JavaScript thread; a service made on another
// thread belongs to that thread (the texture loader delivers there).
class VLCanvasServices final {
public:
    VLCanvasServices() = delete;

    static std::shared_ptr<VLRuntime> runtime(const std::shared_ptr<VLJSBindingContext>& bindingContext);
    static std::shared_ptr<VLRenderingLoop>
    renderingLoop(const std::shared_ptr<VLJSBindingContext>& bindingContext);

    // The group of the runtime's contexts: GL warnings go to the binding context's console, and its
    // memory into every performance sample through the rendering loop.
    static std::shared_ptr<VLEGLSharegroup>
    glSharegroup(const std::shared_ptr<VLJSBindingContext>& bindingContext);
    // The group when it was made; nothing is made.
    static std::shared_ptr<VLEGLSharegroup>
    madeGLSharegroup(const std::shared_ptr<VLJSBindingContext>& bindingContext);
    // Loads pictures of the package, the sandbox, the network (under the runtime's policy) and data
    // URIs.
    static std::shared_ptr<VLGLTextureLoader>
    textureLoader(const std::shared_ptr<VLJSBindingContext>& bindingContext);

    // The next call makes a new one.
    static void resetGLSharegroup(const std::shared_ptr<VLJSBindingContext>& bindingContext);
    static void resetTextureLoader(const std::shared_ptr<VLJSBindingContext>& bindingContext);
    static void resetFontCache(const std::shared_ptr<VLJSBindingContext>& bindingContext);
};
