#include "Platform/WindowServer/VLWSImageView.h"

#include "Platform/WindowServer/VLWSLayer.h"

void VLWSImageView::setImage(std::shared_ptr<const VLPixelSource> image) {
    _image = std::move(image);
    layer()->update([&](VLWSLayerProperties& p) {
        p.contents = _image;
        p.contentsGravity = VLWSLayerContentsGravity::Resize;
    });
}
