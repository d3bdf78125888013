#include "Platform/WindowServer/VLWSView.h"

#include <algorithm>

VLWSView::VLWSView(VLRect frame) : _frame(frame.isFinite() ? frame : VLRectZero) {}

VLWSView::~VLWSView() {
    for (auto& subview : _subviews)
        subview->_superview = nullptr;
}

void VLWSView::setFrame(VLRect frame) {
    if (!frame.isFinite())
        return;
    _frame = frame;
}

void VLWSView::addSubview(std::shared_ptr<VLWSView> view) {
    if (!view || isDescendantOf(view.get()))
        return;
    view->removeFromSuperview();
    view->_superview = this;
    view->setWindow(_window);
    _subviews.push_back(std::move(view));
}

void VLWSView::removeFromSuperview() {
    VLWSView* superview = _superview;
    if (!superview)
        return;
    // Held until the end: the superview's list may hold the last reference.
    auto self = shared_from_this();
    _superview = nullptr;
    std::erase_if(superview->_subviews, [&](const auto& view) { return view.get() == this; });
    setWindow(nullptr);
}

bool VLWSView::isDescendantOf(const VLWSView* view) const {
    for (const VLWSView* ancestor = this; ancestor; ancestor = ancestor->_superview)
        if (ancestor == view)
            return true;
    return false;
}

void VLWSView::setWindow(VLWSWindow* window) {
    _window = window;
    for (auto& subview : _subviews)
        subview->setWindow(window);
}
