#include "Modules/Canvas/Element/VLCanvas.h"

#include "Modules/Canvas/Element/VLCanvasResizedObserver.h"
#include "Modules/Canvas/VLCanvasView.h"
#include "Platform/WindowServer/VLWSLayer.h"
#include "Platform/WindowServer/VLWSView.h"

std::shared_ptr<VLCanvas> VLCanvas::create(const VLDictionary& style, const VLDictionary& attributes,
                                           const VLArray& events) {
    std::shared_ptr<VLCanvas> canvas(new VLCanvas());
    canvas->initWithStyle(style, attributes, events);
    return canvas;
}

void VLCanvas::_updateStyleOnComponentThread(const VLDictionary& style) {
    VLComponent::_updateStyleOnComponentThread(style);
    const VLValue& rendering = style.get("imageRendering");
    ImageRendering mode = ImageRenderingAuto;
    if (rendering.isString() && rendering.stringValue() == "pixelated")
        mode = ImageRenderingPixelated;
    else if (rendering.isString() && rendering.stringValue() == "crisp-edges")
        mode = ImageRenderingCrispEdges;
    _imageRendering.store(mode);
}

void VLCanvas::_updateStyleOnMainThread() {
    VLComponent::_updateStyleOnMainThread();
    const std::shared_ptr<VLWSView> view = loadedView();
    if (!view)
        return;
    for (const std::shared_ptr<VLWSView>& subview : view->subviews()) {
        if (dynamic_cast<VLCanvasView*>(subview.get()))
            _applyImageRenderingToView(*subview);
    }
}

void VLCanvas::addDrawingView(const std::shared_ptr<VLWSView>& drawingView) {
    this->view()->addSubview(drawingView, VLWSWindowOrderingMode::Below, nullptr);
    _applyImageRenderingToView(*drawingView);
}

void VLCanvas::_applyImageRenderingToView(VLWSView& view) const {
    const ImageRendering mode = imageRendering();
    VLWSLayer& layer = *view.layer();
    layer.setMagnificationFilter(mode != ImageRenderingAuto ? VLWSLayerFilter::Nearest
                                                            : VLWSLayerFilter::Linear);
    layer.setMinificationFilter(mode == ImageRenderingCrispEdges ? VLWSLayerFilter::Nearest
                                                                 : VLWSLayerFilter::Linear);
}

void VLCanvas::setFrame(const VLRect& frame) {
    const VLRect oldFrame = this->frame();
    VLComponent::setFrame(frame);
    if (this->frame() == oldFrame)
        return;
    if (std::shared_ptr<VLCanvasResizedObserver> observer = resizedObserver())
        observer->canvasDidResized(*this);
}

void VLCanvas::_fireEvent(const std::string& name, const VLDictionary& params) {
    // The binding fires its own after the context follows the new frame.
    if (name == "framechange")
        return;
    VLComponent::_fireEvent(name, params);
}
