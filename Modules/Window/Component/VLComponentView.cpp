#include "Modules/Window/Component/VLComponentView.h"

bool VLComponentView::acceptsFirstMouse(const VLWSEvent*) const {
    return true;
}
