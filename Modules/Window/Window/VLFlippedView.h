#pragma once

#include "Platform/WindowServer/VLWSView.h"

// A view whose coordinates run from the top-left corner downwards.
//
// Main thread only.
class VLFlippedView : public VLWSView {
public:
    using VLWSView::VLWSView;

    bool isFlipped() const override { return true; }
};
