#pragma once

#include "Modules/Window/Component/VLComponentView.h"
#include "Modules/Window/Image/VLImageFitting.h"

#include <memory>

class VLBitmap;
class VLImagePictureView;

// The view inside an image component's view that shows its picture: a picture view placed by the fit
// mode and alignment, and clipped to this view's bounds where the picture overflows them.
//
// Main thread only.
class VLImageView final : public VLComponentView {
public:
    explicit VLImageView(VLRect frame = {});

    const std::shared_ptr<const VLBitmap>& image() const { return _image; }
    // nullptr shows nothing.
    void setImage(std::shared_ptr<const VLBitmap> image);
    // Drops the picture and the picture view that held it, for a fresh one.
    void releaseImage();

    VLImageSize imageSize() const { return _imageSize; }
    void setImageSize(VLImageSize size);
    VLImagePosition imagePosition() const { return _imagePosition; }
    void setImagePosition(VLImagePosition position);

    const std::shared_ptr<VLImagePictureView>& pictureView() const { return _imageView; }

    void setFrame(VLRect frame) override;
    // Places the picture view for the picture, the fit mode, the alignment and the bounds.
    void layout();
    void setNeedsLayout() { layout(); }

private:
    std::shared_ptr<VLImagePictureView> makePictureView();

    std::shared_ptr<VLImagePictureView> _imageView;
    std::shared_ptr<const VLBitmap> _image;
    VLImagePosition _imagePosition = VLImagePosition::Center;
    VLImageSize _imageSize = VLImageSize::Contain;
};
