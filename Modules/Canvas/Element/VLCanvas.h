#pragma once

#include "Modules/Window/Component/VLComponent.h"

#include <atomic>
#include <cstdint>
#include <memory>

class VLCanvasResizedObserver;
class VLWSView;

// The canvas component: a box that hosts the view of its drawing context below its children's views,
// shows it with the filters of its "imageRendering" style, and tells its binding of each new frame
// instead of firing the component's own "framechange".
//
// The component thread (the runtime's JavaScript thread) lays it out, reads its style and holds the
// observer; views change on the main thread. The rendering mode is read on both.
class VLCanvas final : public VLComponent {
public:
    enum ImageRendering : int {
        ImageRenderingAuto = 0,
        ImageRenderingCrispEdges = 1,
        ImageRenderingPixelated = 2
    };

    static std::shared_ptr<VLCanvas> create(const VLDictionary& style = {},
                                            const VLDictionary& attributes = {}, const VLArray& events = {});

    ImageRendering imageRendering() const { return _imageRendering.load(); }
    std::shared_ptr<VLCanvasResizedObserver> resizedObserver() const { return _resizedObserver.lock(); }
    void setResizedObserver(const std::shared_ptr<VLCanvasResizedObserver>& observer) {
        _resizedObserver = observer;
    }

    // Main thread: puts a drawing view below every other subview of the component's view.
    void addDrawingView(const std::shared_ptr<VLWSView>& view);
    // Main thread: magnification nearest unless "auto", minification nearest only for "crisp-edges".
    void _applyImageRenderingToView(VLWSView& view) const;

    void setFrame(const VLRect& frame) override;

protected:
    void _updateStyleOnComponentThread(const VLDictionary& style) override;
    void _updateStyleOnMainThread() override;
    void _fireEvent(const std::string& name, const VLDictionary& params) override;

private:
    VLCanvas() = default;

    std::atomic<ImageRendering> _imageRendering{ImageRenderingAuto};
    std::weak_ptr<VLCanvasResizedObserver> _resizedObserver; // component thread
};
