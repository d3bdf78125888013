#include "Modules/Window/Image/VLImageView.h"

#include "Modules/Window/Image/VLImagePictureView.h"
#include "Platform/Graphics/VLBitmap.h"
#include "Platform/WindowServer/VLWSLayer.h"

VLImageView::VLImageView(VLRect frame) : VLComponentView(frame) {
    layer()->setMasksToBounds(true);
    _imageView = makePictureView();
}

std::shared_ptr<VLImagePictureView> VLImageView::makePictureView() {
    auto pictureView = std::make_shared<VLImagePictureView>();
    addSubview(pictureView);
    return pictureView;
}

void VLImageView::setImage(std::shared_ptr<const VLBitmap> image) {
    _image = std::move(image);
    _imageView->setImage(_image);
    setNeedsLayout();
}

void VLImageView::releaseImage() {
    _image.reset();
    _imageView->removeFromSuperview();
    _imageView = makePictureView();
    setNeedsLayout();
}

void VLImageView::setImageSize(VLImageSize size) {
    if (size == _imageSize)
        return;
    _imageSize = size;
    setNeedsLayout();
}

void VLImageView::setImagePosition(VLImagePosition position) {
    if (position == _imagePosition)
        return;
    _imagePosition = position;
    setNeedsLayout();
}

void VLImageView::setFrame(VLRect frame) {
    VLComponentView::setFrame(frame);
    setNeedsLayout();
}

void VLImageView::layout() {
    if (!_image)
        return;
    const VLSize pictureSize{double(_image->width()), double(_image->height())};
    _imageView->setFrame(VLImagePictureFrame(pictureSize, bounds().size, _imageSize, _imagePosition));
}
