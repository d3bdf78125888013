#include "Modules/Window/Window/VLWindowHosting.h"

#include "Modules/Window/Window/VLWindow.h"
#include "Platform/WindowServer/VLWSView.h"
#include "Platform/WindowServer/VLWSWindow.h"

#include <algorithm>

std::shared_ptr<VLWSView> VLWindowHosting::loadView(const std::shared_ptr<VLWSView>& hostView) {
    std::shared_ptr<VLWSView> view = _owner.VLComponent::loadView();
    _isHosted = true;
    const double scale = hostView->window() ? hostView->window()->backingScaleFactor() : 0;
    _owner._devicePixelRatio = float(scale != 0 ? scale : VLWindow::mainScreenScale());
    hostView->addSubview(view);
    hostView->setPostsFrameChangedNotifications(true);
    _frameObserver = VLNotificationCenter::defaultCenter().addObserver(
        VLWSViewFrameDidChangeNotification, hostView.get(),
        [weak = _owner.weakSelf()](const VLNotification&) {
            if (std::shared_ptr<VLWindow> self = weak.lock())
                self->_hosting.layout();
        });
    return view;
}

std::optional<VLRect> VLWindowHosting::hostedFrame(const VLRect& bounds, bool flipped, const VLRect& area,
                                                   const VLRect& frame) {
    if (area.isNull())
        return bounds;
    if (!(area.size.width > 0 && area.size.height > 0))
        return std::nullopt;
    const double scale = std::min(bounds.size.width / area.size.width, bounds.size.height / area.size.height);
    const double ox = (bounds.size.width - area.size.width * scale) / 2;
    const double oy = (bounds.size.height - area.size.height * scale) / 2;
    const double width = frame.size.width * scale;
    const double height = frame.size.height * scale;
    const double x = bounds.origin.x + ox + (frame.origin.x - area.origin.x) * scale;
    const double y = flipped ? bounds.origin.y + oy + (frame.origin.y - area.origin.y) * scale
                             : bounds.origin.y + bounds.size.height - oy -
                                   (frame.origin.y - area.origin.y) * scale - height;
    const VLRect placed{x, y, width, height};
    const bool valid = placed.isFinite() && placed.size.width >= 0 && placed.size.height >= 0;
    return valid ? std::optional(placed) : std::nullopt;
}

void VLWindowHosting::layout() {
    const std::shared_ptr<VLWSView> host = _owner.hostView();
    const std::shared_ptr<VLWSView> view = _owner.loadedView();
    if (!host || !view)
        return;
    const VLRect frame = _owner.frame();
    if (std::optional<VLRect> placed =
            hostedFrame(host->bounds(), host->isFlipped(), _owner.hostArea(), frame))
        view->setFrame(*placed);
    if (frame.size.width > 0 && frame.size.height > 0)
        view->setBounds({0, 0, frame.size.width, frame.size.height});
}
