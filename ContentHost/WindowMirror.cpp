#include "ContentHost/WindowMirror.h"

#include "Platform/WindowServer/VLWSLayer.h"
#include "Platform/WindowServer/VLWSTransaction.h"
#include "Platform/WindowServer/VLWSView.h"
#include "Platform/WindowServer/VLWSWindow.h"

WindowMirror::WindowMirror(std::shared_ptr<VLWSWindow> window)
    : _window(std::move(window)), _layer(std::make_shared<VLWSLayer>()) {
    _layer->setAnchorPoint({0, 0});
}

WindowMirror::~WindowMirror() = default;

std::shared_ptr<VLWSLayer> WindowMirror::copyOf(const VLWSLayer& source) const {
    const auto found = _copies.find(&source);
    return found != _copies.end() && found->second.source.refersTo(&source) ? found->second.copy : nullptr;
}

void WindowMirror::refresh() {
    const std::shared_ptr<VLWSView>& contentView = _window->contentView();
    const std::shared_ptr<VLWSLayer> source = contentView ? contentView->layer() : nullptr;
    if (!source) {
        _layer->setSublayers({});
        return;
    }
    VLWSTransaction::begin();
    VLWSTransaction::setDisableActions(true);
    Visited visited;
    const std::shared_ptr<VLWSLayer> root = copyTree(source, true, visited);
    _layer->setBounds({{0, 0}, root->bounds().size});
    const VLWSLayer::Layers sublayers = _layer->sublayers();
    if (sublayers.empty() || sublayers.front() != root)
        _layer->setSublayers({root});
    // The copy is seen the way up as the window shows its content.
    if (root->contentsAreFlipped() != source->contentsAreFlipped())
        _layer->setGeometryFlipped(!_layer->isGeometryFlipped());
    for (auto entry = _copies.begin(); entry != _copies.end();) {
        if (visited.contains(entry->first)) {
            ++entry;
            continue;
        }
        entry->second.copy->removeFromSuperlayer();
        entry = _copies.erase(entry);
    }
    VLWSTransaction::commit();
}

std::shared_ptr<VLWSLayer> WindowMirror::copyTree(const std::shared_ptr<VLWSLayer>& source, bool isRoot,
                                                  Visited& visited) {
    visited.insert(source.get());
    const std::shared_ptr<VLWSLayer> copy = copyFor(source);

    VLWSLayerProperties wanted = source->properties();
    if (isRoot)
        wanted.position = {wanted.bounds.size.width * wanted.anchorPoint.x,
                           wanted.bounds.size.height * wanted.anchorPoint.y};
    const bool isCanvas = source->vl_isCanvasLayer();
    VLWSLayerProperties current = copy->properties();
    // A canvas's own pictures stay: it hands them to its copy as it presents them.
    if (isCanvas)
        wanted.contents = current.contents;
    if (current != wanted) {
        copy->update([&](VLWSLayerProperties& properties) {
            auto contents = std::move(properties.contents);
            properties = wanted;
            if (isCanvas)
                properties.contents = std::move(contents);
        });
    }

    VLWSLayer::Layers sublayers;
    for (const std::shared_ptr<VLWSLayer>& sublayer : source->sublayers())
        sublayers.push_back(copyTree(sublayer, false, visited));
    const VLWSLayer::Layers present = copy->sublayers();
    if (present != sublayers)
        copy->setSublayers(std::move(sublayers));
    return copy;
}

std::shared_ptr<VLWSLayer> WindowMirror::copyFor(const std::shared_ptr<VLWSLayer>& source) {
    const auto found = _copies.find(source.get());
    if (found != _copies.end()) {
        if (found->second.source.refersTo(source.get()))
            return found->second.copy;
        // Another layer at the address of one that went.
        found->second.copy->removeFromSuperlayer();
    }
    auto copy = std::make_shared<VLWSLayer>();
    if (source->vl_isCanvasLayer())
        source->vl_addCanvasMirror(copy);
    _copies.insert_or_assign(source.get(), Copy{{source}, copy});
    return copy;
}
