#pragma once

#include "Modules/Window/Window/VLFlippedView.h"
#include "Platform/WindowServer/VLWSPath.h"
#include "Platform/WindowServer/VLWSShapeLayer.h"
#include "Platform/WindowServer/VLWSVisualEffectView.h"

#include <memory>

// The small arc that marks a widget's resize corner: a stroke 5 points wide and 24 long that follows the
// widget's rounded bottom-right corner, frosted glass inside a thin dark ring with a white tint over it.
// It lives in a window of its own, whose alpha its fades animate; the mouse never hits it.
//
// Main thread only.
class VLWidgetResizeHintView final : public VLWSView {
public:
    explicit VLWidgetResizeHintView(VLRect frame = {});

    bool isFlipped() const override { return true; }
    VLWSView* hitTest(VLPoint) override { return nullptr; }

    // Shapes the hint for a corner of that radius (kept within 0…40), the stroke running outside the
    // corner's curve or inside it, and sizes the view to fit it. The same corner again changes nothing.
    void setCornerRadius(double radius, bool outside);
    // Where the widget's bottom-right corner must sit, in the view's coordinates.
    VLPoint corner() const { return _corner; }
    VLSize size() const { return _size; }

    // Fades the window in; a nudge also rocks the hint towards the corner a few times.
    void appearNudging(bool nudging);
    bool emphasized() const { return _emphasized; }
    void setEmphasized(bool emphasized);
    void disappear();
    // Whether the latest fade went to a visible alpha.
    bool appeared() const { return _opacity > 0; }

    // The parts, for those who look at them.
    const std::shared_ptr<VLFlippedView>& body() const { return _body; }
    const std::shared_ptr<VLWSVisualEffectView>& glass() const { return _glass; }
    const std::shared_ptr<VLWSShapeLayer>& tint() const { return _tint; }
    const std::shared_ptr<VLWSShapeLayer>& ring() const { return _ring; }
    // The stroke's centre line.
    const VLWSPath& path() const { return _path; }

private:
    // The stroke's centre line: an arc with, when `straight` > 0, straight parts that long before and after
    // it, along its tangents.
    struct CentreLine {
        VLPoint centre;
        double radius = 0;
        double startAngle = 0;
        double endAngle = 0;
        double straight = 0;

        VLPoint pointAt(double angle) const;
        VLPoint start() const;
        VLPoint end() const;
        double distanceTo(VLPoint point) const;
    };

    void fadeTo(double alpha, double duration);
    void applyShape();
    // The glass's mask: the stroke, at the resolution of the screen the hint is shown on.
    std::shared_ptr<const VLPixelSource> strokeMask() const;

    std::shared_ptr<VLFlippedView> _body;
    std::shared_ptr<VLWSVisualEffectView> _glass;
    std::shared_ptr<VLWSShapeLayer> _tint;
    std::shared_ptr<VLWSShapeLayer> _ring;
    CentreLine _line;
    VLWSPath _path;
    double _cornerRadius = -1; // so that the first corner always builds
    bool _outside = false;
    double _opacity = 0;
    bool _emphasized = false;
    VLPoint _corner;
    VLSize _size;
};
