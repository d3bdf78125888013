#include "Platform/WindowServer/VLWSTracking.h"

#include "Platform/WindowServer/VLWSTrackingArea.h"
#include "Platform/WindowServer/VLWSView.h"
#include "Platform/WindowServer/VLWSWindow.h"

#include <algorithm>
#include <utility>

namespace {

// The part of the view that its ancestors let be seen, in window coordinates.
VLRect visibleRectInWindow(const VLWSView& view) {
    VLRect visible = view.convertRectToView(view.bounds(), nullptr);
    for (const VLWSView* ancestor = view.superview(); ancestor; ancestor = ancestor->superview())
        visible = visible.intersection(ancestor->convertRectToView(ancestor->bounds(), nullptr));
    return visible;
}

} // namespace

std::vector<VLWSTracking::Crossing> VLWSTracking::update(const std::shared_ptr<VLWSWindow>& window,
                                                         VLPoint screenLocation, bool moved) {
    std::vector<std::shared_ptr<VLWSTrackingArea>> now;
    if (window)
        now = areasAt(*window, window->convertPointFromScreen(screenLocation));

    std::vector<Crossing> crossings;
    auto isNow = [&](const std::shared_ptr<VLWSTrackingArea>& area) {
        return std::find(now.begin(), now.end(), area) != now.end();
    };
    std::vector<Inside> before = std::exchange(_inside, {});
    for (auto entry = before.rbegin(); entry != before.rend(); ++entry) {
        auto area = entry->area.lock();
        auto owner = entry->window.lock();
        if (!area || !owner)
            continue;
        if (isNow(area) && owner == window)
            continue;
        if (area->options() & VLWSTrackingMouseEnteredAndExited)
            crossings.push_back({area, owner, VLWSEventType::MouseExited});
    }
    for (const auto& area : now) {
        const bool wasInside = std::any_of(before.begin(), before.end(), [&](const Inside& entry) {
            return entry.area.lock() == area && entry.window.lock() == window;
        });
        if (!wasInside && (area->options() & VLWSTrackingMouseEnteredAndExited))
            crossings.push_back({area, window, VLWSEventType::MouseEntered});
        _inside.push_back({area, window});
    }
    if (moved)
        for (const auto& area : now)
            if (area->options() & VLWSTrackingMouseMoved)
                crossings.push_back({area, window, VLWSEventType::MouseMoved});
    return crossings;
}

std::vector<std::shared_ptr<VLWSTrackingArea>> VLWSTracking::areasAt(VLWSWindow& window, VLPoint point) {
    std::vector<std::shared_ptr<VLWSTrackingArea>> areas;
    collect(*window.frameView(), point, areas);
    return areas;
}

void VLWSTracking::collect(VLWSView& view, VLPoint point,
                           std::vector<std::shared_ptr<VLWSTrackingArea>>& areas) {
    if (view.isHidden())
        return;
    for (const auto& area : view.trackingAreas()) {
        if (!(area->options() & VLWSTrackingActiveAlways))
            continue;
        const VLRect rect = (area->options() & VLWSTrackingInVisibleRect)
                                ? visibleRectInWindow(view)
                                : view.convertRectToView(area->rect(), nullptr);
        if (VLMouseInRect(point, rect, false))
            areas.push_back(area);
    }
    for (const auto& subview : view.subviews())
        collect(*subview, point, areas);
}
