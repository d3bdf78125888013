#pragma once

#include "Platform/WindowServer/VLWSView.h"

// The view of a component: flipped (y downwards, as layout gives frames), taking the first mouse, and
// backed by a layer that shows the component's style.
//
// Main thread only.
class VLComponentView : public VLWSView {
public:
    using VLWSView::VLWSView;

    bool isFlipped() const override { return true; }
    bool acceptsFirstMouse(const VLWSEvent* event) const override;

    // Whether the component's display is "contents": the box itself draws nothing.
    bool displaysContents() const { return _displaysContents; }
    void setDisplaysContents(bool displaysContents) { _displaysContents = displaysContents; }

private:
    bool _displaysContents = false;
};
