#pragma once

#include "Core/Runtime/Rendering/VLRenderingMemoryReporting.h"

#include <JavaScriptCore/JavaScript.h>

#include <cstdint>
#include <memory>

class VLCanvasDrawable;
class VLEGLContext;
class VLJSBindingContext;

// The base of every canvas drawing context (2D and WebGL, and their on-screen kinds): the binding
// context it draws for, its EGL context, the drawing-buffer size, opacity and multisampling, the
// needs-presenting mark, the rule that one rendering context at a time is current on a thread (the one
// it replaces restores its state first), GPU reset detection with its report, and its GPU memory.
//
// Made with std::make_shared by a canvas binding; used on the runtime's JavaScript thread, except
// renderingMemorySize(), which the rendering loop may read from any thread.
class VLCanvasRenderingContext : public VLRenderingMemoryReporting,
                                 public std::enable_shared_from_this<VLCanvasRenderingContext> {
public:
    VLCanvasRenderingContext(const std::shared_ptr<VLJSBindingContext>& bindingContext, int16_t width,
                             int16_t height);
    ~VLCanvasRenderingContext() override;
    VLCanvasRenderingContext(const VLCanvasRenderingContext&) = delete;
    VLCanvasRenderingContext& operator=(const VLCanvasRenderingContext&) = delete;

    // What a kind of context does: make its GL resources, follow a new drawing-buffer size, and restore
    // its GL bindings and state once it is current again (the 2D context also draws its pending batch).
    virtual void create() {}
    virtual void resizeToWidth(int16_t, int16_t) {}
    virtual void prepare() {}

    // Makes this the thread's rendering context: the one it replaces is prepared first, in its own EGL
    // context; nothing is prepared again when this one is current already.
    void makeContextCurrent();

    // Whether the GPU reset the EGL context, asked of it (this context must be current); a reset found
    // now is reported through didLoseContext. An invalid context is never lost.
    bool checkContextLost();
    bool isContextLost() const;
    // Logs the loss and tells the main thread with VLRuntimeGraphicsResetNotification. On-screen kinds
    // also tell the script.
    virtual void didLoseContext(int reset);
    bool isValid() const;

    // The bytes of its own drawables' surfaces, and of its share group when that is not the runtime's
    // (which reports itself, once).
    uint64_t renderingMemorySize() override;

    // The drawable behind a script value: the native object of a binding that offers a picture.
    std::shared_ptr<VLCanvasDrawable> fetchDrawable(JSValueRef value) const;

    std::shared_ptr<VLJSBindingContext> bindingContext() const { return _bindingContext.lock(); }
    const std::shared_ptr<VLEGLContext>& glContext() const { return _glContext; }
    int16_t width() const { return _width; }
    // Kinds with drawing buffers resize them when a side changes.
    virtual void setWidth(int16_t width) { _width = width; }
    int16_t height() const { return _height; }
    virtual void setHeight(int16_t height) { _height = height; }
    bool isOpaque() const { return _opaque; }
    void setOpaque(bool opaque) { _opaque = opaque; }
    bool msaaEnabled() const { return _msaaEnabled; }
    void setMsaaEnabled(bool enabled) { _msaaEnabled = enabled; }
    int32_t msaaSamples() const { return _msaaSamples; }
    void setMsaaSamples(int32_t samples) { _msaaSamples = samples; }
    bool needsPresenting() const { return _needsPresenting; }
    void setNeedsPresenting(bool needs) { _needsPresenting = needs; }

protected:
    // Made by the kind of context, in the runtime's share group.
    void setGLContext(std::shared_ptr<VLEGLContext> glContext) { _glContext = std::move(glContext); }

private:
    std::weak_ptr<VLJSBindingContext> _bindingContext;
    int16_t _width;
    int16_t _height;
    bool _opaque = false;
    bool _msaaEnabled = false;
    int32_t _msaaSamples = 4;
    bool _needsPresenting = false;
    std::shared_ptr<VLEGLContext> _glContext;
};

// The rendering context last made current on this thread, while its EGL context is the thread's current
// one; else nullptr.
std::shared_ptr<VLCanvasRenderingContext> VLCanvasRenderingContextGetCurrent();
