#pragma once

#include "ContentHost/Weak.h"

#include <cstddef>
#include <memory>
#include <unordered_map>
#include <unordered_set>

class VLWSLayer;
class VLWSWindow;

// A private copy of a window's layer tree, which a mirror stream renders: one plain layer per layer of
// the window's content view, kept by the source's address and reused while that source lives, with the
// source's look and order brought over on each refresh. Canvas layers are not copied by their contents:
// the canvas shows every picture it presents in the copy it was handed.
//
// Main thread only (the canvases set their copies' contents from their own threads, under the layer
// tree's lock).
class WindowMirror final {
public:
    explicit WindowMirror(std::shared_ptr<VLWSWindow> window);
    ~WindowMirror();
    WindowMirror(const WindowMirror&) = delete;
    WindowMirror& operator=(const WindowMirror&) = delete;

    const std::shared_ptr<VLWSWindow>& window() const { return _window; }
    // The copy's container, anchored at its origin; its bounds are the size of the content view's layer.
    const std::shared_ptr<VLWSLayer>& layer() const { return _layer; }

    // Brings the copy in line with the window as it is now; copies of layers that went are dropped.
    void refresh();

    // The copy of a source layer, or nullptr.
    std::shared_ptr<VLWSLayer> copyOf(const VLWSLayer& source) const;
    size_t copyCount() const { return _copies.size(); }

private:
    struct Copy {
        Weak<VLWSLayer> source;
        std::shared_ptr<VLWSLayer> copy;
    };
    using Visited = std::unordered_set<const VLWSLayer*>;

    // The copy of the source and of its sublayers, made or brought up to date. The root's copy is placed
    // with its bounds at the origin of the container.
    std::shared_ptr<VLWSLayer> copyTree(const std::shared_ptr<VLWSLayer>& source, bool isRoot,
                                        Visited& visited);
    // The entry of the source, reused while its weak source is still that layer.
    std::shared_ptr<VLWSLayer> copyFor(const std::shared_ptr<VLWSLayer>& source);

    const std::shared_ptr<VLWSWindow> _window;
    const std::shared_ptr<VLWSLayer> _layer;
    std::unordered_map<const VLWSLayer*, Copy> _copies;
};
