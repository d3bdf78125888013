#pragma once

#include <memory>

class VLRenderingPresentableDelegate;
class VLWSView;

// What the rendering loop presents after the ports of each frame (on-screen canvas contexts). The loop
// holds presentables weakly. All methods run on the runtime's JavaScript thread.
class VLRenderingPresentable {
public:
    virtual ~VLRenderingPresentable() = default;

    // Whether a new frame went on screen.
    virtual bool present() = 0;
    // Completes all GPU work; the loop calls it when it pauses.
    virtual void finish() = 0;
    virtual bool needsPresenting() = 0;
    virtual std::shared_ptr<VLRenderingPresentableDelegate> presentableDelegate() const = 0;
    virtual void setPresentableDelegate(std::weak_ptr<VLRenderingPresentableDelegate> delegate) = 0;
    // The view that shows it.
    virtual std::shared_ptr<VLWSView> view() const = 0;
};
