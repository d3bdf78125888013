#pragma once

#include "Platform/WindowServer/VLWSImageView.h"

// The platform image view that draws an image component's picture; a click on it counts even while
// its window is not key.
//
// Main thread only.
class VLImagePictureView final : public VLWSImageView {
public:
    using VLWSImageView::VLWSImageView;

    bool acceptsFirstMouse(const VLWSEvent* event) const override;
};
