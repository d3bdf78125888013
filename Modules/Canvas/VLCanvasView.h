#pragma once

#include "Platform/WindowServer/VLWSView.h"

#include <memory>

class VLEGLLayer;

// The view of an on-screen canvas: backed by a VLEGLLayer, whose pictures stretch over the whole view
// along both axes. It takes the click that brings its window forward, as a canvas reacts at once.
//
// Main thread only, like every view; its layer is presented into from the canvas's thread.
class VLCanvasView final : public VLWSView {
public:
    using VLWSView::VLWSView;

    std::shared_ptr<VLEGLLayer> eglLayer();
    bool acceptsFirstMouse(const VLWSEvent* event) const override;

protected:
    std::shared_ptr<VLWSLayer> makeBackingLayer() override;
};
