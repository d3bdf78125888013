#pragma once

#include "Platform/Text/VLPlatformFontDescriptor.h"

#include <cstdint>
#include <memory>
#include <string>

// One font face that a script brought: its description (family, weight range, style) and, once loaded,
// the font descriptor of its data. Owned by its runtime's JavaScript thread.
class VLFontFace {
public:
    enum Style : int64_t { Normal = 0, Italic = 1, Oblique = 2 };

    explicit VLFontFace(uint64_t identifier) : _identifier(identifier) {}

    uint64_t identifier() const { return _identifier; }

    const std::string& family() const { return _family; }
    void setFamily(std::string family) { _family = std::move(family); }
    int32_t minimumWeight() const { return _minimumWeight; }
    void setMinimumWeight(int32_t weight) { _minimumWeight = weight; }
    int32_t maximumWeight() const { return _maximumWeight; }
    void setMaximumWeight(int32_t weight) { _maximumWeight = weight; }
    // Normal, Italic or Oblique.
    int64_t style() const { return _style; }
    void setStyle(int64_t style) { _style = style; }

    // The loaded data's descriptor, or nullptr while the face is not loaded.
    const VLPlatformFontDescriptorRef& fontDescriptor() const { return _fontDescriptor; }
    void setFontDescriptor(VLPlatformFontDescriptorRef descriptor);
    // Whether the loaded data is a variable font with a weight axis; false while not loaded.
    bool hasWeightAxis() const { return _hasWeightAxis; }

private:
    const uint64_t _identifier;
    std::string _family;
    int32_t _minimumWeight = 400;
    int32_t _maximumWeight = 400;
    int64_t _style = Normal;
    VLPlatformFontDescriptorRef _fontDescriptor;
    bool _hasWeightAxis = false;
};

using VLFontFaceRef = std::shared_ptr<VLFontFace>;
