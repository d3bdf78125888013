#include "Modules/Window/Image/VLImageFitting.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<const char*, 4> kSizeTexts = {"contain", "cover", "fill", "none"};

struct PositionEntry {
    const char* text;
    double x;
    double y;
};

constexpr std::array<PositionEntry, 9> kPositions = {{
    {"top", 0.5, 0},
    {"left", 0, 0.5},
    {"center", 0.5, 0.5},
    {"bottom", 0.5, 1},
    {"right", 1, 0.5},
    {"top-left", 0, 0},
    {"top-right", 1, 0},
    {"bottom-left", 0, 1},
    {"bottom-right", 1, 1},
}};

// The scale that fits the picture into the view by the mode; "fill" has none.
double scaleFor(VLSize picture, VLSize view, VLImageSize size) {
    switch (size) {
    case VLImageSize::Contain:
        if (picture.width / picture.height <= view.width / view.height)
            return view.height / picture.height;
        return std::min(view.width / picture.width, view.height / picture.height);
    case VLImageSize::Cover:
        if (view.width / view.height < picture.width / picture.height)
            return view.height / picture.height;
        return view.width / picture.width;
    case VLImageSize::Fill:
    case VLImageSize::None:
        break;
    }
    return 1;
}

} // namespace

std::optional<VLImageSize> VLImageSizeForText(std::string_view text) {
    for (size_t index = 0; index < kSizeTexts.size(); ++index)
        if (text == kSizeTexts[index])
            return VLImageSize(index);
    return std::nullopt;
}

std::optional<VLImagePosition> VLImagePositionForText(std::string_view text) {
    for (size_t index = 0; index < kPositions.size(); ++index)
        if (text == kPositions[index].text)
            return VLImagePosition(index);
    return std::nullopt;
}

VLImageSize VLImageSizeFromNSString(const std::optional<std::string>& text) {
    return (text ? VLImageSizeForText(*text) : std::nullopt).value_or(VLImageSize::Contain);
}

std::string VLImageSizeToNSString(VLImageSize size) {
    return kSizeTexts[size_t(size)];
}

VLImagePosition VLImagePositionFromNSString(const std::optional<std::string>& text) {
    return (text ? VLImagePositionForText(*text) : std::nullopt).value_or(VLImagePosition::Center);
}

std::string VLImagePositionToNSString(VLImagePosition position) {
    return kPositions[size_t(position)].text;
}

VLPoint VLImagePositionFactors(VLImagePosition position) {
    const PositionEntry& entry = kPositions[size_t(position)];
    return {entry.x, entry.y};
}

VLRect VLImagePictureFrame(VLSize pictureSize, VLSize viewSize, VLImageSize size, VLImagePosition position) {
    if (size == VLImageSize::Fill)
        return {0, 0, viewSize.width, viewSize.height};
    const double scale = scaleFor(pictureSize, viewSize, size);
    const VLSize scaled{pictureSize.width * scale, pictureSize.height * scale};
    const VLPoint factors = VLImagePositionFactors(position);
    return {(viewSize.width - scaled.width) * factors.x, (viewSize.height - scaled.height) * factors.y,
            scaled.width, scaled.height};
}
