#pragma once

#include "Platform/Foundation/VLAffineTransform.h"
#include "Platform/Graphics/VLColor.h"
#include "Platform/Graphics/VLPixelSource.h"

#include <cstdint>
#include <memory>

// Where contents go in a layer's bounds. Top and bottom are as the layer is seen, whatever its
// geometry's flips.
enum class VLWSLayerContentsGravity : uint8_t {
    Center,
    Top,
    Bottom,
    Left,
    Right,
    TopLeft,
    TopRight,
    BottomLeft,
    BottomRight,
    // Stretched along both axes.
    Resize,
    // Scaled to fit whole, the aspect kept.
    ResizeAspect,
    // Scaled to cover the bounds, the aspect kept.
    ResizeAspectFill,
};

enum class VLWSLayerFilter : uint8_t { Linear, Nearest };

// The corners a corner radius rounds, with the platform's values; the minimum y is the bottom of a layer
// whose geometry is not flipped.
enum VLWSLayerCornerMask : uint8_t {
    VLWSLayerMinXMinYCorner = 1 << 0,
    VLWSLayerMaxXMinYCorner = 1 << 1,
    VLWSLayerMinXMaxYCorner = 1 << 2,
    VLWSLayerMaxXMaxYCorner = 1 << 3,
    VLWSLayerAllCorners = 0xF,
};

// Everything a layer draws with besides its sublayers and mask, with the platform's defaults. A plain
// value: copying it copies the whole look of a layer.
struct VLWSLayerProperties {
    // Geometry: the point at `anchorPoint` (a fraction of the bounds) sits at `position` in the
    // superlayer, and `transform` turns the layer about it.
    VLRect bounds;
    VLPoint position;
    VLPoint anchorPoint{0.5, 0.5};
    VLAffineTransform transform;
    // Applied to the sublayers, about the anchor point.
    VLAffineTransform sublayerTransform;
    // y runs downwards within the bounds, for the sublayers; contents stay upright.
    bool geometryFlipped = false;
    bool hidden = false;
    // Of the layer and its sublayers as one group, 0…1.
    float opacity = 1;
    bool masksToBounds = false;
    double cornerRadius = 0;
    uint8_t maskedCorners = VLWSLayerAllCorners;
    VLColor backgroundColor;
    // Drawn inside the bounds, above the contents and the sublayers.
    double borderWidth = 0;
    VLColor borderColor = VLColor::blackColor();
    std::shared_ptr<const VLPixelSource> contents;
    VLWSLayerContentsGravity contentsGravity = VLWSLayerContentsGravity::Resize;
    // The part of the contents shown, in unit coordinates of the contents (y down from the top row).
    VLRect contentsRect{0, 0, 1, 1};
    // The stretchable middle of the contents, in unit coordinates; kept, not drawn.
    VLRect contentsCenter{0, 0, 1, 1};
    // Pixels of the contents per point.
    double contentsScale = 1;
    VLWSLayerFilter magnificationFilter = VLWSLayerFilter::Linear;
    VLWSLayerFilter minificationFilter = VLWSLayerFilter::Linear;
    bool opaque = false;

    // The anchor point in the layer's own coordinates.
    VLPoint anchorInBounds() const;
    // From the layer's own coordinates to its superlayer's: the flip, then the transform about the anchor
    // point, which lands at the position.
    VLAffineTransform toSuperlayer() const;
    // From the sublayers' coordinates to the layer's own: the sublayer transform about the anchor point.
    VLAffineTransform sublayersToLayer() const;

    friend bool operator==(const VLWSLayerProperties&, const VLWSLayerProperties&) = default;
};
