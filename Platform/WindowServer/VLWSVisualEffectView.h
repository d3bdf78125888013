#pragma once

#include "Platform/Graphics/VLPixelSource.h"
#include "Platform/WindowServer/VLWSView.h"

#include <string>

// Whether the material blends with what lies behind the window or within it; the platform's values.
enum class VLWSVisualEffectBlendingMode : int64_t { BehindWindow = 0, WithinWindow = 1 };
// Whether the material looks active; the platform's values.
enum class VLWSVisualEffectState : int64_t { FollowsWindowActiveState = 0, Active = 1, Inactive = 2 };

// The platform's popover material.
inline constexpr int64_t VLWSVisualEffectMaterialPopover = 6;

// A view of frosted material. The material cannot be drawn here, so the view only keeps its settings for
// those who read them.
//
// Main thread only.
class VLWSVisualEffectView : public VLWSView {
public:
    using VLWSView::VLWSView;

    // The platform's material numbers; 0 by default.
    int64_t material() const { return _material; }
    void setMaterial(int64_t material) { _material = material; }
    VLWSVisualEffectBlendingMode blendingMode() const { return _blendingMode; }
    void setBlendingMode(VLWSVisualEffectBlendingMode mode) { _blendingMode = mode; }
    VLWSVisualEffectState state() const { return _state; }
    void setState(VLWSVisualEffectState state) { _state = state; }
    // The appearance by name; empty: the window's.
    const std::string& appearanceName() const { return _appearanceName; }
    void setAppearanceName(std::string name) { _appearanceName = std::move(name); }
    // Its alpha keeps the parts of the material it covers; nullptr keeps all.
    const std::shared_ptr<const VLPixelSource>& maskImage() const { return _maskImage; }
    void setMaskImage(std::shared_ptr<const VLPixelSource> image) { _maskImage = std::move(image); }

private:
    int64_t _material = 0;
    VLWSVisualEffectBlendingMode _blendingMode = VLWSVisualEffectBlendingMode::BehindWindow;
    VLWSVisualEffectState _state = VLWSVisualEffectState::FollowsWindowActiveState;
    std::string _appearanceName;
    std::shared_ptr<const VLPixelSource> _maskImage;
};
