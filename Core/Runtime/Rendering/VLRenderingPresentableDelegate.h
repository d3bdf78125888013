#pragma once

class VLRenderingPresentable;

// Told by a presentable (an on-screen canvas context) about its view and its context; the rendering
// loop never calls it. JavaScript thread.
class VLRenderingPresentableDelegate {
public:
    virtual ~VLRenderingPresentableDelegate() = default;

    virtual void handleRenderingPresentableViewCreated(VLRenderingPresentable& /*presentable*/) {}
    virtual void renderingPresentableDidLoseContext(VLRenderingPresentable& /*presentable*/) {}
};
