#pragma once

#include "Platform/Foundation/VLAffineTransform.h"
#include "Platform/WindowServer/VLWSResponder.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class VLWSLayer;
class VLWSTrackingArea;
class VLWSWindow;

// The platform's autoresizing bits: which margins and sizes take up a change of the superview's size.
enum VLWSAutoresizingMask : uint64_t {
    VLWSViewNotSizable = 0,
    VLWSViewMinXMargin = 1,
    VLWSViewWidthSizable = 2,
    VLWSViewMaxXMargin = 4,
    VLWSViewMinYMargin = 8,
    VLWSViewHeightSizable = 16,
    VLWSViewMaxYMargin = 32,
};

// Where a view or window goes relative to another, with the platform's values.
enum class VLWSWindowOrderingMode : int { Below = -1, Out = 0, Above = 1 };

// Posted on the default centre with the view (a VLWSView*) as object after its frame changed, while the
// view posts frame changes.
inline constexpr const char* VLWSViewFrameDidChangeNotification = "VLWSViewFrameDidChangeNotification";

// A rectangle of a window, in its superview's coordinates, with ordered subviews (the last on top). Its
// bounds give its own coordinates: an origin, and a size that scales them when it differs from the
// frame's; y runs up unless the view is flipped. Every view is backed by a layer that follows its frame,
// bounds, flips, hiding and subview order. Views are made with std::make_shared.
//
// Main thread only (its layer may be read and drawn from anywhere).
class VLWSView : public VLWSResponder, public std::enable_shared_from_this<VLWSView> {
public:
    explicit VLWSView(VLRect frame = {});
    ~VLWSView() override;
    VLWSView(const VLWSView&) = delete;
    VLWSView& operator=(const VLWSView&) = delete;

    // Geometry. A frame or bounds with a NaN or infinite part is refused, and so is a bounds size that
    // is not positive. A new frame size keeps the bounds' scale and resizes the subviews.
    VLRect frame() const { return _frame; }
    virtual void setFrame(VLRect frame);
    void setFrameOrigin(VLPoint origin);
    void setFrameSize(VLSize size);
    VLRect bounds() const;
    void setBounds(VLRect bounds);
    void setBoundsOrigin(VLPoint origin);
    void setBoundsSize(VLSize size);
    virtual bool isFlipped() const { return false; }
    bool isHidden() const { return _hidden; }
    void setHidden(bool hidden);
    bool isHiddenOrHasHiddenAncestor() const;

    // Subviews. A view is taken from its former superview first; the view itself or one of its ancestors
    // is refused.
    const std::vector<std::shared_ptr<VLWSView>>& subviews() const { return _subviews; }
    // On top of the others.
    void addSubview(std::shared_ptr<VLWSView> view);
    // Just above or below `relativeTo`, or above or below all subviews when it is nullptr or not a
    // subview here. Out adds nothing.
    void addSubview(std::shared_ptr<VLWSView> view, VLWSWindowOrderingMode place, const VLWSView* relativeTo);
    void removeFromSuperview();
    VLWSView* superview() const { return _superview; }
    bool isDescendantOf(const VLWSView* view) const;

    VLWSWindow* window() const { return _window; }

    // Conversions between this view's coordinates and another's; nullptr stands for the window's
    // coordinates (origin at the bottom-left of its frame, y up). Views of different windows convert
    // through the screen. A rectangle becomes the upright rectangle around its converted corners.
    VLPoint convertPointFromView(VLPoint point, const VLWSView* view) const;
    VLPoint convertPointToView(VLPoint point, const VLWSView* view) const;
    VLRect convertRectFromView(VLRect rect, const VLWSView* view) const;
    VLRect convertRectToView(VLRect rect, const VLWSView* view) const;

    // Mouse. The deepest visible view under a point given in the superview's coordinates (the window's
    // for a view without superview), the topmost subview first; nullptr when the point is outside.
    virtual VLWSView* hitTest(VLPoint point);
    // `event` may be nullptr.
    virtual bool acceptsFirstMouse(const VLWSEvent* event) const;
    virtual bool mouseDownCanMoveWindow() const { return !isOpaque(); }
    virtual bool isOpaque() const { return false; }

    // The superview, then the window.
    VLWSResponder* nextResponder() const override;

    // Tracking areas. updateTrackingAreas() is called when the frame or the window changes, for views
    // to put their areas right.
    void addTrackingArea(std::shared_ptr<VLWSTrackingArea> area);
    void removeTrackingArea(const std::shared_ptr<VLWSTrackingArea>& area);
    const std::vector<std::shared_ptr<VLWSTrackingArea>>& trackingAreas() const { return _trackingAreas; }
    virtual void updateTrackingAreas() {}

    // On by default.
    bool postsFrameChangedNotifications() const { return _postsFrameChangedNotifications; }
    void setPostsFrameChangedNotifications(bool posts) { _postsFrameChangedNotifications = posts; }

    // Autoresizing: after a size change, each subview shares the change of its superview's size among the
    // margins and sizes its mask makes flexible, in proportion to their current values.
    uint64_t autoresizingMask() const { return _autoresizingMask; }
    void setAutoresizingMask(uint64_t mask) { _autoresizingMask = mask; }
    bool autoresizesSubviews() const { return _autoresizesSubviews; }
    void setAutoresizesSubviews(bool autoresizes) { _autoresizesSubviews = autoresizes; }
    // `oldSize`: this view's bounds size before the change.
    virtual void resizeSubviewsWithOldSize(VLSize oldSize);
    // `oldSize`: the superview's bounds size before the change.
    virtual void resizeWithOldSuperviewSize(VLSize oldSize);

    // The backing layer, made on first use with its sublayers.
    const std::shared_ptr<VLWSLayer>& layer();

protected:
    // The layer to back this view; a plain one unless overridden.
    virtual std::shared_ptr<VLWSLayer> makeBackingLayer();

private:
    friend class VLWSWindow;
    // Along the whole subtree.
    void setWindow(VLWSWindow* window);
    // From this view's coordinates to its superview's (the window's at the top).
    VLAffineTransform transformToSuperview() const;
    VLAffineTransform transformToWindow() const;
    std::optional<VLAffineTransform> transformFrom(const VLWSView* view) const;
    void frameDidChange(VLSize oldBoundsSize);
    void makeLayer();
    // Puts the subview's layer among this layer's sublayers in the subviews' order.
    void placeSublayer(VLWSView* subview);
    void updateLayer();

    VLRect _frame;
    VLPoint _boundsOrigin;
    VLSize _boundsScale{1, 1}; // frame size ÷ bounds size, each above 0
    bool _hidden = false;
    std::vector<std::shared_ptr<VLWSView>> _subviews;
    VLWSView* _superview = nullptr; // holds this view through _subviews
    VLWSWindow* _window = nullptr;  // cleared by the window before it goes
    std::vector<std::shared_ptr<VLWSTrackingArea>> _trackingAreas;
    bool _postsFrameChangedNotifications = true;
    uint64_t _autoresizingMask = VLWSViewNotSizable;
    bool _autoresizesSubviews = true;
    std::shared_ptr<VLWSLayer> _layer;
};
