#include "Modules/Canvas/VLCanvasView.h"

#include "Modules/Canvas/GL/VLEGLLayer.h"

std::shared_ptr<VLEGLLayer> VLCanvasView::eglLayer() {
    return std::static_pointer_cast<VLEGLLayer>(layer());
}

bool VLCanvasView::acceptsFirstMouse(const VLWSEvent*) const {
    return true;
}

std::shared_ptr<VLWSLayer> VLCanvasView::makeBackingLayer() {
    auto layer = std::make_shared<VLEGLLayer>();
    layer->setContentsGravity(VLWSLayerContentsGravity::Resize);
    return layer;
}
