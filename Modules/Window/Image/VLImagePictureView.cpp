#include "Modules/Window/Image/VLImagePictureView.h"

bool VLImagePictureView::acceptsFirstMouse(const VLWSEvent*) const {
    return true;
}
