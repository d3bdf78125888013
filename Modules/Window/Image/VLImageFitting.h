#pragma once

#include "Platform/Foundation/VLRect.h"
#include "Platform/Foundation/VLSize.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// How an image component fits its picture into its view (the "size" attribute) and where it puts it
// (the "position" attribute), with the texts scripts use for them. Pure functions: any thread.

enum class VLImageSize : uint8_t { Contain = 0, Cover = 1, Fill = 2, None = 3 };

enum class VLImagePosition : uint8_t {
    Top = 0,
    Left = 1,
    Center = 2,
    Bottom = 3,
    Right = 4,
    TopLeft = 5,
    TopRight = 6,
    BottomLeft = 7,
    BottomRight = 8,
};

// The mode a text names exactly; nothing for any other text.
std::optional<VLImageSize> VLImageSizeForText(std::string_view text);
std::optional<VLImagePosition> VLImagePositionForText(std::string_view text);

// Any other text, and no text, reads as "contain" and "center".
VLImageSize VLImageSizeFromNSString(const std::optional<std::string>& text);
std::string VLImageSizeToNSString(VLImageSize size);
VLImagePosition VLImagePositionFromNSString(const std::optional<std::string>& text);
std::string VLImagePositionToNSString(VLImagePosition position);

// The share of the free room left of and above the picture: 0 puts it at the left or top edge.
VLPoint VLImagePositionFactors(VLImagePosition position);

// The picture's frame in a view of the given size, y downwards; it may overflow the view.
VLRect VLImagePictureFrame(VLSize pictureSize, VLSize viewSize, VLImageSize size, VLImagePosition position);
