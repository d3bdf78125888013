#include "Platform/WindowServer/VLWSLayerProperties.h"

VLPoint VLWSLayerProperties::anchorInBounds() const {
    return {bounds.origin.x + anchorPoint.x * bounds.size.width,
            bounds.origin.y + anchorPoint.y * bounds.size.height};
}

VLAffineTransform VLWSLayerProperties::toSuperlayer() const {
    const VLPoint anchor = anchorInBounds();
    const VLAffineTransform flip =
        geometryFlipped ? VLAffineTransform{1, 0, 0, -1, 0, 2 * bounds.origin.y + bounds.size.height}
                        : VLAffineTransform();
    return flip.concatenating(VLAffineTransform::translation(-anchor.x, -anchor.y))
        .concatenating(transform)
        .concatenating(VLAffineTransform::translation(position.x, position.y));
}

VLAffineTransform VLWSLayerProperties::sublayersToLayer() const {
    if (sublayerTransform.isIdentity())
        return {};
    const VLPoint anchor = anchorInBounds();
    return VLAffineTransform::translation(-anchor.x, -anchor.y)
        .concatenating(sublayerTransform)
        .concatenating(VLAffineTransform::translation(anchor.x, anchor.y));
}
