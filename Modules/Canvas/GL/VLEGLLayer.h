#pragma once

#include "Modules/Canvas/GL/VLEGLDrawable.h"
#include "Platform/WindowServer/VLWSLayer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class VLSurface;

// The layer behind an on-screen canvas: a pool of at most three surfaces that the canvas's context
// presents its pictures into (VLEGLContext::presentRenderbuffer), one after the other, while the layer
// and its mirrors show the last one presented. A surface is written only once no reader borrows it, so
// the compositor never reads a picture half written.
//
// The pool is the presenting thread's (the runtime's JavaScript thread): nextSurfaceWithWidth, surfaceDidDraw
// and presentSurface run there; _poolLock lets surfaceMemorySize and destroySurfaces run on any thread.
// Mirrors are added on the main thread, under _mirrorsLock.
class VLEGLLayer final : public VLWSLayer, public VLEGLDrawable {
public:
    static constexpr size_t MaximumBuffers = 3;

    VLEGLLayer() = default;
    ~VLEGLLayer() override;

    std::shared_ptr<VLSurface> nextSurfaceWithWidth(uint32_t width, uint32_t height) override;
    bool surfacesAreOpaque() const override;
    void surfaceDidDraw() override;
    void presentSurface() override;
    uint64_t surfaceMemorySize() const override;
    void destroySurfaces() override;

    void addMirror(const std::shared_ptr<VLWSLayer>& mirror);
    bool vl_isCanvasLayer() const override { return true; }
    void vl_addCanvasMirror(const std::shared_ptr<VLWSLayer>& mirror) override { addMirror(mirror); }

    // Called on the presenting thread just before it waits for a reader to give the chosen surface back.
    void setWillWaitForReaderHandlerForTesting(std::function<void(const VLSurface&)> handler) {
        _willWaitForReader = std::move(handler);
    }

private:
    struct Buffer {
        std::shared_ptr<VLSurface> surface;
        uint64_t frame = 0; // of its last present; 0 never presented
        bool drawn = false; // holds a picture not yet presented
    };

    // Under _poolLock. The index of the buffer to draw into next, or -1.
    int chooseBufferLocked();
    bool addBufferLocked();
    void showSurface(const std::shared_ptr<VLSurface>& surface);
    std::vector<std::shared_ptr<VLWSLayer>> liveMirrors();

    mutable std::mutex _poolLock; // guards everything down to _frameCount
    std::vector<Buffer> _buffers;
    uint32_t _bufferWidth = 0;
    uint32_t _bufferHeight = 0;
    bool _bufferOpaque = false;
    int _nextIndex = -1;
    int _presentedIndex = -1;
    uint64_t _frameCount = 0;

    std::mutex _mirrorsLock; // guards _mirrors
    std::vector<std::weak_ptr<VLWSLayer>> _mirrors;

    std::function<void(const VLSurface&)> _willWaitForReader;
};
