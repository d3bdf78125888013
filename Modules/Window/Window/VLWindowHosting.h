#pragma once

#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/Foundation/VLRect.h"

#include <memory>
#include <optional>

class VLWindow;
class VLWSView;

// A window drawn into a view its host supplies instead of a platform window of its own: its content
// scaled to fit the host area, and laid out again whenever the host view's frame changes. Part of its
// window; main thread only.
class VLWindowHosting final {
public:
    explicit VLWindowHosting(VLWindow& owner) : _owner(owner) {}

    bool isHosted() const { return _isHosted; }
    // The window's view, put into the host view.
    std::shared_ptr<VLWSView> loadView(const std::shared_ptr<VLWSView>& hostView);
    // Places the view in the host view for the window's frame.
    void layout();

    // The window's place in a host view of bounds B for the layout frame F and the host area A (null: the
    // whole bounds), flipped or not; nothing when the area has no size, or when any of them is not finite.
    static std::optional<VLRect> hostedFrame(const VLRect& bounds, bool flipped, const VLRect& area,
                                             const VLRect& frame);

private:
    friend class VLWindow;

    VLWindow& _owner;
    bool _isHosted = false;
    std::shared_ptr<VLNotificationCenter::Observer> _frameObserver;
};
