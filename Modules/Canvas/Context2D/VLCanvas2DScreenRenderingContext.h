#pragma once

#include "Core/Runtime/Rendering/VLRenderingPresentable.h"
#include "Modules/Canvas/Context2D/VLCanvas2DRenderingContext.h"
#include "Platform/Foundation/VLRect.h"

#include <cstdint>
#include <memory>

class VLCanvasView;
class VLEGLLayer;
class VLGLTexture;

// The 2D context of a canvas shown on screen: its view renderbuffer's pictures go into the layer of a
// VLCanvasView, which the context makes on the main thread at its first resize and whose frame follows
// the canvas component's layout (the style rectangle). The rendering loop presents it every frame in
// which something was drawn; a GPU loss stops the presents and is handed to the presentable delegate.
//
// The JavaScript thread owns drawing, presents, resizes and the style; the view is made on the main
// thread while that thread waits, and changes on the main thread through the screen-update queue.
class VLCanvas2DScreenRenderingContext final : public VLCanvas2DRenderingContext,
                                               public VLRenderingPresentable {
public:
    // The style starts as the whole canvas.
    VLCanvas2DScreenRenderingContext(const std::shared_ptr<VLJSBindingContext>& bindingContext, int16_t width,
                                     int16_t height);
    // The view leaves its superview on the main queue.
    ~VLCanvas2DScreenRenderingContext() override;

    // Presentable.
    bool present() override;
    void finish() override;
    // Something drawn or pending in the batch, and the context not lost.
    bool needsPresenting() override;
    std::shared_ptr<VLRenderingPresentableDelegate> presentableDelegate() const override;
    void setPresentableDelegate(std::weak_ptr<VLRenderingPresentableDelegate> delegate) override;
    std::shared_ptr<VLWSView> view() const override;

    // Gives the view renderbuffer storage tied to the view's layer (made now when there is no view).
    void resizeToWidth(int16_t width, int16_t height) override;
    void didLoseContext(int reset) override;

    // In the canvas component's view coordinates.
    const VLRect& style() const { return _style; }
    // A new size waits for the next presented frame when one is pending, so the old picture is never
    // shown stretched to it.
    void setStyle(const VLRect& style);
    // The view's frame: the style, a zero side replaced by the canvas's.
    VLRect frame() const;
    // Makes the view when there is none and has its frame follow; answers its layer.
    std::shared_ptr<VLEGLLayer> _updateView();

    // A picture of the canvas as it is now, for drawing it elsewhere; the same texture until something
    // is drawn again.
    std::shared_ptr<VLGLTexture> texture();

private:
    // Queues the view's new frame for the main thread.
    void performViewFrameChange(const VLRect& frame);

    VLRect _style;
    // Written on the main thread while the JavaScript thread waits for it, then read on either.
    std::shared_ptr<VLCanvasView> _canvasView;
    std::weak_ptr<VLRenderingPresentableDelegate> _presentableDelegate;
    std::shared_ptr<VLGLTexture> _snapshot;
    uint64_t _snapshotVersion = 0;
};
