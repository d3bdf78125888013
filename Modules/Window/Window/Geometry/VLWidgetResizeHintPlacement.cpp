#include "Modules/Window/Window/Geometry/VLWidgetResizeHintPlacement.h"

#include "Modules/Window/Window/VLWidgetResizeHintView.h"

#include <algorithm>

VLPoint VLWidgetResizeHintPlacement::anchor(const VLRect& bounds, VLSize inset) {
    const double m = std::max(inset.width, inset.height);
    return {bounds.origin.x + bounds.size.width - inset.width + m,
            bounds.origin.y + bounds.size.height - inset.height + m};
}

VLWidgetResizeHintPlacement VLWidgetResizeHintPlacement::place(VLWidgetResizeHintView& hint, VLPoint anchor,
                                                               const VLRect& screenFrame, VLSize inset,
                                                               double cornerRadius) {
    const double m = std::max(inset.width, inset.height);
    const bool outside =
        screenFrame.isEmpty() || (screenFrame.origin.x + screenFrame.size.width >= anchor.x + kRoom &&
                                  anchor.y - kRoom >= screenFrame.origin.y);
    hint.setCornerRadius(m + cornerRadius, outside);
    const VLPoint corner = hint.corner();
    const VLSize size = hint.size();
    return {m + cornerRadius,
            outside,
            {anchor.x - corner.x, anchor.y - (size.height - corner.y), size.width, size.height}};
}
