#pragma once

#include "Platform/Graphics/VLPixelSource.h"
#include "Platform/WindowServer/VLWSView.h"

// A view that shows an image stretched over its whole frame, along both axes independently.
//
// Main thread only.
class VLWSImageView : public VLWSView {
public:
    using VLWSView::VLWSView;

    const std::shared_ptr<const VLPixelSource>& image() const { return _image; }
    // nullptr shows nothing.
    void setImage(std::shared_ptr<const VLPixelSource> image);

private:
    std::shared_ptr<const VLPixelSource> _image;
};
