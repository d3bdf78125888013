#include "Modules/Canvas/GL/VLEGLLayer.h"

#include "Core/Engine/Log/VLLog.h"
#include "Core/Runtime/Rendering/VLScreenUpdate.h"
#include "Platform/Foundation/VLMainQueueHolding.h"
#include "Platform/Graphics/VLSurface.h"
#include "Platform/WindowServer/VLWSTransaction.h"

#include <algorithm>
#include <limits>

namespace {

// What EGL answered when it could not make a surface; a surface that cannot be made is the same loss.
constexpr unsigned kVLEGLLayerBadAlloc = 0x3003;

// Sets the contents of every layer in one transaction with actions disabled.
void setContentsOfLayers(const std::vector<std::shared_ptr<VLWSLayer>>& layers,
                         const std::shared_ptr<const VLPixelSource>& contents) {
    VLWSTransaction::begin();
    VLWSTransaction::setDisableActions(true);
    for (const std::shared_ptr<VLWSLayer>& layer : layers)
        layer->setContents(contents);
    VLWSTransaction::commit();
}

} // namespace

VLEGLLayer::~VLEGLLayer() {
    destroySurfaces();
}

std::shared_ptr<VLSurface> VLEGLLayer::nextSurfaceWithWidth(uint32_t width, uint32_t height) {
    std::shared_ptr<VLSurface> surface;
    const bool opaque = isOpaque(); // before the pool's lock: the layers' own lock is never taken under it
    {
        std::lock_guard lock(_poolLock);
        if (width != _bufferWidth || height != _bufferHeight || opaque != _bufferOpaque) {
            _buffers.clear();
            _nextIndex = _presentedIndex = -1;
            _bufferWidth = width;
            _bufferHeight = height;
            _bufferOpaque = opaque;
        }
        _nextIndex = chooseBufferLocked();
        if (_nextIndex < 0)
            return nullptr;
        Buffer& buffer = _buffers[size_t(_nextIndex)];
        buffer.drawn = false;
        surface = buffer.surface;
    }
    // A reader (the compositor, a mirror's renderer) may still be reading the picture the surface held:
    // wait for it rather than write under it. Readers borrow for one pass and never wait on this thread.
    if (surface->isInUse() && _willWaitForReader)
        _willWaitForReader(*surface);
    // What this thread posted to the main queue may be what lets the reader go: it leaves before the wait.
    if (surface->isInUse())
        VLMainQueueHolding::handOver();
    surface->waitUntilNotInUse();
    return surface;
}

int VLEGLLayer::chooseBufferLocked() {
    // The least recently presented buffer, among those not shown, that no reader holds; else a new one;
    // else the least recently presented one not shown, whose reader the caller waits for.
    const auto leastRecent = [this](bool freeOnly) {
        int pick = -1;
        uint64_t pickFrame = std::numeric_limits<uint64_t>::max();
        for (size_t i = 0; i < _buffers.size(); ++i) {
            if (int(i) == _presentedIndex || (freeOnly && _buffers[i].surface->isInUse()))
                continue;
            if (_buffers[i].frame < pickFrame) {
                pick = int(i);
                pickFrame = _buffers[i].frame;
            }
        }
        return pick;
    };
    int pick = leastRecent(true);
    if (pick < 0 && _buffers.size() < MaximumBuffers && addBufferLocked())
        pick = int(_buffers.size() - 1);
    if (pick < 0)
        pick = leastRecent(false);
    return pick;
}

bool VLEGLLayer::addBufferLocked() {
    std::shared_ptr<VLSurface> surface = VLSurface::create(_bufferWidth, _bufferHeight);
    if (!surface) {
        VLLogError("VLEGLLayer", "Canvas couldn't draw into an IOSurface (EGL error 0x%x)",
                   kVLEGLLayerBadAlloc);
        return false;
    }
    _buffers.push_back({std::move(surface), 0, false});
    return true;
}

bool VLEGLLayer::surfacesAreOpaque() const {
    std::lock_guard lock(_poolLock);
    return _bufferOpaque;
}

void VLEGLLayer::surfaceDidDraw() {
    std::lock_guard lock(_poolLock);
    if (_nextIndex >= 0)
        _buffers[size_t(_nextIndex)].drawn = true;
}

void VLEGLLayer::presentSurface() {
    std::shared_ptr<VLSurface> surface;
    {
        std::lock_guard lock(_poolLock);
        // A buffer that was chosen but never drawn holds no picture worth showing.
        if (_nextIndex < 0 || !_buffers[size_t(_nextIndex)].drawn)
            return;
        Buffer& buffer = _buffers[size_t(_nextIndex)];
        buffer.frame = ++_frameCount;
        buffer.drawn = false;
        _presentedIndex = std::exchange(_nextIndex, -1);
        surface = buffer.surface;
    }
    showSurface(surface);
}

void VLEGLLayer::showSurface(const std::shared_ptr<VLSurface>& surface) {
    std::vector<std::shared_ptr<VLWSLayer>> layers = liveMirrors();
    if (VLScreenUpdateIsHeld()) {
        // With the frame's view changes, on the main thread; a layer gone by then shows nothing more.
        std::weak_ptr<VLWSLayer> weakSelf = weak_from_this();
        VLScreenUpdatePresent([weakSelf, surface, layers = std::move(layers)]() mutable {
            if (std::shared_ptr<VLWSLayer> self = weakSelf.lock()) {
                layers.push_back(std::move(self));
                setContentsOfLayers(layers, surface);
            }
        });
        return;
    }
    layers.push_back(shared_from_this());
    setContentsOfLayers(layers, surface);
}

std::vector<std::shared_ptr<VLWSLayer>> VLEGLLayer::liveMirrors() {
    std::lock_guard lock(_mirrorsLock);
    std::vector<std::shared_ptr<VLWSLayer>> layers;
    std::erase_if(_mirrors, [&](const std::weak_ptr<VLWSLayer>& weakMirror) {
        std::shared_ptr<VLWSLayer> mirror = weakMirror.lock();
        if (mirror)
            layers.push_back(std::move(mirror));
        return !mirror;
    });
    return layers;
}

void VLEGLLayer::addMirror(const std::shared_ptr<VLWSLayer>& mirror) {
    if (!mirror || mirror.get() == this)
        return;
    {
        std::lock_guard lock(_mirrorsLock);
        _mirrors.push_back(mirror);
    }
    setContentsOfLayers({mirror}, contents());
}

uint64_t VLEGLLayer::surfaceMemorySize() const {
    std::lock_guard lock(_poolLock);
    uint64_t bytes = 0;
    for (const Buffer& buffer : _buffers)
        bytes += buffer.surface->allocationSize();
    return bytes;
}

void VLEGLLayer::destroySurfaces() {
    std::vector<Buffer> buffers;
    {
        std::lock_guard lock(_poolLock);
        buffers.swap(_buffers);
        _nextIndex = _presentedIndex = -1;
    }
    // A surface still shown as contents lives on with its layers.
}
