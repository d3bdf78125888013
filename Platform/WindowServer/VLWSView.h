#pragma once

#include "Platform/Foundation/VLRect.h"

#include <memory>
#include <vector>

class VLWSWindow;

// A rectangle of a window, in its superview's coordinates, with ordered subviews (the last on top).
// Views are made with std::make_shared.
//
// Main thread only.
class VLWSView : public std::enable_shared_from_this<VLWSView> {
public:
    explicit VLWSView(VLRect frame = {});
    virtual ~VLWSView();
    VLWSView(const VLWSView&) = delete;
    VLWSView& operator=(const VLWSView&) = delete;

    VLRect frame() const { return _frame; }
    // A frame with a NaN or infinite part is refused.
    virtual void setFrame(VLRect frame);

    const std::vector<std::shared_ptr<VLWSView>>& subviews() const { return _subviews; }
    // On top of the others; a view taken from its former superview first. The view itself or one of
    // its ancestors is refused.
    void addSubview(std::shared_ptr<VLWSView> view);
    void removeFromSuperview();
    VLWSView* superview() const { return _superview; }
    bool isDescendantOf(const VLWSView* view) const;

    VLWSWindow* window() const { return _window; }

private:
    friend class VLWSWindow;
    // Along the whole subtree.
    void setWindow(VLWSWindow* window);

    VLRect _frame;
    std::vector<std::shared_ptr<VLWSView>> _subviews;
    VLWSView* _superview = nullptr; // holds this view through _subviews
    VLWSWindow* _window = nullptr;  // cleared by the window before it goes
};
